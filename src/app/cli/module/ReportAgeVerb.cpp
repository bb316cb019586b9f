// orvane-cli report-age: when each report file was issued and how old it is,
// one line per file, so scripts can check freshness.
#include <QFile>
#include <QFileInfo>

#include "app/cli/CliVerb.h"
#include "common/Clock.h"
#include "reports/ReportDisplay.h"
#include "reports/ReportFreshness.h"

namespace {

using namespace orvane::reports;

int runReportAge(const orvane::cli::VerbArguments& args, QTextStream& out, QTextStream& err) {
    const QStringList files = args.operands();
    std::optional<long long> now;
    if (args.isSet("now")) {
        long long seconds = 0;
        if (!orvane::cli::parseTimeArgument(args.value("now"), seconds)) {
            err << "orvane-cli report-age: bad time '" << args.value("now") << "'\n";
            return 2;
        }
        now = seconds;
    }
    if (files.isEmpty()) {
        err << "orvane-cli report-age: name at least one report file\n";
        return 2;
    }
    const orvane::SystemClock clock;
    const orvane::UtcMoment moment = now.value_or(clock.nowMoment());
    int status = 0;
    for (const QString& file : files) {
        try {
            const std::optional<QString> text = readReportFile(file);
            if (!text) {
                err << "orvane-cli report-age: no file '" << file << "'\n";
                status = 1;
                continue;
            }
            if (const auto issued = parseIssuedTime(*text))
                out << file << "\t" << formatUtcIso(*issued) << "\t" << (moment - *issued) << "\n";
            else
                out << file << "\t-\t-\n";
        } catch (const std::exception& e) {
            err << "orvane-cli report-age: " << e.what() << "\n";
            status = 1;
        }
    }
    return status;
}

const orvane::cli::Registrar kReg({"report-age",
                                   "report-age [--now TIME] FILE...\n"
                                   "    print FILE<TAB>ISSUED_UTC<TAB>AGE_S for each report file, from its\n"
                                   "    ':Issued:' line ('-' for both without one); TIME is\n"
                                   "    YYYY-MM-DDTHH:MM:SSZ or @SECONDS (default: now);\n"
                                   "    exit status 1 when a file cannot be read",
                                   {{"now", "TIME", "the moment the ages are reckoned from (default now)"}},
                                   "FILE...",
                                   &runReportAge});

}  // namespace
