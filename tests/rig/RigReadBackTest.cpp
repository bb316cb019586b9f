// While following, the frequency the radio itself reports after each tuning:
// Hamlib's dummy rig behind a real rigctld, and a radio that tunes in steps
// (which the dummy rig cannot be made to do).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "beacons/BandPlan.h"
#include "common/FakeClock.h"
#include "rig/RigFollower.h"
#include "support/RigctldServer.h"
#include "support/WaitUntil.h"

namespace orvane::rig {
namespace {

constexpr std::int64_t kNoon = 1'767'268'800'000;  // 2026-01-01 12:00:00 UTC, a cycle start

// Tunes in 500 Hz steps, as some receivers' CW mode does; the read-back
// shows where it really went. Reading fails when asked to.
class SteppedRig final : public Rig {
public:
    explicit SteppedRig(bool failRead) : failRead_(failRead) {}
    void open() override {}
    void tune(double hz) override { hz_ = std::floor(hz / 500.0) * 500.0 + 250.0; }
    double frequencyHz() override {
        if (failRead_) throw RigError("Radio: cannot read the frequency: not supported");
        return hz_;
    }
    void close() override {}

private:
    bool failRead_;
    double hz_ = 0;
};

struct ReadBack {
    std::vector<double> asked, read;
};

void record(RigFollower& follower, ReadBack& r) {
    QObject::connect(&follower, &RigFollower::tuned, [&r](qint64, double hz, int, qint64) { r.asked.push_back(hz); });
    QObject::connect(&follower, &RigFollower::frequencyRead, [&r](double hz) { r.read.push_back(hz); });
}

TEST(RigReadBack, EachTuningIsFollowedByWhatTheRadioReports) {
    RigctldServer server;
    FakeClock clock{kNoon};
    RigFollower follower(clock, makeHamlibRig);
    ReadBack r;
    record(follower, r);
    follower.setSettings(RigSettings{2, server.address(), 0, 2000});
    follower.stayOnBand(2);
    ASSERT_TRUE(waitUntil([&] { return !r.read.empty(); }, 10000));
    EXPECT_EQ(r.asked, std::vector<double>{21.150e6});
    EXPECT_EQ(r.read, std::vector<double>{21.150e6});
    // Following: one reading per band change.
    follower.follow(3);  // slot 4 at 12:00:30 on 14.100
    ASSERT_TRUE(waitUntil([&] { return r.read.size() == 2; }, 10000));
    EXPECT_EQ(r.read.back(), 14.100e6);
    follower.stop();
}

// Two tunings of one follow: the worker answers them in order, so once the
// second is confirmed, the first's reading has arrived if there was one.
TEST(RigReadBack, TheRadiosOwnFigureAndAFailedReadThatChangesNothing) {
    struct Case {
        const char* name;
        bool failRead;
        std::vector<double> read;
    };
    const Case cases[] = {
        {"Stepped", false, {14.100250e6, 18.110250e6}},
        {"NoReading", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock{kNoon};
        const bool failRead = c.failRead;
        RigFollower follower(clock, [failRead](const RigSettings&) { return std::make_unique<SteppedRig>(failRead); });
        ReadBack r;
        record(follower, r);
        QStringList failures;
        QObject::connect(&follower, &RigFollower::failed, [&](const QString& m) { failures << m; });
        follower.follow(3);  // 14.100 at 12:00:30, 18.110 at 12:00:40
        clock.set(follower.nextTuneAtMs());
        follower.step();
        ASSERT_TRUE(waitUntil([&] { return r.asked.size() == 2; }, 10000));
        if (!c.read.empty()) {
            ASSERT_TRUE(waitUntil([&] { return r.read.size() == c.read.size(); }, 10000));
        }
        EXPECT_EQ(r.asked, (std::vector<double>{14.100e6, 18.110e6}));
        EXPECT_EQ(r.read, c.read);
        EXPECT_TRUE(failures.isEmpty());
        EXPECT_TRUE(follower.following());
        follower.stop();
    }
}

}  // namespace
}  // namespace orvane::rig
