// The time service in the main window: the "Get Time" button's states, the
// status texts, and the host box's rules played as real key presses and focus
// changes. The server is a scripted one on 127.0.0.1; the clock a FakeClock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/Orvane_maina.h"
#include "app/panels/AboutPage.h"
#include "app/panels/BeaconListPanel.h"
#include "app/panels/MapPanel.h"
#include "app/panels/TimeServicePanel.h"
#include "common/FakeClock.h"
#include "support/ScriptedResolver.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "timesync/NetTestSupport.h"

using namespace orvane;
using namespace orvane::app;

namespace {

constexpr std::int64_t kDaysFrom1900To1970 = 25567;

UtcMs noonMs(int second) { return (daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600 + second) * 1000; }

QByteArray replyAtNoon(int second) {
    const auto s = static_cast<std::uint32_t>((daysFromCivil(2026, 12, 10) + kDaysFrom1900To1970) * 86400 + 12 * 3600 + second);
    return QByteArray::fromHex(QByteArray::number(s, 16).rightJustified(8, '0'));
}

class TimeWindowTest : public ::testing::Test {
protected:
    void start(const QByteArray* hostsFile = nullptr) {
        QDir::setCurrent(dir.path());  // "Hosts.txt" lies in the working directory
        if (hostsFile) TempDir::write(dir.file("Hosts.txt"), *hostsFile);
        clock.set(noonMs(10));
        window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();
        window->slotTimer()->stop();
        window->timePanel().setTimePorts(server.port(), server.port());
        window->timePanel().setTimeSyncMonitor(syncMonitor);
        window->timePanel().setNtpTimeoutMs(300);  // a bare host's NTP question, before the Time protocol
        window->show();
        window->activateWindow();
        ASSERT_TRUE(waitUntil([&] { return window->isActiveWindow(); }));
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(startDir);
    }

    QString status() const { return window->statusPanelText(0); }
    QPushButton* button() const { return window->timePanel().getTimeButton(); }
    QComboBox* box() const { return window->timePanel().hostBox(); }
    QStringList items() const {
        QStringList l;
        for (int i = 0; i < box()->count(); ++i) l << box()->itemText(i);
        return l;
    }
    void focusBox() {
        box()->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(box()->hasFocus());
    }
    void leaveBox() {
        button()->setFocus(Qt::TabFocusReason);
        ASSERT_FALSE(box()->hasFocus());
    }
    void press(int key, const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(box(), &down);
    }
    void type(const QString& text) {
        for (const QChar c : text) press(Qt::Key_A, QString(c));  // the key code does not matter for text
    }
    void clickGetTime() { button()->click(); }

    QString startDir = QDir::currentPath();
    TempDir dir;
    FakeClock clock;
    RecordingMessageService messages;
    timesync::FixedTimeSyncMonitor syncMonitor;  // no sync daemon unless a test says so
    timesync_test::ScriptedTimeServer server;
    // Fails its one lookup (the resolver has tried twice by then); it
    // outlives the window that uses it.
    ScriptedResolver failingResolver{{ScriptedResolver::notFound()}};
    std::unique_ptr<TfrmTabbedOrvane> window;
};

}  // namespace

TEST_F(TimeWindowTest, StartsWithTheDefaultServersAndSavesTheListOnClose) {
    start();
    EXPECT_EQ(box()->count(), 10);
    EXPECT_EQ(box()->currentText(), QStringLiteral("time.nist.gov"));
    EXPECT_EQ(items(), window->timePanel().hostList().entries());
    EXPECT_EQ(button()->text(), QStringLiteral("&Get Time"));
    window->close();
    const QByteArray saved = TempDir::readAll(dir.file("Hosts.txt"));
    EXPECT_EQ(saved.count("\r\n"), 10);
    EXPECT_TRUE(saved.startsWith("ntp:pool.ntp.org\r\nntp:time.nist.gov\r\n"));
    EXPECT_TRUE(saved.contains("time.nist.gov\r\n"));
}

// One answer of the server and what the window makes of it.
struct AnswerCase {
    const char* name;
    QByteArray reply;
    const char* refusal;      // the clock refuses to be set with this reason; null: it accepts
    const char* status;       // status panel 0 afterwards
    const char* message;      // the message box shown; null: none
    UtcMs clockSetTo;         // the one clock setting asked for (refused or not); 0: none
};

class TimeAnswer : public TimeWindowTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(TimeAnswer, IsShownAndSetsTheClockOnlyWhenItDiffers) {
    const AnswerCase& c = GetParam();
    start();
    if (c.refusal) clock.failSetsWith(c.refusal);
    server.answerWith({{c.reply}});
    box()->setEditText(QStringLiteral("time:127.0.0.1"));
    clickGetTime();
    EXPECT_EQ(button()->text(), QStringLiteral("&Stop"));  // a dotted address is sent to at once
    EXPECT_TRUE(button()->isEnabled());
    EXPECT_TRUE(window->timePanel().AwaitingTime());
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_EQ(status(), QString::fromUtf8(c.status));
    EXPECT_EQ(button()->text(), QStringLiteral("&Get Time"));
    EXPECT_EQ(messages.messages, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_EQ(clock.recordedSets(), c.clockSetTo ? std::vector<UtcMs>{c.clockSetTo} : std::vector<UtcMs>{});
    EXPECT_EQ(server.requests, std::vector<QByteArray>{QByteArray(1, '\0')});
    EXPECT_EQ(window->timePanel().hostList().FindHost(QStringLiteral("time:127.0.0.1")), -1);  // never typed: not added
}

// The PC reads 12:00:10.000 throughout; a whole-second answer is set with
// the allowance ClockAdjust adds for the answer's way (600 ms).
INSTANTIATE_TEST_SUITE_P(
    MainWindow, TimeAnswer,
    ::testing::Values(
        AnswerCase{"PcAhead", replyAtNoon(5), nullptr, "Local PC was 5 seconds ahead", nullptr, noonMs(5) + 600},
        AnswerCase{"TimesMatch", replyAtNoon(10), nullptr, "Times Match", nullptr, 0},
        AnswerCase{"SetRefused", replyAtNoon(12), "Operation not permitted",
                   "Local PC was 2 seconds behind, but the clock could not be set: Operation not permitted", nullptr,
                   noonMs(12) + 600},
        AnswerCase{"WrongLength", QByteArray(3, '\x7f'), nullptr, "", "Did not receive 4 bytes", 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TimeWindowTest, StopEndsTheWaitAndALateAnswerIsIgnored) {
    start();
    server.answerWith({});
    box()->setEditText(QStringLiteral("time:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return !server.requests.empty(); }));
    clickGetTime();
    EXPECT_EQ(button()->text(), QStringLiteral("&Get Time"));
    EXPECT_TRUE(button()->isEnabled());
    EXPECT_FALSE(window->timePanel().AwaitingTime());
    // The late answer, then a fresh request's answer: only the latter counts.
    server.sendUnasked(server.lastClientPort, replyAtNoon(0));
    server.answerWith({{replyAtNoon(10)}});
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_EQ(status(), QStringLiteral("Times Match"));
    EXPECT_TRUE(clock.recordedSets().empty());
}

TEST_F(TimeWindowTest, AFailedLookupIsAnErrorAndTheButtonComesBack) {
    start();
    window->timePanel().setTimeHostResolver(failingResolver);
    box()->setEditText(QStringLiteral("time.example"));
    clickGetTime();
    EXPECT_FALSE(button()->isEnabled());  // while the name is looked up; the window stays live
    ASSERT_TRUE(waitUntil([&] { return button()->isEnabled(); }));
    EXPECT_EQ(failingResolver.lookups, 1);
    EXPECT_EQ(messages.errors, std::vector<std::string>{"Host Lookup Canceled"});
    EXPECT_EQ(button()->text(), QStringLiteral("&Get Time"));
    EXPECT_FALSE(window->timePanel().AwaitingTime());
}

TEST_F(TimeWindowTest, TypingANewNameAndLeavingAddsItSorted) {
    const QByteArray file("b.example\r\nd.example\r\n");
    start(&file);
    focusBox();
    box()->lineEdit()->selectAll();
    type(QStringLiteral("c.example"));
    EXPECT_EQ(box()->count(), 2);  // not while typing
    press(Qt::Key_Return);
    EXPECT_EQ(box()->count(), 2);  // nor on Enter
    leaveBox();
    EXPECT_EQ(items(), (QStringList{"b.example", "c.example", "d.example"}));
    EXPECT_EQ(box()->currentText(), QStringLiteral("c.example"));

    focusBox();
    box()->lineEdit()->selectAll();
    type(QStringLiteral("C.example"));  // other case: a second entry
    leaveBox();
    EXPECT_EQ(box()->count(), 4);
}

TEST_F(TimeWindowTest, ANameTypedBeforeGetTimeJoinsTheListBeforeItIsAsked) {
    start();
    server.answerWith({{replyAtNoon(10)}});
    focusBox();
    box()->lineEdit()->selectAll();
    type(QStringLiteral("127.0.0.1"));
    clickGetTime();  // the shortcut Alt+G: the focus is still in the box
    EXPECT_EQ(window->timePanel().hostList().FindHost(QStringLiteral("127.0.0.1")), 0);
    EXPECT_EQ(box()->itemText(0), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_EQ(status(), QStringLiteral("Times Match"));
    // A bare host: NTP first (the 4 bytes are no NTP reply), then the Time protocol.
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_EQ(server.requests[0].size(), 48);
    EXPECT_EQ(server.requests[1], QByteArray(1, '\0'));
}

TEST_F(TimeWindowTest, DeleteOnTheWholeTextRemovesTheEntryAtOnce) {
    const QByteArray file("a.example\r\nb.example\r\nc.example\r\n");
    start(&file);
    box()->setCurrentIndex(1);
    focusBox();
    box()->lineEdit()->selectAll();
    press(Qt::Key_Delete);
    EXPECT_EQ(items(), (QStringList{"a.example", "c.example"}));
    EXPECT_EQ(box()->currentText(), QStringLiteral("a.example"));
}

TEST_F(TimeWindowTest, BackspaceRemovesOnlyWhenTheWholeEntryWasSelected) {
    const QByteArray file("a.example\r\nb.example\r\n");
    start(&file);
    box()->setCurrentIndex(1);
    focusBox();
    box()->lineEdit()->end(false);
    for (int i = 0; i < 9; ++i) press(Qt::Key_Backspace);
    EXPECT_EQ(box()->currentText(), QString());
    leaveBox();
    EXPECT_EQ(box()->count(), 2);  // the last key press saw "b", no entry
    EXPECT_EQ(box()->currentText(), QStringLiteral("a.example"));

    box()->setCurrentIndex(1);
    focusBox();
    box()->lineEdit()->selectAll();
    press(Qt::Key_Backspace);
    EXPECT_EQ(box()->count(), 2);  // typing does not commit...
    leaveBox();
    EXPECT_EQ(items(), QStringList{"a.example"});  // ...leaving does
}

TEST_F(TimeWindowTest, DeletingTheLastEntryLeavesTheBoxEmpty) {
    const QByteArray file("only.example\r\n");
    start(&file);
    box()->setCurrentIndex(0);
    focusBox();
    box()->lineEdit()->selectAll();
    press(Qt::Key_Delete);
    leaveBox();
    EXPECT_EQ(box()->count(), 0);
    EXPECT_EQ(box()->currentText(), QString());
    window->close();
    EXPECT_EQ(TempDir::readAll(dir.file("Hosts.txt")), QByteArray());
}

TEST_F(TimeWindowTest, TypingStopsAt34CharactersButLongerEntriesStayWhole) {
    const QString longEntry = QString(40, QLatin1Char('x')) + QStringLiteral(".example");
    const QByteArray file = longEntry.toLatin1() + "\r\n";
    start(&file);
    box()->setCurrentIndex(0);
    EXPECT_EQ(box()->currentText(), longEntry);

    focusBox();
    box()->lineEdit()->selectAll();
    type(QString(40, QLatin1Char('y')));
    EXPECT_EQ(box()->currentText(), QString(34, QLatin1Char('y')));
}

TEST_F(TimeWindowTest, ChangingTheTextClearsTheStatus) {
    start();
    window->setStatusPanelText(0, QStringLiteral("Times Match"));
    focusBox();
    type(QStringLiteral("x"));
    EXPECT_EQ(status(), QString());
}

// ---- NTP answers ---------------------------------------------------------------

namespace {

// The server answers NTP with the PC's time plus `offsetMs` (the fake clock
// stands still, so the measured offset is exactly that and the delay 0).
void answerNtp(timesync_test::ScriptedTimeServer& server, double offsetMs, int stratum = 2, const char* kiss = nullptr) {
    server.respondWith([=](const QByteArray& request) {
        timesync_test::NtpReplyFields fields;
        fields.serverMs = static_cast<double>(noonMs(10)) + offsetMs;
        fields.stratum = stratum;
        if (kiss) fields.refid = kiss;
        return std::vector<timesync_test::ScriptedTimeServer::Datagram>{{timesync_test::ntpReply(request, fields)}};
    });
}

}  // namespace

struct NtpAnswerCase {
    const char* name;
    double offsetMs;
    const char* activeSync;
    const char* refusal;
    const char* status;
    UtcMs clockSetTo;  // 0: none
};

class NtpAnswer : public TimeWindowTest, public ::testing::WithParamInterface<NtpAnswerCase> {};

TEST_P(NtpAnswer, StepsTheClockByTheOffsetUnlessTheSystemKeepsIt) {
    const NtpAnswerCase& c = GetParam();
    start();
    syncMonitor.set(QString::fromLatin1(c.activeSync));
    if (*c.refusal) clock.failSetsWith(c.refusal);
    answerNtp(server, c.offsetMs);
    box()->setEditText(QStringLiteral("ntp:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_EQ(status(), QString::fromUtf8(c.status));
    EXPECT_EQ(clock.recordedSets(), c.clockSetTo ? std::vector<UtcMs>{c.clockSetTo} : std::vector<UtcMs>{});
    EXPECT_EQ(button()->text(), QStringLiteral("&Get Time"));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(messages.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, NtpAnswer,
    ::testing::Values(
        NtpAnswerCase{"PcBehindIsStepped", 1237.0, "", "", "Local PC was 1.237 s behind (NTP, \u00B10 ms, server stratum 2)",
                      noonMs(10) + 1237},
        NtpAnswerCase{"PcAheadIsStepped", -4200.0, "", "", "Local PC was 4.200 s ahead (NTP, \u00B10 ms, server stratum 2)",
                      noonMs(10) - 4200},
        NtpAnswerCase{"SyncActiveSmallOffsetLeftAlone", -300.0, "chronyd", "",
                      "Local PC was 0.300 s ahead (NTP, \u00B10 ms, server stratum 2); chronyd keeps the time, clock left alone",
                      0},
        NtpAnswerCase{"SyncActiveLargeOffsetStepped", 2000.0, "systemd-timesyncd", "",
                      "Local PC was 2.000 s behind (NTP, \u00B10 ms, server stratum 2); clock stepped although "
                      "systemd-timesyncd keeps the time",
                      noonMs(10) + 2000}),
    [](const auto& row) { return std::string(row.param.name); });

// An RFC 868 answer keeps its texts; a running sync is named after them.
TEST_F(TimeWindowTest, ATimeProtocolSetBesideARunningSyncSaysSo) {
    start();
    syncMonitor.set(QStringLiteral("chronyd"));
    server.answerWith({{replyAtNoon(5)}});
    box()->setEditText(QStringLiteral("time:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_EQ(status(), QStringLiteral("Local PC was 5 seconds ahead; chronyd keeps the time"));
    EXPECT_EQ(clock.recordedSets(), std::vector<UtcMs>{noonMs(5) + 600});
}

TEST_F(TimeWindowTest, AKissOfDeathIsShownByItsCodeAndTheClockIsLeftAlone) {
    start();
    answerNtp(server, 5000.0, 0, "RATE");
    box()->setEditText(QStringLiteral("ntp:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return button()->text() == QStringLiteral("&Get Time"); }));
    EXPECT_EQ(status(), QStringLiteral("127.0.0.1 refused the request: kiss-o'-death \"RATE\""));
    EXPECT_TRUE(clock.recordedSets().empty());
}

TEST_F(TimeWindowTest, NoNtpAnswerEndsWithAClearStatus) {
    start();
    box()->setEditText(QStringLiteral("ntp:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return button()->text() == QStringLiteral("&Get Time"); }));
    EXPECT_EQ(status(), QStringLiteral("No answer from 127.0.0.1 (NTP) within 300 ms"));
    EXPECT_TRUE(button()->isEnabled());
    EXPECT_TRUE(clock.recordedSets().empty());
}

// The clock refuses to be set: the displays run on the measured offset, with
// the mark, and the correction outlives the run until cleared.
TEST_F(TimeWindowTest, AClockThatCannotBeSetIsCorrectedOnTheDisplay) {
    start();
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->currentSlot(), 1);  // 12:00:10 on the PC clock
    clock.failSetsWith("Operation not permitted");
    answerNtp(server, -4200.0);
    box()->setEditText(QStringLiteral("ntp:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_EQ(status(), QString::fromUtf8("Local PC was 4.200 s ahead (NTP, \u00B10 ms, server stratum 2), but the clock "
                                          "could not be set: Operation not permitted"));
    EXPECT_EQ(window->clock().nowUtcMs(), noonMs(10) - 4200);
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->timePanel().utcLabel()->text(), QString::fromUtf8("12:00:05 UTC (corrected \u22124.2 s)"));
    EXPECT_EQ(window->currentSlot(), 0);  // the beacon of 12:00:05.8, the corrected time
    EXPECT_TRUE(window->timePanel().clearCorrectionAction()->isEnabled());

    // Saved at close, in force again at the next start.
    window->close();
    window.reset();
    start();
    EXPECT_EQ(window->clock().nowUtcMs(), noonMs(10) - 4200);
    window->timePanel().clearCorrectionAction()->trigger();
    EXPECT_EQ(window->clock().nowUtcMs(), noonMs(10));
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->timePanel().utcLabel()->text(), QStringLiteral("12:00:10, Thu 10 Dec 2026"));
}

TEST_F(TimeWindowTest, ACorrectionOlderThanADayIsDropped) {
    start();
    window->timePanel().setClockCorrection(timesync::ClockCorrection{-4200, noonMs(10) - 24LL * 3600 * 1000 - 1});
    EXPECT_FALSE(window->timePanel().clockCorrection().has_value());
    EXPECT_EQ(window->clock().nowUtcMs(), noonMs(10));
    // A newer measurement replaces the one in force: here a set that worked.
    window->timePanel().setClockCorrection(timesync::ClockCorrection{-4200, noonMs(10) - 1000});
    ASSERT_TRUE(window->timePanel().clockCorrection().has_value());
    answerNtp(server, 1000.0);
    box()->setEditText(QStringLiteral("ntp:127.0.0.1"));
    clickGetTime();
    ASSERT_TRUE(waitUntil([&] { return !window->timePanel().AwaitingTime(); }));
    EXPECT_FALSE(window->timePanel().clockCorrection().has_value());
}
