#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/TimeTypes.h"
#include "map/Terminator.h"

using namespace orvane;
using namespace orvane::map;

namespace {

std::vector<std::int32_t> project(int w, int h, double dec) {
    std::vector<std::int32_t> t(static_cast<std::size_t>(h));
    ProjectIllumination(t.data(), w, h, dec);
    return t;
}

bool inSpan(int x, int noon, std::int32_t half, int w) {
    if (half < 0) return false;
    const int left = ((noon - half) % w + w) % w;
    return ((x - left) % w + w) % w < 2 * half;
}

// The invariant: every row shows exactly the span of table around noon.
::testing::AssertionResult maskShows(const IlluminationMask& mask, const std::vector<std::int32_t>& table, int noon) {
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.isDay(x, y) != inSpan(x, noon, table[static_cast<std::size_t>(y)], mask.width()))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " noon " << noon;
    return ::testing::AssertionSuccess();
}

UtcMoment at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

}  // namespace

TEST(ProjectIllumination, JuneSolsticeRows) {
    const auto t = project(480, 240, 23.44);
    for (int r = 0; r <= 31; ++r) EXPECT_EQ(t[static_cast<std::size_t>(r)], 240) << r;
    EXPECT_NE(t[32], 240);
    for (int r = 209; r <= 239; ++r) EXPECT_EQ(t[static_cast<std::size_t>(r)], -1) << r;
    EXPECT_NE(t[208], -1);
    for (int r = 118; r <= 121; ++r) EXPECT_NEAR(t[static_cast<std::size_t>(r)], 120, 1) << r;
}

// Away from the polar circles every row agrees with the half-day arc of
// spherical astronomy, cos h = -tan(lat) tan(dec), to within the pixel
// rounding of the method.
TEST(ProjectIllumination, RowsFollowTheHalfDayArc) {
    for (double dec : {23.44, -23.44, 10.0, -5.0, 0.5}) {
        const auto t = project(480, 240, dec);
        for (int r = 40; r < 200; ++r) {
            const double lat = (90.0 - (r + 0.5) * 0.75) * kDegToRad;
            const double h = std::acos(-std::tan(lat) * std::tan(dec * kDegToRad)) * kRadToDeg;
            EXPECT_NEAR(t[static_cast<std::size_t>(r)], h * 480 / 360, 2.5) << dec << " row " << r;
        }
    }
}

TEST(ProjectIllumination, DecemberSolsticeMirrorsTheFullRows) {
    const auto t = project(480, 240, -23.44);
    for (int r = 0; r <= 30; ++r) EXPECT_EQ(t[static_cast<std::size_t>(r)], -1) << r;
    for (int r = 208; r <= 239; ++r) EXPECT_EQ(t[static_cast<std::size_t>(r)], 240) << r;
    // Rows in between are lit for less than half the day in the north.
    for (int r = 31; r < 120; ++r) EXPECT_LE(t[static_cast<std::size_t>(r)], 120) << r;
}

TEST(ProjectIllumination, EquinoxRows) {
    struct Case {
        const char* name;
        double dec;
        std::vector<std::pair<int, std::int32_t>> rows;
    };
    const Case cases[] = {
        {"March2026", -0.042, {{0, 1}, {1, 59}, {2, 118}, {238, 240}, {239, 240}}},
        {"ExactlyZero", 0.0, {{0, 240}, {238, 1}, {239, -1}}},
    };
    for (const Case& c : cases) {
        const auto t = project(480, 240, c.dec);
        for (auto [row, value] : c.rows) EXPECT_EQ(t[static_cast<std::size_t>(row)], value) << c.name << " row " << row;
    }
    const auto march = project(480, 240, -0.042);
    for (int r = 5; r <= 234; ++r) {
        EXPECT_GE(march[static_cast<std::size_t>(r)], 119) << r;
        EXPECT_LE(march[static_cast<std::size_t>(r)], 121) << r;
    }
}

TEST(ProjectIllumination, EntriesAreInRangeAndThePoleFacingTheSunIsLit) {
    for (double dec = -23.5; dec <= 23.5; dec += 0.37) {
        for (auto [w, h] : {std::pair{480, 240}, {100, 50}, {1920, 960}, {37, 19}}) {
            const auto t = project(w, h, dec);
            for (std::int32_t v : t) {
                EXPECT_NE(v, 0);
                EXPECT_GE(v, -1);
                EXPECT_LE(v, w / 2);
            }
            EXPECT_EQ(dec >= 0 ? t.front() : t.back(), w / 2) << dec << " " << w;
        }
    }
}

TEST(ToggleSpan, WrapsAtTheRightEdge) {
    IlluminationMask mask(10, 2);
    ToggleSpan(mask, 1, 8, 4);  // columns 8, 9, 0, 1
    for (int x = 0; x < 10; ++x) EXPECT_EQ(mask.isDay(x, 1), x <= 1 || x >= 8) << x;
    for (int x = 0; x < 10; ++x) EXPECT_FALSE(mask.isDay(x, 0));
    ToggleSpan(mask, 1, 18, 2);  // left taken modulo the width: columns 8, 9 again
    EXPECT_FALSE(mask.isDay(8, 1));
    EXPECT_FALSE(mask.isDay(9, 1));
    ToggleSpan(mask, 1, 3, 0);
    EXPECT_EQ(mask.flipCount(), 6u);
}

TEST(MoveTerminator, RandomMovesKeepTheMaskEqualToTheSpans) {
    std::mt19937 rng(20260621);
    for (auto [w, h] : {std::pair{480, 240}, {64, 32}, {33, 17}}) {
        IlluminationMask mask(w, h);
        std::vector<std::int32_t> shown(static_cast<std::size_t>(h), kRowDark);
        int noon = -1;
        std::uniform_int_distribution<int> column(0, w - 1), step(-3, 3), kind(0, 3);
        std::uniform_real_distribution<double> dec(-23.5, 23.5);
        std::vector<std::int32_t> next = project(w, h, dec(rng));
        for (int move = 0; move < 150; ++move) {
            int newNoon = noon < 0 ? column(rng) : ((noon + step(rng)) % w + w) % w;
            switch (kind(rng)) {
                case 0: newNoon = column(rng); break;  // jump (calendar)
                case 1: next = project(w, h, dec(rng)); break;
                case 2:  // rows with arbitrary widths, all kinds mixed
                    for (auto& v : next) v = std::uniform_int_distribution<std::int32_t>(-1, w / 2)(rng);
                    for (auto& v : next) v = v == 0 ? 1 : v;
                    break;
                default: break;
            }
            // Pixels that must change: the symmetric difference of the spans.
            std::uint64_t expectedFlips = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    expectedFlips += inSpan(x, noon, shown[static_cast<std::size_t>(y)], w) !=
                                     inSpan(x, newNoon, next[static_cast<std::size_t>(y)], w);
            const std::uint64_t before = mask.flipCount();
            MoveTerminator(mask, next.data(), newNoon, shown.data(), noon);
            noon = newNoon;
            ASSERT_EQ(shown, next);
            ASSERT_TRUE(maskShows(mask, shown, noon)) << "move " << move << " size " << w;
            ASSERT_EQ(mask.flipCount() - before, expectedFlips) << "move " << move;
        }
    }
}

TEST(MoveTerminator, FullyLitRowIsNotTouchedWhenNoonMoves) {
    IlluminationMask mask(480, 1);
    std::vector<std::int32_t> shown{kRowDark};
    const std::vector<std::int32_t> full{240};
    MoveTerminator(mask, full.data(), 10, shown.data(), -1);
    const auto flips = mask.flipCount();
    MoveTerminator(mask, full.data(), 300, shown.data(), 10);
    EXPECT_EQ(mask.flipCount(), flips);
    EXPECT_TRUE(maskShows(mask, shown, 300));
}

TEST(MoveTerminator, SpanAroundColumnZeroIsLitInTwoPieces) {
    IlluminationMask mask(480, 1);
    std::vector<std::int32_t> shown{kRowDark};
    const std::vector<std::int32_t> next{100};
    MoveTerminator(mask, next.data(), 3, shown.data(), -1);
    EXPECT_TRUE(mask.isDay(0, 0));
    EXPECT_TRUE(mask.isDay(102, 0));
    EXPECT_FALSE(mask.isDay(103, 0));
    EXPECT_TRUE(mask.isDay(383, 0));
    EXPECT_FALSE(mask.isDay(382, 0));
    EXPECT_EQ(mask.flipCount(), 200u);
}

class GreyLineTest : public ::testing::Test {
protected:
    GreyLine line;
    int columnAt(UtcMoment t) const { return SunAt(t).noonColumn(line.state().Width); }
    ::testing::AssertionResult consistent() const {
        const TerminatorState& s = line.state();
        return maskShows(line.mask(), s.SpareWidths, s.NoonColumn);
    }
};

TEST_F(GreyLineTest, FirstTickAfterResetProjectsAndDraws) {
    for (UtcMoment t : {UtcMoment{0}, UtcMoment{599}, UtcMoment{-1}, at(2026, 6, 21, 12), at(1, 1, 1), at(9999, 12, 31)}) {
        line.InitTerminatorState(480, 240, t, false);
        EXPECT_TRUE(line.Recompute(t, false)) << t;
        EXPECT_EQ(line.state().NoonColumn, columnAt(t)) << t;
        EXPECT_EQ(line.state().LastProjection, t);
        EXPECT_TRUE(consistent()) << t;
    }
}

TEST_F(GreyLineTest, ProjectsOnlyAfterMoreThan600Seconds) {
    const UtcMoment t0 = at(2026, 3, 1, 10);
    line.InitTerminatorState(480, 240, t0, false);
    line.Recompute(t0, false);
    line.Recompute(t0 + 600, false);
    EXPECT_EQ(line.state().LastProjection, t0);
    line.Recompute(t0 + 601, false);
    EXPECT_EQ(line.state().LastProjection, t0 + 601);
    EXPECT_TRUE(consistent());
}

TEST_F(GreyLineTest, DrawsOnlyWhenTheNoonColumnMoves) {
    UtcMoment t = at(2026, 3, 1, 10);
    line.InitTerminatorState(480, 240, t, false);
    line.Recompute(t, false);
    int draws = 0;
    for (int i = 0; i < 3600; ++i) {
        ++t;
        const int before = line.state().NoonColumn;
        const bool drew = line.Recompute(t, false);
        EXPECT_EQ(drew, before != columnAt(t)) << t;
        draws += drew;
    }
    EXPECT_EQ(draws, 20);  // one column every 180 s at 480 wide
    EXPECT_TRUE(consistent());
}

// The same rules at the sizes of a large window: a draw exactly when the
// sub-solar column moves (every 86400 / W seconds), a projection only after
// more than 600 s, the mask always the spans it claims, and the twilight
// tables projected with the shape.
TEST_F(GreyLineTest, RulesHoldAtLargeWidths) {
    for (int w : {960, 1920, 3840}) {
        SCOPED_TRACE(w);
        UtcMoment t = at(2026, 6, 1, 10);
        line.InitTerminatorState(w, w / 2, t, false);
        line.Recompute(t, false);
        int draws = 0, projections = 0;
        UtcMoment projected = *line.state().LastProjection;
        for (int i = 0; i < 3600; ++i) {
            ++t;
            const int before = line.state().NoonColumn;
            const bool drew = line.Recompute(t, false);
            ASSERT_EQ(drew, before != columnAt(t)) << t;
            draws += drew;
            if (*line.state().LastProjection != projected) {
                EXPECT_GT(*line.state().LastProjection - projected, 600);
                projected = *line.state().LastProjection;
                ++projections;
            }
        }
        EXPECT_NEAR(draws, 3600 * w / 86400, 1);
        EXPECT_EQ(projections, 5);  // at 601, 1202, ... 3005 s
        EXPECT_TRUE(consistent());
        EXPECT_EQ(line.twilight().width, w);
        EXPECT_EQ(line.twilight().halfWidth[0].size(), static_cast<std::size_t>(w / 2));
    }
}

TEST_F(GreyLineTest, FakeProjectsAndDrawsEveryTick) {
    const UtcMoment t = at(2026, 3, 1, 10);
    line.InitTerminatorState(480, 240, t, false);
    line.Recompute(t, false);
    line.setFlag(TerminatorState::FlagFake, true);
    EXPECT_TRUE(line.Recompute(t, false));
    EXPECT_TRUE(line.Recompute(t, false));
    EXPECT_TRUE(consistent());
}

TEST_F(GreyLineTest, AnimationStepsAndProjectsEveryFourthTick) {
    const UtcMoment t = at(2026, 9, 1);
    line.InitTerminatorState(480, 240, t, false);
    line.setFlag(TerminatorState::FlagAnimate, true);
    int projections = 0;
    for (int i = 1; i <= 40; ++i) {
        const auto last = line.state().LastProjection;
        EXPECT_TRUE(line.Recompute(t, false)) << i;  // 180 s is one column: a redraw every tick
        EXPECT_EQ(line.state().DisplayTime, t + 180 * i);
        projections += line.state().LastProjection != last;
    }
    EXPECT_EQ(projections, 10);
    EXPECT_TRUE(consistent());
}

TEST_F(GreyLineTest, ReturningFromAnimationReprojectsAtOnce) {
    const UtcMoment now = at(2026, 6, 1);
    line.InitTerminatorState(480, 240, now, false);
    line.setFlag(TerminatorState::FlagAnimate, true);
    for (int i = 0; i < 2000; ++i) line.Recompute(now, false);  // about 4 days ahead
    line.setFlag(TerminatorState::FlagAnimate, false);
    line.Recompute(now, false);
    EXPECT_EQ(line.state().DisplayTime, now);
    EXPECT_EQ(line.state().LastProjection, now);
    EXPECT_TRUE(consistent());
}

TEST_F(GreyLineTest, HeldMomentIsNotReplacedByTheClock) {
    const UtcMoment chosen = at(1998, 3, 30);
    line.InitTerminatorState(480, 240, at(2026, 1, 1), false);
    line.state().DisplayTime = chosen;
    line.Recompute(at(2026, 1, 1), true);
    EXPECT_EQ(line.state().DisplayTime, chosen);
    EXPECT_EQ(line.state().NoonColumn, columnAt(chosen));
}

TEST_F(GreyLineTest, FlagsSurviveOnlyWhenKept) {
    line.InitTerminatorState(480, 240, 0, false);
    line.setFlag(TerminatorState::FlagAnimate, true);
    line.InitTerminatorState(500, 250, 0, true);
    EXPECT_TRUE(line.flag(TerminatorState::FlagAnimate));
    line.InitTerminatorState(500, 250, 0, false);
    EXPECT_EQ(line.state().Flags, 0);
}

// On a narrow map the column can stay put for longer than the projection
// interval; the table that describes the mask must survive the second
// projection.
TEST_F(GreyLineTest, NarrowMapKeepsTheMaskTableThroughTwoProjections) {
    // Whole-day steps near the equinox: the declination moves fast, the
    // noon column mostly stays, so projections pile up between drawings.
    const UtcMoment t = at(2026, 3, 1, 12, 1);
    line.InitTerminatorState(40, 20, t, false);
    line.Recompute(t, false);
    line.setFlag(TerminatorState::FlagAnimate, true);
    line.state().StepSeconds = 86400;
    int silentTicks = 0;
    for (int i = 0; i < 60; ++i) {
        silentTicks += !line.Recompute(t, false);
        ASSERT_TRUE(consistent()) << i;
    }
    EXPECT_GT(silentTicks, 30);
    line.setFlag(TerminatorState::FlagFake, true);
    line.Recompute(t, false);
    EXPECT_EQ(line.state().SpareWidths, line.state().CurrentWidths);
    EXPECT_TRUE(consistent());
}
