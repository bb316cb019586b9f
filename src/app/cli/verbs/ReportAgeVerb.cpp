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

int runReportAge(const QStringList& args, QTextStream& out, QTextStream& err) {
    QStringList files;
    std::optional<long long> now;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--now")) {
            QString value;
            long long seconds = 0;
            if (!orvane::cli::takeValue(args, i, value, err)) return 2;
            if (!orvane::cli::parseTimeArgument(value, seconds)) {
                err << "orvane-cli report-age: bad time '" << value << "'\n";
                return 2;
            }
            now = seconds;
        } else if (args[i].startsWith(QLatin1String("--"))) {
            err << "orvane-cli report-age: unknown option '" << args[i] << "'\n";
            return 2;
        } else {
            files << args[i];
        }
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
                                   &runReportAge});

}  // namespace
