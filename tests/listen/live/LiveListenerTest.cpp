// The live listener: slots cut from a source's own thread reach the GUI
// thread by signal, for the beacon due on the band listened to.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <map>
#include <mutex>
#include <utility>
#include <thread>
#include <vector>

#include "beacons/Schedule.h"
#include "common/TimeTypes.h"
#include "listen/live/LiveListener.h"
#include "support/WaitUntil.h"

namespace orvane::listen {
namespace {

// 2026-12-10 14:00:00 UTC, a cycle start.
const std::int64_t kStart = msFromSystemTime(SystemTime{2026, 12, 4, 10, 14, 0, 0, 0});

// A source that delivers `seconds` of silence at 12 kHz from a thread of its
// own, in blocks of 100 ms from kStart on; or fails when started.
class ThreadSource final : public AudioSource {
public:
    ThreadSource(int seconds, QString failure) : seconds_(seconds), failure_(std::move(failure)) {}
    ~ThreadSource() override { stop(); }
    void start() override {
        if (!failure_.isEmpty()) {
            fail(failure_);
            return;
        }
        thread_ = std::thread([this] {
            const std::vector<float> block(1200, 0.0f);
            for (int i = 0; i < seconds_ * 10; ++i) deliver(kStart + i * 100, 12000, block);
        });
    }
    void stop() override {
        if (thread_.joinable()) thread_.join();
    }

private:
    int seconds_;
    QString failure_;
    std::thread thread_;
};

struct Heard {
    SlotResult result;
    QString call;
    bool onGuiThread;
};

std::vector<Heard> listen(LiveListener& listener) {
    std::vector<Heard> got;
    QObject::connect(&listener, &LiveListener::heard, &listener, [&](const SlotResult& r, const QString& call) {
        got.push_back({r, call, QThread::currentThread() == listener.thread()});
    });
    listener.start();
    waitUntil([&] { return got.size() >= 3; }, 20000);
    listener.stop();
    return got;
}

TEST(LiveListener, SlotsOnTheBandReachTheGuiThreadWithTheCall) {
    LiveListener listener([](const ListenSettings&) { return std::make_unique<ThreadSource>(30, QString()); });
    listener.listenOnBand(2);
    const std::vector<Heard> got = listen(listener);
    ASSERT_EQ(got.size(), 3u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        const SlotResult& r = got[i].result;
        EXPECT_TRUE(got[i].onGuiThread);
        EXPECT_EQ(r.periodStartMs, kStart + static_cast<std::int64_t>(i) * beacons::kSlotMs);
        EXPECT_EQ(r.band, 2);
        EXPECT_EQ(r.beaconIndex, beacons::slotIndexAt(r.periodStartMs, 2));
        EXPECT_FALSE(r.heard);  // silence
    }
    // At 14:00:00 the 21 MHz band carries slot 17, OA4B; then 18, YV5B; then 1, 4U1UN.
    EXPECT_EQ(got[0].call, QStringLiteral("OA4B"));
    EXPECT_EQ(got[1].call, QStringLiteral("YV5B"));
    EXPECT_EQ(got[2].call, QStringLiteral("4U1UN"));
}

TEST(LiveListener, AFollowedBeaconIsExpectedOnItsBand) {
    LiveListener listener([](const ListenSettings&) { return std::make_unique<ThreadSource>(30, QString()); });
    listener.listenFollowing(0);  // 4U1UN: 14.100, 18.110, 21.150 in the first three slots
    const std::vector<Heard> got = listen(listener);
    ASSERT_EQ(got.size(), 3u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].result.band, static_cast<int>(i));
        EXPECT_EQ(got[i].result.beaconIndex, 0);
        EXPECT_EQ(got[i].call, QStringLiteral("4U1UN"));
    }
}

TEST(LiveListener, ASourceThatFailsIsReportedAndListeningCanStop) {
    LiveListener listener(
        [](const ListenSettings&) { return std::make_unique<ThreadSource>(0, QStringLiteral("The audio input is gone.")); });
    QString message;
    QObject::connect(&listener, &LiveListener::failed, &listener, [&](const QString& m) {
        message = m;
        listener.stop();  // what the menu does
    });
    listener.start();
    ASSERT_TRUE(waitUntil([&] { return !message.isEmpty(); }));
    EXPECT_EQ(message, QStringLiteral("The audio input is gone."));
    EXPECT_FALSE(listener.listening());

    LiveListener none([](const ListenSettings&) { return std::unique_ptr<AudioSource>(); });
    QString noneMessage;
    QObject::connect(&none, &LiveListener::failed, &none, [&](const QString& m) { noneMessage = m; });
    none.start();
    EXPECT_EQ(noneMessage, QStringLiteral("There is no audio input."));
    EXPECT_FALSE(none.listening());
}

// A listening run's results and failures still queued when it stops are
// dropped: no result shows after "stopped", and an old failure cannot end
// the next run.
// Five inputs, four on bands of their own and the first following the band
// under the map: each gets a source of its own, and the slots of all reach
// heard() with the input they came in on.
TEST(LiveListener, EachInputIsHeardOnItsOwnBand) {
    ListenSettings settings{QStringLiteral("Radio A"), 700, QStringLiteral("a.monitor")};
    settings.MoreInputs = {{QStringLiteral("Radio B"), QString(), 0},
                           {QStringLiteral("Radio C"), QString(), 1},
                           {QString(), QStringLiteral("d.monitor"), 3},
                           {QStringLiteral("Radio E"), QString(), 4}};
    std::mutex mutex;
    QStringList asked;
    LiveListener listener([&](const ListenSettings& s) {
        const std::lock_guard lock(mutex);
        asked << s.Device + QLatin1Char('/') + s.DeviceId + QLatin1Char('/') + QString::number(s.Band);
        EXPECT_TRUE(s.MoreInputs.empty());
        return std::make_unique<ThreadSource>(30, QString());
    });
    listener.setSettings(settings);
    listener.listenOnBand(2);
    std::map<QString, std::vector<SlotResult>> byInput;
    QObject::connect(&listener, &LiveListener::heard, &listener,
                     [&](const SlotResult& r, const QString& call, const QString& input) {
                         EXPECT_EQ(QThread::currentThread(), listener.thread());
                         EXPECT_EQ(call.toStdString(), beacons::StationTable().entry(r.beaconIndex).call);
                         byInput[input].push_back(r);
                     });
    listener.start();
    EXPECT_TRUE(listener.listening());
    const auto all = [&] {
        std::size_t n = 0;
        for (const auto& [input, results] : byInput) n += results.size();
        return n;
    };
    ASSERT_TRUE(waitUntil([&] { return all() >= 15; }, 20000)) << all();
    listener.stop();
    EXPECT_EQ(asked, QStringList({"Radio A/a.monitor/-1", "Radio B//0", "Radio C//1", "/d.monitor/3", "Radio E//4"}));
    const std::map<QString, int> bandOf{{"Radio A", 2}, {"Radio B", 0}, {"Radio C", 1}, {"d.monitor", 3}, {"Radio E", 4}};
    ASSERT_EQ(byInput.size(), 5u);
    for (const auto& [input, results] : byInput) {
        ASSERT_TRUE(bandOf.count(input)) << input.toStdString();
        ASSERT_EQ(results.size(), 3u) << input.toStdString();
        for (std::size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i].band, bandOf.at(input)) << input.toStdString();
            EXPECT_EQ(results[i].periodStartMs, kStart + static_cast<std::int64_t>(i) * beacons::kSlotMs);
            EXPECT_EQ(results[i].beaconIndex, beacons::slotIndexAt(results[i].periodStartMs, results[i].band));
        }
    }
}

// One input of several failing ends the run, naming the input; an input
// the factory has no source for fails the start.
TEST(LiveListener, OneInputOfSeveralFailingEndsTheRunNamingIt) {
    ListenSettings settings{QStringLiteral("Radio A"), 700, QString()};
    settings.MoreInputs = {{QStringLiteral("Radio B"), QString(), 0}};
    LiveListener listener([](const ListenSettings& s) {
        return std::make_unique<ThreadSource>(
            s.Device == QLatin1String("Radio B") ? 0 : 30,
            s.Device == QLatin1String("Radio B") ? QStringLiteral("The audio input is gone.") : QString());
    });
    listener.setSettings(settings);
    QString message;
    QObject::connect(&listener, &LiveListener::failed, &listener, [&](const QString& m) {
        message = m;
        listener.stop();  // what the menu does
    });
    listener.start();
    ASSERT_TRUE(waitUntil([&] { return !message.isEmpty(); }));
    EXPECT_EQ(message, QStringLiteral("Radio B: The audio input is gone."));
    EXPECT_FALSE(listener.listening());

    LiveListener some([](const ListenSettings& s) {
        return s.Device == QLatin1String("Radio B") ? std::unique_ptr<AudioSource>()
                                                     : std::make_unique<ThreadSource>(0, QString());
    });
    some.setSettings(settings);
    QString someMessage;
    QObject::connect(&some, &LiveListener::failed, &some, [&](const QString& m) { someMessage = m; });
    some.start();
    EXPECT_EQ(someMessage, QStringLiteral("There is no audio input Radio B."));
    EXPECT_FALSE(some.listening());
}

TEST(LiveListener, NothingQueuedBeforeStopArrivesAfterIt) {
    // Run 1 delivers three slots from its own thread, run 2 fails, run 3
    // delivers nothing.
    const std::vector<std::pair<int, QString>> runs = {
        {30, QString()}, {0, QStringLiteral("The audio input is gone.")}, {0, QString()}};
    std::size_t started = 0;
    LiveListener listener([&](const ListenSettings&) {
        const auto& [seconds, failure] = runs.at(started++);
        return std::make_unique<ThreadSource>(seconds, failure);
    });
    int results = 0;
    QStringList failures;
    QObject::connect(&listener, &LiveListener::heard, &listener, [&](const SlotResult&, const QString&) { ++results; });
    QObject::connect(&listener, &LiveListener::failed, &listener, [&](const QString& m) {
        failures << m;
        listener.stop();  // what the menu does
    });

    listener.start();
    listener.stop();  // joins the source's thread: its three results are queued by now
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(results, 0);

    listener.start();  // fails; the failure is queued
    listener.start();  // a new run before the old failure was handled
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
    EXPECT_TRUE(listener.listening());
    EXPECT_EQ(started, 3u);
}

}  // namespace
}  // namespace orvane::listen
