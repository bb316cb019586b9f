// Listening in the main window on a fake clock and a fake audio source: the
// menu items, the results on the Monitor grid, the map's labels, the status
// bar and the CSV log; a failing source; the settings; the chart.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QRegularExpression>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/Orvane_maina.h"
#include "app/panels/ListenMenu.h"
#include "app/panels/MapPanel.h"
#include "app/panels/MonitorPanel.h"
#include "beacons/Schedule.h"
#include "common/FakeClock.h"
#include "common/IniFile.h"
#include "history/HistorySettings.h"
#include "history/SqliteHistory.h"
#include "history/ui/HistoryPanel.h"
#include "listen/DelayedAir.h"
#include "listen/live/ListenSettings.h"
#include "listen/ui/OpeningChart.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvane;
using namespace orvane::app;

namespace {

UtcMs noonMs(int minute, int second) {
    return (daysFromCivil(2026, 12, 10) * 86400 + 12 * 3600 + minute * 60 + second) * 1000;
}

// Delivers `seconds` of silence from `firstMs` on at once when started, on
// the calling thread; or fails.
class FakeSource final : public listen::AudioSource {
public:
    FakeSource(UtcMs firstMs, int seconds, QString failure)
        : firstMs_(firstMs), seconds_(seconds), failure_(std::move(failure)) {}
    void start() override {
        if (!failure_.isEmpty()) {
            fail(failure_);
            return;
        }
        const std::vector<float> block(1200, 0.0f);
        for (int i = 0; i < seconds_ * 10; ++i) deliver(firstMs_ + i * 100, 12000, block);
    }
    void stop() override {}

private:
    UtcMs firstMs_;
    int seconds_;
    QString failure_;
};

class ListenWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        clock.set(noonMs(0, 30));
        window = std::make_unique<TfrmTabbedOrvane>(clock, messages, nullptr, AppPaths::inDirectory(dir.path()));
        window->tickTimer()->stop();
        window->slotTimer()->stop();
        window->monitorPanel().secondTimer()->stop();
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousDir);
    }
    ListenMenu& menu() const { return window->listenMenu(); }
    QString logFile() const { return AppPaths::inDirectory(dir.path()).heardLogFileName(); }

    TempDir dir;
    FakeClock clock;
    RecordingMessageService messages;
    std::unique_ptr<TfrmTabbedOrvane> window;
    QString previousDir;
};

listen::SlotResult heardResult(UtcMs periodStartMs, int band, int beacon, int dashes) {
    listen::SlotResult r;
    r.periodStartMs = periodStartMs;
    r.band = band;
    r.beaconIndex = beacon;
    r.heard = dashes > 0;
    for (int i = 0; i < dashes; ++i) r.dashSnrDb[static_cast<std::size_t>(i)] = 20.0 - 10 * i;
    return r;
}

}  // namespace

TEST_F(ListenWindowTest, EachSlotGoesToTheGridTheStatusBarAndTheLog) {
    EXPECT_EQ(menu().listenItem()->text(), QStringLiteral("Listen"));
    EXPECT_EQ(menu().settingsItem()->text(), QStringLiteral("Listen settings..."));
    menu().setSourceFactory([](const listen::ListenSettings&) {
        return std::make_unique<FakeSource>(noonMs(0, 0), 30, QString());
    });
    menu().listenItem()->trigger();
    EXPECT_TRUE(menu().listening());
    EXPECT_TRUE(menu().listenItem()->isChecked());
    // Three slots on 14.100 MHz (the band shown): 4U1UN, VE8AT, W6WX, none heard.
    MonitorPanel& monitor = window->monitorPanel();
    for (int column = 0; column < 3; ++column) EXPECT_EQ(monitor.cellHeardLevel(column, 0), 0) << column;
    EXPECT_EQ(monitor.cellHeardLevel(3, 0), -1);  // not listened for
    EXPECT_EQ(monitor.cellHeardLevel(0, 1), -1);  // another band
    EXPECT_EQ(monitor.cellHeardText(1, 0), QStringLiteral("VE8AT 14.10: not heard, 20 s ago"));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Listen: W6WX 14.10 not heard"));
    EXPECT_EQ(TempDir::readAll(logFile()),
              QByteArray(listen::kHeardLogHeader) + "\n"
                  "2026-12-10T12:00:00Z,14.100,1,4U1UN,0,,,,,0.0,0\n"
                  "2026-12-10T12:00:10Z,14.100,2,VE8AT,0,,,,,0.0,0\n"
                  "2026-12-10T12:00:20Z,14.100,3,W6WX,0,,,,,0.0,0\n");

    // A heard beacon: its cell by the dashes heard, its label framed on the map.
    menu().showResult(heardResult(noonMs(0, 10), 0, 1, 3), QStringLiteral("VE8AT"));
    EXPECT_EQ(monitor.cellHeardLevel(1, 0), 3);
    EXPECT_EQ(monitor.cellHeardText(1, 0), QStringLiteral("VE8AT 14.10: 3 of 4 dashes, 20 s ago"));
    EXPECT_TRUE(window->mapPanel().beaconMarkedHeard(1));
    EXPECT_FALSE(window->mapPanel().beaconMarkedHeard(0));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Listen: VE8AT 14.10 heard, 3 of 4 dashes"));
    EXPECT_TRUE(TempDir::readAll(logFile()).endsWith("2026-12-10T12:00:10Z,14.100,2,VE8AT,1,20.0,10.0,0.0,,0.0,0\n"));

    // Another beacon's call keyed where W6WX was due: named in the status bar
    // and the cell's hint; the log has W6WX not heard.
    listen::SlotResult other = heardResult(noonMs(0, 20), 0, 2, 0);
    other.otherCall = QStringLiteral("VE8AT");
    menu().showResult(other, QStringLiteral("W6WX"));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Listen: W6WX 14.10 other VE8AT"));
    EXPECT_EQ(monitor.cellHeardLevel(2, 0), 0);
    EXPECT_EQ(monitor.cellHeardText(2, 0), QStringLiteral("W6WX 14.10: other VE8AT, 10 s ago"));
    EXPECT_TRUE(TempDir::readAll(logFile()).endsWith("2026-12-10T12:00:20Z,14.100,3,W6WX,0,,,,,0.0,0\n"));

    menu().listenItem()->trigger();  // off
    EXPECT_FALSE(menu().listening());
    EXPECT_FALSE(menu().listenItem()->isChecked());
    EXPECT_TRUE(messages.errors.empty());
}

// No result comes after listening stops: the map's frame goes once the
// beacon was not heard for a cycle, the grid's colour once the result is
// half an hour old, both at a slot shown with no result of its own.
TEST_F(ListenWindowTest, HeardMarksAgeOutWithoutNewResults) {
    menu().showResult(heardResult(noonMs(0, 10), 0, 1, 3), QStringLiteral("VE8AT"));
    MonitorPanel& monitor = window->monitorPanel();
    struct Case {
        const char* when;
        UtcMs nowMs;
        bool framed;
        int level;
    };
    const Case cases[] = {
        {"the next slot", noonMs(0, 20), true, 3},
        {"a cycle after the slot", noonMs(3, 20), false, 3},
        {"half an hour after the slot", noonMs(30, 10), false, 3},
        {"half an hour and a slot after it", noonMs(30, 20), false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        clock.set(c.nowMs);
        window->UpdateBeaconSlot(false);
        EXPECT_EQ(window->mapPanel().beaconMarkedHeard(1), c.framed);
        EXPECT_EQ(monitor.cellHeardLevel(1, 0), c.level);
        EXPECT_EQ(monitor.cellHeardText(1, 0).isEmpty(), c.level < 0);
    }
}

TEST_F(ListenWindowTest, AFailingSourceEndsListeningWithTheReason) {
    menu().setSourceFactory([](const listen::ListenSettings&) {
        return std::make_unique<FakeSource>(0, 0, QStringLiteral("The audio input \"USB\" is not there."));
    });
    menu().listenItem()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !menu().listenItem()->isChecked(); }));
    EXPECT_FALSE(menu().listening());
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Listen: The audio input \"USB\" is not there."));
}

TEST_F(ListenWindowTest, ALogThatCannotBeWrittenIsSaidOnceAndListeningGoesOn) {
    QDir(dir.path()).mkdir(QFileInfo(logFile()).fileName());  // a folder where the log would be
    menu().setSourceFactory([](const listen::ListenSettings&) {
        return std::make_unique<FakeSource>(noonMs(0, 0), 20, QString());
    });
    menu().listenItem()->trigger();
    EXPECT_TRUE(menu().listening());
    // Two slots, one message; both slots still shown.
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(QString::fromStdString(messages.errors[0]),
              QStringLiteral("Unable to write to %1: Is a directory").arg(logFile()));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Listen: VE8AT 14.10 not heard"));
    EXPECT_EQ(window->monitorPanel().cellHeardLevel(0, 0), 0);
    EXPECT_EQ(window->monitorPanel().cellHeardLevel(1, 0), 0);
}

// Delivers `audio` at 12 kHz from `firstMs` on at once when started, on the calling thread.
class RecordingSource final : public listen::AudioSource {
public:
    RecordingSource(std::vector<float> audio, UtcMs firstMs) : audio_(std::move(audio)), firstMs_(firstMs) {}
    void start() override {
        for (std::size_t i = 0; i + 1200 <= audio_.size(); i += 1200)
            deliver(firstMs_ + static_cast<UtcMs>(i / 12), 12000, std::span<const float>(audio_.data() + i, 1200));
    }
    void stop() override {}

private:
    std::vector<float> audio_;
    UtcMs firstMs_;
};

// The default input's delay is auto and its receiver lags the air by 0.8 s:
// the status bar says the delay found, and it is kept for the input.
TEST_F(ListenWindowTest, AnAutomaticAudioDelayIsShownAndKeptForTheInput) {
    const QString ini = AppPaths::inDirectory(dir.path()).iniFileName();
    {
        listen::ListenSettings s;
        s.setDelay({true, 0});
        IniFile file(ini);
        listen::SaveListenIni(file, s);
    }
    const DelayedAir air{.delayMs = 800, .snrDb = -10, .keyed = {0, 1, 2, 3, 4}};
    menu().setSourceFactory([&](const listen::ListenSettings&) {
        return std::make_unique<RecordingSource>(air.render(12000, noonMs(0, 0), 5), air.startMs(noonMs(0, 0)));
    });
    menu().listenItem()->trigger();
    const QString status = window->statusPanelText(1);
    const QRegularExpressionMatch shown =
        QRegularExpression(QStringLiteral("^Listen: \\S+ 14.10 .*; audio delay \\+(\\d+) ms$")).match(status);
    ASSERT_TRUE(shown.hasMatch()) << status.toStdString();
    EXPECT_NEAR(shown.captured(1).toDouble(), 800, 30);
    const listen::ReceiveDelay kept = listen::ReadListenIni(IniFile(ini)).delay();
    EXPECT_TRUE(kept.automatic);
    EXPECT_NEAR(kept.ms, 800, 30);
    menu().listenItem()->trigger();  // off
    EXPECT_TRUE(messages.errors.empty());
}

TEST_F(ListenWindowTest, TheSettingsAreSavedAndUsedAtTheNextStart) {
    std::vector<listen::ListenSettings> used;
    menu().setSourceFactory([&](const listen::ListenSettings& s) {
        used.push_back(s);
        return std::make_unique<FakeSource>(noonMs(0, 0), 1, QString());
    });
    menu().setSettingsDialog([](const QStringList&, const listen::ListenSettings& current) {
        EXPECT_EQ(current, listen::ListenSettings{});
        return std::optional(listen::ListenSettings{QStringLiteral("USB Audio CODEC"), 650});
    });
    menu().settingsItem()->trigger();
    EXPECT_EQ(listen::ReadListenIni(IniFile(AppPaths::inDirectory(dir.path()).iniFileName())),
              (listen::ListenSettings{QStringLiteral("USB Audio CODEC"), 650}));
    menu().listenItem()->trigger();
    ASSERT_EQ(used.size(), 1u);
    EXPECT_EQ(used[0].Device, QStringLiteral("USB Audio CODEC"));
    EXPECT_EQ(used[0].PitchHz, 650);
    // Changed while listening: listening starts again with the new settings.
    menu().setSettingsDialog([](const QStringList&, const listen::ListenSettings&) {
        return std::optional(listen::ListenSettings{QString(), 800});
    });
    menu().settingsItem()->trigger();
    ASSERT_EQ(used.size(), 2u);
    EXPECT_EQ(used[1].PitchHz, 800);
    EXPECT_TRUE(menu().listening());
}

// Five receivers, one a band: each input's source is asked for with its own
// device and band, and the slots of all five fill the Monitor grid's five
// rows and go to the one history.
TEST_F(ListenWindowTest, FiveInputsFillEveryBandOfTheGrid) {
    listen::ListenSettings five{QStringLiteral("Radio 1"), 700, QString()};
    five.Band = 0;
    for (int band = 1; band < 5; ++band)
        five.MoreInputs.push_back({QStringLiteral("Radio %1").arg(band + 1), QString(), band});
    menu().setSettingsDialog([&](const QStringList&, const listen::ListenSettings&) { return std::optional(five); });
    menu().settingsItem()->trigger();
    QStringList asked;
    menu().setSourceFactory([&](const listen::ListenSettings& s) {
        asked << QStringLiteral("%1 on %2").arg(s.Device).arg(s.Band);
        return std::make_unique<FakeSource>(noonMs(0, 0), 30, QString());
    });
    menu().listenItem()->trigger();
    EXPECT_TRUE(menu().listening());
    EXPECT_EQ(asked, QStringList({"Radio 1 on 0", "Radio 2 on 1", "Radio 3 on 2", "Radio 4 on 3", "Radio 5 on 4"}));
    MonitorPanel& monitor = window->monitorPanel();
    // A column is a slot of the cycle; each band's row has its beacon there.
    for (int band = 0; band < 5; ++band)
        for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(monitor.cellHeardLevel(slot, band), 0) << band << ' ' << slot;
    EXPECT_EQ(monitor.cellHeardLevel(3, 4), -1);  // not listened for
    window.reset();
    history::SqliteHistory store(AppPaths::inDirectory(dir.path()).historyFileName());
    EXPECT_EQ(store.hours({}).size(), 15u);
}

TEST_F(ListenWindowTest, TheChartShowsTheResultsAndSavesAsPng) {
    menu().showResult(heardResult(noonMs(0, 10), 0, 1, 4), QStringLiteral("VE8AT"));
    menu().chartItem()->trigger();
    ASSERT_NE(menu().chartWindow(), nullptr);
    EXPECT_TRUE(menu().chartWindow()->isVisible());
    const QString png = dir.file(QStringLiteral("openings.png"));
    QString reason;
    ASSERT_TRUE(menu().chart()->exportPng(png, &reason)) << reason.toStdString();
    const QImage saved(png);
    EXPECT_EQ(saved.size(), menu().chart()->image().size());
    EXPECT_FALSE(menu().chart()->exportPng(dir.file(QStringLiteral("no/such/folder/x.png")), &reason));
    EXPECT_FALSE(reason.isEmpty());
}

// Each slot goes to the history database named in the settings (the default
// file beside the settings here) under the receiver named there; closing the
// window normally writes what waits, before the writer's interval.
TEST_F(ListenWindowTest, EachSlotIsKeptInTheHistoryAndNothingIsLostOnClosing) {
    IniFile ini(AppPaths::inDirectory(dir.path()).iniFileName());
    ini.writeString("History", "Receiver", "G4ABC");
    menu().setSourceFactory([](const listen::ListenSettings&) {
        return std::make_unique<FakeSource>(noonMs(0, 0), 30, QString());
    });
    menu().listenItem()->trigger();
    ASSERT_NE(menu().database(), nullptr);
    EXPECT_EQ(menu().database()->url(), "sqlite:" + AppPaths::inDirectory(dir.path()).historyFileName());
    menu().showResult(heardResult(noonMs(0, 30), 0, 3, 2), QStringLiteral("KH6WO"));
    window.reset();

    history::SqliteHistory store(AppPaths::inDirectory(dir.path()).historyFileName());
    const std::vector<history::HourCell> cells = store.hours({});
    ASSERT_EQ(cells.size(), 4u);  // 4U1UN, VE8AT, W6WX, KH6WO on 14.10 at 12 UTC
    for (const history::HourCell& c : cells) {
        EXPECT_EQ(c.listened, 1) << c.beacon;
        EXPECT_EQ(c.heard, c.beacon == 3 ? 1 : 0) << c.beacon;
    }
    ASSERT_EQ(store.receivers().size(), 1u);
    EXPECT_EQ(store.receivers()[0].name, QStringLiteral("G4ABC"));
}

// A database that cannot be written: the status bar says so while it fails,
// the results wait for it, and listening goes on.
TEST_F(ListenWindowTest, AnUnwritableHistoryIsSaidInTheStatusBarAndListeningGoesOn) {
    IniFile(AppPaths::inDirectory(dir.path()).iniFileName()).writeString("History", "Database", "sqlite:" + dir.path());
    menu().setSourceFactory([](const listen::ListenSettings&) {
        return std::make_unique<FakeSource>(noonMs(0, 0), 10, QString());
    });
    menu().listenItem()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !menu().database()->failure().isEmpty(); }, 60'000));
    EXPECT_TRUE(window->statusPanelText(1).contains("not a regular file")) << window->statusPanelText(1).toStdString();
    menu().showResult(heardResult(noonMs(0, 10), 0, 1, 3), QStringLiteral("VE8AT"));
    EXPECT_TRUE(menu().listening());
    const QString status = window->statusPanelText(1);
    EXPECT_TRUE(status.startsWith("Listen: VE8AT 14.10 heard, 3 of 4 dashes; History: ")) << status.toStdString();
    EXPECT_TRUE(status.contains("not a regular file")) << status.toStdString();
    EXPECT_EQ(menu().database()->writer().counts().queued, 2u);  // 4U1UN's slot and this one
}

// "History..." follows "Openings chart..." and opens the History window on
// the settings' database (the default file beside the settings here) with
// this station's receiver chosen.
TEST_F(ListenWindowTest, TheHistoryWindowShowsTheSettingsDatabase) {
    const QList<QAction*> items = qobject_cast<QWidget*>(menu().chartItem()->parent())->actions();
    ASSERT_TRUE(items.contains(menu().historyItem()));
    EXPECT_EQ(items.indexOf(menu().historyItem()), items.indexOf(menu().chartItem()) + 1);

    IniFile(AppPaths::inDirectory(dir.path()).iniFileName()).writeString("History", "Receiver", "G4ABC");
    const std::int64_t slot = noonMs(0, 30);
    {
        history::SqliteHistory store(AppPaths::inDirectory(dir.path()).historyFileName());
        for (const char* receiver : {"G4ABC", "DL1XYZ"}) {
            history::SlotRecord r;
            r.slotStartMs = slot;
            r.band = 0;
            r.outcome = receiver[0] == 'G' ? history::Outcome::Heard : history::Outcome::NotHeard;
            const std::array records{r};
            store.add({QString::fromLatin1(receiver), "JO22"}, records);
        }
    }
    menu().historyItem()->trigger();
    ASSERT_NE(menu().historyWindow(), nullptr);
    EXPECT_TRUE(menu().historyWindow()->isVisible());
    history::ui::HistoryPanel& panel = *menu().historyPanel();
    EXPECT_EQ(panel.url(), "sqlite:" + AppPaths::inDirectory(dir.path()).historyFileName());
    ASSERT_TRUE(waitUntil([&] { return !panel.reading() && !panel.lastReading().receivers.empty(); }, 60'000));
    EXPECT_EQ(panel.receiver(), "G4ABC");
    const int beacon = beacons::slotIndexAt(slot, 0);
    EXPECT_EQ(panel.grid()->grid().at(beacon, 12).heard, 1);
    EXPECT_EQ(panel.grid()->grid().at(beacon, 12).listened, 1);
    EXPECT_EQ(panel.bestList()->count(), 1);
}
