// The JSON products fetched from a real HTTPS server on 127.0.0.1: stored
// when good, asked for conditionally, refused and backed off when not, never
// asked for twice within the minute.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/FakeClock.h"
#include "spaceweather/SpaceWeatherFeed.h"
#include "spaceweather/SpaceWeatherState.h"
#include <QImage>

#include "support/CliRun.h"
#include "support/FtpTestServer.h"
#include "support/HttpsTestServer.h"
#include "support/TempDir.h"

using namespace orvane;
using namespace orvane::spaceweather;

namespace {

QByteArray fixture(const char* day, const char* file) {
    QFile f(QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/%1/%2").arg(QLatin1String(day), QLatin1String(file)));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// The web service's folders with the products of `day`.
void serveDay(const TempDir& root, const char* day) {
    for (const char* sub : {"products", "json/goes/primary", "text"}) QDir(root.path()).mkpath(QString::fromLatin1(sub));
    for (const FeedProduct& p : kFeedProducts) TempDir::write(root.file(QString::fromLatin1(p.path)), fixture(day, p.file));
    TempDir::write(root.file(QStringLiteral("text/wwv.txt")), fixture(day, kWwvFile));
    TempDir::write(root.file(QStringLiteral("text/daily-solar-indices.txt")), fixture(day, kDsdFile));
    TempDir::write(root.file(QStringLiteral("text/daily-geomagnetic-indices.txt")), fixture(day, kDgdFile));
}

void trustTestCa() {
    ASSERT_TRUE(TestCertificates::get().ok()) << TestCertificates::get().error().toStdString();
    qputenv("SSL_CERT_FILE", TestCertificates::get().caFile().toLocal8Bit());
}

constexpr UtcMs kStart = 1790000000000;

TEST(SpaceWeatherFeedTest, StoresGoodProductsThenAsksConditionallyAndNeverWithinTheMinute) {
    trustTestCa();
    TempDir root, folder;
    serveDay(root, "quiet");
    HttpsTestServer web;
    ASSERT_TRUE(web.start(root.path())) << web.error().toStdString();
    FakeClock clock(kStart);
    SpaceWeatherFeed feed(clock, folder.path());
    feed.Base = QUrl(web.base());
    int updates = 0;
    QObject::connect(&feed, &SpaceWeatherFeed::updated, [&] { ++updates; });

    for (int i = 0; i < static_cast<int>(kFeedProducts.size()); ++i) {
        EXPECT_TRUE(feed.fetch(i)) << feed.status(i).toStdString();
        EXPECT_EQ(TempDir::readAll(folder.file(QString::fromLatin1(kFeedProducts[static_cast<size_t>(i)].file))),
                  fixture("quiet", kFeedProducts[static_cast<size_t>(i)].file));
        EXPECT_EQ(feed.nextDue(i), kStart + kFeedProducts[static_cast<size_t>(i)].intervalSeconds * 1000);
    }
    EXPECT_EQ(updates, 4);
    EXPECT_EQ(web.requests().size(), 4);
    EXPECT_EQ(web.requests().first().userAgent, net::programUserAgent());

    // Within the minute: not asked at all.
    clock.advance(59000);
    EXPECT_FALSE(feed.fetch(0));
    EXPECT_EQ(web.requests().size(), 4);
    // After it: asked with the copy's Last-Modified, answered 304, nothing stored anew.
    clock.advance(2000);
    EXPECT_TRUE(feed.fetch(0)) << feed.status(0).toStdString();
    EXPECT_EQ(feed.status(0), QStringLiteral("304 not modified"));
    EXPECT_EQ(updates, 4);
    EXPECT_EQ(web.requests().size(), 5);
}

TEST(SpaceWeatherFeedTest, ACopyKeptFromAnEarlierRunIsAskedForOnlyIfChanged) {
    trustTestCa();
    TempDir root, folder;
    serveDay(root, "quiet");
    HttpsTestServer web;
    ASSERT_TRUE(web.start(root.path())) << web.error().toStdString();
    // Saved after the server's copy was written.
    TempDir::write(folder.file(QString::fromLatin1(kXrayFile)), fixture("quiet", kXrayFile));
    FakeClock clock(QDateTime::currentMSecsSinceEpoch() + 2000);
    SpaceWeatherFeed feed(clock, folder.path());
    feed.Base = QUrl(web.base());
    EXPECT_TRUE(feed.fetch(2)) << feed.status(2).toStdString();
    EXPECT_EQ(feed.status(2), QStringLiteral("304 not modified"));
    // Without a copy the same product comes whole.
    EXPECT_TRUE(feed.fetch(3)) << feed.status(3).toStdString();
    EXPECT_EQ(feed.status(3), QStringLiteral("200 OK, stored"));
}

TEST(SpaceWeatherFeedTest, ABadAnswerKeepsTheCopyAndDoublesTheWait) {
    trustTestCa();
    TempDir root, folder;
    serveDay(root, "storm");
    HttpsTestServer web;
    ASSERT_TRUE(web.start(root.path(), {QStringLiteral("--html"), QStringLiteral("/products/noaa-planetary-k-index.json"),
                                        QStringLiteral("--big"), QStringLiteral("/products/noaa-scales.json"),
                                        QStringLiteral("5000000")}))
        << web.error().toStdString();
    const QByteArray kept = fixture("quiet", kKpFile);
    TempDir::write(folder.file(QString::fromLatin1(kKpFile)), kept);
    FakeClock clock(kStart);
    SpaceWeatherFeed feed(clock, folder.path());
    feed.Base = QUrl(web.base());

    EXPECT_FALSE(feed.fetch(0));
    EXPECT_TRUE(feed.status(0).startsWith(QStringLiteral("refused: an HTML page"))) << feed.status(0).toStdString();
    EXPECT_EQ(TempDir::readAll(folder.file(QString::fromLatin1(kKpFile))), kept);
    EXPECT_EQ(feed.nextDue(0), kStart + 2 * 900 * 1000);
    clock.advance(61000);
    EXPECT_FALSE(feed.fetch(0));
    EXPECT_EQ(feed.failures(0), 2);
    EXPECT_EQ(feed.nextDue(0), kStart + 61000 + 4 * 900 * 1000);

    EXPECT_FALSE(feed.fetch(1));
    EXPECT_TRUE(feed.status(1).contains(QStringLiteral("too large"))) << feed.status(1).toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.file(QString::fromLatin1(kScalesFile))));
    // A good product after the failures resets the wait.
    EXPECT_TRUE(feed.fetch(2));
    EXPECT_EQ(feed.failures(2), 0);
}

// orvane-cli spacewx over the network and from a folder.
QString cli() { return QStringLiteral(ORVANE_CLI); }

TEST(SpacewxVerbTest, PrintsTheFiguresOfAFolderAndTheKpHistory) {
    TempDir out;
    const CliRun run = runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--from"),
                                          QStringLiteral(ORVANE_SPACEWX_TEST_DIR "/data/storm"), QStringLiteral("--now"),
                                          QStringLiteral("2026-09-22T06:30:00Z"), QStringLiteral("--kp-history"),
                                          QStringLiteral("--plot"), out.file(QStringLiteral("p.png"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("sfi\t215\t2026-09-22T06:05Z"));
    EXPECT_EQ(lines[1], QStringLiteral("a\t120\t2026-09-22T06:05Z"));
    EXPECT_EQ(lines[2], QStringLiteral("k\t8.67\t2026-09-22T06:05Z"));
    EXPECT_EQ(lines[3], QStringLiteral("ssn\t184\t2026-09-22T02:25Z"));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("xray\tC"))) << lines[4].toStdString();
    EXPECT_EQ(lines[5], QStringLiteral("g\tG4\t2026-09-22T06:05Z"));
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("r\tR3\t"))) << lines[6].toStdString();
    EXPECT_TRUE(lines[7].startsWith(QStringLiteral("s\tS2\t"))) << lines[7].toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("kp\t2026-09-20T18:00Z\t9")));
    EXPECT_FALSE(run.out.contains(QStringLiteral("\t-1"))) << "missing Kp are left out";
    EXPECT_TRUE(QImage(out.file(QStringLiteral("p.png"))).width() > 0);
}

TEST(SpacewxVerbTest, MissingFiguresAndFoldersWithoutProducts) {
    TempDir only;
    TempDir::write(only.file(QStringLiteral("DSD.txt")), fixture("quiet", kDsdFile));
    const CliRun partial = runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--from"), only.path(),
                                              QStringLiteral("--now"), QStringLiteral("2026-09-22T06:30:00Z")});
    ASSERT_EQ(partial.exitCode, 0) << partial.err.toStdString();
    EXPECT_TRUE(partial.out.startsWith(QStringLiteral("sfi\t")));
    EXPECT_TRUE(partial.out.contains(QStringLiteral("\nk\t-\t-\n")));
    EXPECT_TRUE(partial.out.contains(QStringLiteral("\ng\t-\t-\n")));
    EXPECT_FALSE(partial.out.contains(QStringLiteral("\nr\t")));

    TempDir empty;
    const CliRun none = runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--from"), empty.path()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("no product could be read"))) << none.err.toStdString();
    EXPECT_EQ(runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--from"), empty.file(QStringLiteral("x"))}).exitCode, 1);
    EXPECT_EQ(runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--source"), QStringLiteral("gopher")}).exitCode, 2);
    EXPECT_EQ(runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--bogus")}).exitCode, 2);
}

TEST(SpacewxVerbTest, FetchesTheReportsAndTheJsonProductsOverHttps) {
    trustTestCa();
    TempDir root;
    serveDay(root, "quiet");
    HttpsTestServer web;
    ASSERT_TRUE(web.start(root.path())) << web.error().toStdString();
    const CliRun run = runProgram(cli(), {QStringLiteral("spacewx"), QStringLiteral("--base"), web.base(),
                                          QStringLiteral("--now"), QStringLiteral("2026-09-22T06:30:00Z")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("sfi\t152\t2026-09-22T06:05Z\n"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("\ns\tS0\t"))) << "the protons came too";
    EXPECT_EQ(web.paths().size(), 7) << web.paths().join(QLatin1Char(' ')).toStdString();
}

TEST(SpacewxVerbTest, FetchesTheTextReportsFromTheFtpServer) {
    TempDir root;
    QDir(root.path()).mkpath(QStringLiteral("pub/latest"));
    QDir(root.path()).mkpath(QStringLiteral("pub/indices"));
    TempDir::write(root.file(QStringLiteral("pub/latest/wwv.txt")), fixture("quiet", kWwvFile));
    TempDir::write(root.file(QStringLiteral("pub/indices/DSD.txt")), fixture("quiet", kDsdFile));
    TempDir::write(root.file(QStringLiteral("pub/indices/DGD.txt")), fixture("quiet", kDgdFile));
    FtpTestServer ftp;
    ASSERT_TRUE(ftp.start(root.path()));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVANE_REPORT_SERVER"), QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    p.setProcessEnvironment(env);
    p.start(cli(), {QStringLiteral("spacewx"), QStringLiteral("--source"), QStringLiteral("ftp"), QStringLiteral("--now"),
                    QStringLiteral("2026-09-22T06:30:00Z")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("sfi\t152\t2026-09-22T06:05Z\na\t8\t2026-09-22T06:05Z\nk\t2.33\t")))
        << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("\nr\t"))) << "no JSON products by FTP";
}

}  // namespace
