// Following a beacon with a real rigctld (dummy rig) through Hamlib's
// network model, on a fake clock: the frequency of each slot read back from
// the rig, no transmit command ever sent, and a rig that never answers.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "beacons/BandPlan.h"
#include "common/FakeClock.h"
#include "rig/RigFollower.h"
#include "support/RigctldServer.h"
#include "support/WaitUntil.h"

namespace orvane::rig {
namespace {

constexpr std::int64_t kNoon = 1'767'268'800'000;  // 2026-01-01 12:00:00 UTC, a cycle start

RigSettings networkRig(const QString& address, int timeoutMs = 2000) {
    return RigSettings{2, address, 0, timeoutMs};
}

double readBack(const RigctldServer& server) { return server.frequencyHz(); }

struct Tuning {
    qint64 slotStartMs;
    double hz;
    int beaconIndex;
};

class RigFollowerTest : public testing::Test {
protected:
    RigFollowerTest() : follower(clock, makeHamlibRig) {
        QObject::connect(&follower, &RigFollower::tuned, [this](qint64 slot, double hz, int index, qint64) {
            tunings.push_back({slot, hz, index});
        });
        QObject::connect(&follower, &RigFollower::failed, [this](const QString& m) { failures << m; });
    }

    FakeClock clock{kNoon};
    RigFollower follower;
    std::vector<Tuning> tunings;
    QStringList failures;
};

TEST_F(RigFollowerTest, FollowsABeaconThroughTheBandsAheadOfEachSlot) {
    RigctldServer server;
    follower.setSettings(networkRig(server.address()));
    // Slot 4 transmits at 12:00:30 on 14.100, then one band up every 10 s,
    // and again at 12:03:30 on 14.100.
    follower.follow(3);
    const std::int64_t starts[] = {30'000, 40'000, 50'000, 60'000, 70'000, 210'000};
    const int bands[] = {0, 1, 2, 3, 4, 0};
    for (std::size_t k = 0; k < std::size(starts); ++k) {
        SCOPED_TRACE(k);
        if (k > 0) {
            // The next tuning is due a little before the slot; run it then.
            EXPECT_EQ(follower.nextTuneAtMs(), kNoon + starts[k] - RigFollower::kLeadMs);
            clock.set(follower.nextTuneAtMs());
            follower.step();
        }
        ASSERT_TRUE(waitUntil([&] { return tunings.size() == k + 1 || !failures.isEmpty(); }, 10000));
        ASSERT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
        EXPECT_EQ(tunings[k].slotStartMs, kNoon + starts[k]);
        EXPECT_EQ(tunings[k].hz, beacons::kBandFrequenciesHz[static_cast<std::size_t>(bands[k])]);
        EXPECT_EQ(tunings[k].beaconIndex, 3);
        // Set before the slot begins: the clock still reads before it.
        EXPECT_LT(clock.nowUtcMs(), tunings[k].slotStartMs);
        EXPECT_EQ(readBack(server), tunings[k].hz);
    }
    // A step between tunings (an early timer) sends nothing new.
    clock.set(kNoon + 100'000);
    follower.step();
    EXPECT_EQ(follower.pending(), 0);

    // Stopping leaves the rig where it is.
    follower.stop();
    EXPECT_FALSE(follower.following());
    EXPECT_EQ(readBack(server), beacons::kBandFrequenciesHz[0]);

    // The transmitter was never keyed: no PTT or CW keying command reached
    // the rig.
    const QByteArray log = server.log().toLower();
    EXPECT_TRUE(log.contains("set_freq")) << "the log shows the commands";
    for (const char* command : {"set_ptt", "send_morse", "send_voice", "set_trn"})
        EXPECT_FALSE(log.contains(command)) << command;
}

TEST_F(RigFollowerTest, StayOnBandTunesOnce) {
    RigctldServer server;
    follower.setSettings(networkRig(server.address()));
    follower.stayOnBand(2);
    ASSERT_TRUE(waitUntil([&] { return !tunings.empty() || !failures.isEmpty(); }, 10000));
    ASSERT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
    EXPECT_EQ(tunings[0].hz, 21.150e6);
    EXPECT_EQ(tunings[0].beaconIndex, -1);
    EXPECT_FALSE(follower.following());
    EXPECT_EQ(readBack(server), 21.150e6);
}

TEST_F(RigFollowerTest, NewSettingsReachTheRigTheyName) {
    RigctldServer first, second;
    follower.setSettings(networkRig(first.address()));
    follower.stayOnBand(2);
    ASSERT_TRUE(waitUntil([&] { return tunings.size() == 1 || !failures.isEmpty(); }, 10000));
    // Another radio, then following: the tuning goes to the new one.
    follower.setSettings(networkRig(second.address()));
    follower.follow(3);
    ASSERT_TRUE(waitUntil([&] { return tunings.size() == 2 || !failures.isEmpty(); }, 10000));
    ASSERT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
    EXPECT_EQ(readBack(second), 14.100e6);
    EXPECT_EQ(readBack(first), 21.150e6);
}

TEST_F(RigFollowerTest, AnEmptyPortLeavesHamlibsDefault) {
    // The network model's default is rigctld on localhost:4532; an empty
    // port must leave it so, not replace it with an empty path.
    constexpr quint16 kHamlibDefaultPort = 4532;
    if (!RigctldServer::portIsFree(kHamlibDefaultPort)) GTEST_SKIP() << "port 4532 is in use here";
    RigctldServer server(kHamlibDefaultPort);
    follower.setSettings(RigSettings{2, QString(), 0, 2000});
    follower.stayOnBand(1);
    ASSERT_TRUE(waitUntil([&] { return tunings.size() == 1 || !failures.isEmpty(); }, 10000));
    ASSERT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
    EXPECT_EQ(readBack(server), 18.110e6);
}

// A tuning asked for before "stop" but still opening the rig when it came
// never reaches the radio.
TEST(RigFollowerStaleWork, ATuningOverTakenByStopLeavesTheRadioAlone) {
    RigctldServer server;
    const double before = readBack(server);
    ASSERT_NE(before, 21.150e6);
    // The worker holds in the factory until the test has stopped the
    // follower; both sides wait on the condition variable, never on time
    // (a worker that never comes is ended by the test's time-out).
    std::mutex mutex;
    std::condition_variable changed;
    bool opening = false;
    bool released = false;
    FakeClock clock{kNoon};
    RigFollower follower(clock, [&](const RigSettings& settings) {
        {
            std::unique_lock lock(mutex);
            opening = true;
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
        }
        return makeHamlibRig(settings);
    });
    QStringList failures;
    int tunings = 0;
    QObject::connect(&follower, &RigFollower::tuned, [&](qint64, double, int, qint64) { ++tunings; });
    QObject::connect(&follower, &RigFollower::failed, [&](const QString& m) { failures << m; });
    follower.setSettings(networkRig(server.address()));
    follower.stayOnBand(2);
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return opening; });
    }
    follower.stop();
    {
        const std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    ASSERT_TRUE(waitUntil([&] { return follower.pending() == 0; }, 10000));
    EXPECT_EQ(tunings, 0);
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
    EXPECT_EQ(readBack(server), before);
}

// Two tunings queued while the first opens the rig; the open fails: the
// second is dropped, not a second try of the whole open.
TEST(RigFollowerStaleWork, AFailedOpenIsNotTriedAgainByWorkAlreadyQueued) {
    std::mutex mutex;
    std::condition_variable changed;
    int opens = 0;
    bool released = false;
    FakeClock clock{kNoon};
    RigFollower follower(clock, [&](const RigSettings&) -> std::unique_ptr<Rig> {
        std::unique_lock lock(mutex);
        ++opens;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        throw std::runtime_error("Radio: cannot open: IO error");
    });
    QStringList failures;
    QObject::connect(&follower, &RigFollower::failed, [&](const QString& m) { failures << m; });
    follower.setSettings(networkRig(QStringLiteral("127.0.0.1:1")));
    follower.follow(3);
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return opens > 0; });
    }
    // The next band's tuning, queued behind the open in progress.
    clock.set(follower.nextTuneAtMs());
    follower.step();
    {
        const std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    ASSERT_TRUE(waitUntil([&] { return follower.pending() == 0; }, 10000));
    EXPECT_EQ(failures, QStringList{QStringLiteral("Radio: cannot open: IO error")});
    const std::lock_guard lock(mutex);
    EXPECT_EQ(opens, 1);
}

TEST_F(RigFollowerTest, RigThatCannotBeOpenedStopsFollowingWithHamlibsText) {
    follower.setSettings(networkRig(QStringLiteral("127.0.0.1:%1").arg(RigctldServer::freeTcpPort())));
    follower.follow(0);
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }, 10000));
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("Radio: cannot open: "))) << failures[0].toStdString();
    // Hamlib's own text, one line, without its debug trace.
    EXPECT_EQ(failures[0], QStringLiteral("Radio: cannot open: IO error"));
    EXPECT_FALSE(follower.following());
    EXPECT_TRUE(tunings.empty());
    // Shown once: nothing more arrives.
    waitUntil([&] { return follower.pending() == 0; }, 5000);
    EXPECT_EQ(failures.size(), 1);
}

TEST_F(RigFollowerTest, RigThatNeverAnswersEndsWithinItsTimeOutAndNeverBlocksTheLoop) {
    // A listener that accepts and then stays silent.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    std::vector<QTcpSocket*> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = silent.nextPendingConnection()) held.push_back(s);
    });
    follower.setSettings(networkRig(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()), 300));
    follower.follow(0);
    // The loop keeps turning while the rig call waits on the worker thread.
    int turnsWhileWaiting = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (follower.pending() > 0) ++turnsWhileWaiting;
    });
    tick.start(10);
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }, 30000));
    EXPECT_GT(turnsWhileWaiting, 0);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("Radio: cannot "))) << failures[0].toStdString();
    EXPECT_FALSE(follower.following());
    EXPECT_EQ(failures.size(), 1);
}

}  // namespace
}  // namespace orvane::rig
