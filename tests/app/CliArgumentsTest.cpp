// How every verb of orvane-cli reads its arguments, and what each verb
// loads to start.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

CliRun cli(const QStringList& args) { return runProgram(QStringLiteral(ORVANE_CLI), args); }

QStringList listedVerbs() {
    const CliRun all = cli({QStringLiteral("--help")});
    QStringList verbs;
    static const QRegularExpression line(QStringLiteral("^  orvane-cli ([a-z][a-z0-9-]*)"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(all.out); it.hasNext();) {
        const QString verb = it.next().captured(1);
        if (!verbs.contains(verb)) verbs << verb;
    }
    return verbs;
}

// The shared libraries a run of orvane-cli opened, as the dynamic loader
// names them (LD_DEBUG=files).
QStringList librariesOpened(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORVANE_CLI), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << args.join(u' ').toStdString();
    QStringList opened;
    static const QRegularExpression file(QStringLiteral("\\bfile=(\\S+)"));
    for (auto it = file.globalMatch(QString::fromLocal8Bit(p.readAllStandardError())); it.hasNext();)
        opened << it.next().captured(1);
    return opened;
}

// Scripts and status bars call these every second: they start with Qt Core
// and the beacon logic, never with the network, sound, rig, listener or
// picture libraries, which the verbs that need them load on demand.
TEST(CliStart, TheLightVerbsOpenNoneOfTheHeavyLibraries) {
    TempDir dir;
    const QStringList heavy{"libQt6Network", "libQt6Gui",  "libQt6Multimedia", "libhamlib", "libfftw3",
                            "libfluidsynth", "libpulse",   "libssl",           "libcrypto", "libasound",
                            "libsndfile",    "orvane-cli-verbs", "orvane-cli-pictures"};
    const QList<QStringList> light{
        {"slot", "--at", "@0"},
        {"sun", "--at", "@0"},
        {"beacons", "--locator", "JO22", "--at", "@0"},
        {"widths", "--size", "8x4", "--dec", "10"},
        {"bcn", "--defaults", "-o", dir.file("x.BCN")},
    };
    for (const QStringList& args : light) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const QStringList opened = librariesOpened(args);
        EXPECT_TRUE(std::any_of(opened.cbegin(), opened.cend(),
                                [](const QString& f) { return f.contains(QLatin1String("libQt6Core")); }))
            << opened.join(u' ').toStdString();
        for (const QString& f : opened)
            for (const QString& name : heavy) EXPECT_FALSE(f.contains(name)) << f.toStdString();
    }
    // The map is drawn with Qt Gui and the pictures module alone.
    const QStringList drawn =
        librariesOpened({QStringLiteral("greyline"), QStringLiteral("--size"), QStringLiteral("64x32"),
                         QStringLiteral("--at"), QStringLiteral("@0"), QStringLiteral("-o"), dir.file("map.png")});
    EXPECT_TRUE(std::any_of(drawn.cbegin(), drawn.cend(),
                            [](const QString& f) { return f.endsWith(QLatin1String("/orvane-cli-pictures.so")); }))
        << drawn.join(u' ').toStdString();
    const QStringList drawing{"libQt6Gui", "orvane-cli-pictures"};
    for (const QString& f : drawn)
        for (const QString& name : heavy) EXPECT_TRUE(drawing.contains(name) || !f.contains(name)) << f.toStdString();
    // A verb of the module brings it in, and what it needs with it.
    TempDir::write(dir.file("wwv.txt"), QByteArray(":Issued: 2026 Dec 10 1205 UTC\n"));
    const QStringList opened = librariesOpened({QStringLiteral("report-age"), dir.file("wwv.txt")});
    EXPECT_TRUE(std::any_of(opened.cbegin(), opened.cend(),
                            [](const QString& f) { return f.endsWith(QLatin1String("/orvane-cli-verbs.so")); }))
        << opened.join(u' ').toStdString();
}

// One way for every verb: an unknown option, an option without its value
// and an operand where the verb takes none are refused with status 2 and
// the verb's name, before any work starts (no server is asked, no file made).
TEST(CliArguments, EveryVerbRefusesWhatItDoesNotKnow) {
    struct Case {
        QStringList args;
        QString message;
    };
    const QStringList verbs = listedVerbs();
    ASSERT_FALSE(verbs.isEmpty());
    // An option with a value of each verb, given last without it.
    const QHash<QString, QString> valued{
        {"bcn", "-o"},          {"beacons", "--stations"}, {"cw", "--beacon"},       {"follow", "--rig-model"},
        {"ftp-get", "--host"},  {"greyline", "-o"},        {"listen", "-i"},         {"report-age", "--now"},
        {"reports", "--host"},  {"slot", "--at"},          {"spacewx", "--from"},    {"sun", "--at"},
        {"time", "--host"},     {"widths", "--size"},          {"history", "--db"},
    };
    for (const QString& verb : verbs) {
        ASSERT_TRUE(valued.contains(verb)) << "a verb without a case here: " << verb.toStdString();
        const QString option = valued.value(verb);
        QList<Case> cases{
            {{verb, "--no-such-option"}, "unknown argument '--no-such-option'"},
            {{verb, "-q"}, "unknown argument '-q'"},
            {{verb, option}, QStringLiteral("Missing value after '%1'").arg(option)},
        };
        const CliRun help = cli({verb, QStringLiteral("--help")});
        // Verbs whose usage names no operand take none.
        const QString usage = help.out.section(QStringLiteral("\nOptions:\n"), 0, 0);
        if (!usage.contains(QLatin1String("FILE...")) && !usage.contains(QLatin1String("PATH...")) &&
            !usage.contains(QLatin1String(" FILE ")))
            cases.append({{verb, "stray"}, "unexpected argument 'stray'"});
        for (const Case& c : cases) {
            SCOPED_TRACE(c.args.join(u' ').toStdString());
            const CliRun r = cli(c.args);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("orvane-cli %1: ").arg(verb))) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        }
    }
}

// The help lists each option the verb reads, and the usage lines name the
// same options: what the manual page and the completion are made from is
// what the program accepts.
TEST(CliHelp, TheOptionsListedAreTheOptionsInTheUsage) {
    static const QRegularExpression named(QStringLiteral("(?:^|[\\s\\[|])(--?[A-Za-z][\\w-]*)"));
    static const QRegularExpression listed(QStringLiteral("^  (--?[A-Za-z][\\w-]*)"), QRegularExpression::MultilineOption);
    for (const QString& verb : listedVerbs()) {
        SCOPED_TRACE(verb.toStdString());
        const CliRun help = cli({verb, QStringLiteral("--help")});
        ASSERT_TRUE(help.out.contains(QLatin1String("\nOptions:\n"))) << help.out.toStdString();
        const QString usage = help.out.section(QStringLiteral("\nOptions:\n"), 0, 0);
        const QString options = help.out.section(QStringLiteral("\nOptions:\n"), 1);
        QSet<QString> inUsage, inList;
        for (auto it = named.globalMatch(usage); it.hasNext();) inUsage << it.next().captured(1);
        for (auto it = listed.globalMatch(options); it.hasNext();) inList << it.next().captured(1);
        EXPECT_EQ(inUsage, inList) << help.out.toStdString();
    }
}

}  // namespace
