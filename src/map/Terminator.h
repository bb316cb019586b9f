#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/TimeTypes.h"
#include "map/SolarPosition.h"
#include "map/Twilight.h"

namespace orvane::map {

// Map geometry shared by everything on the map: equirectangular, column 0 at
// 180 W, width columns for 360 degrees; row 0 at 90 N, height rows for 180.
struct MapGeometry {
    int width = 480;
    int height = 240;

    double columnOf(double lonDeg) const { return (lonDeg + 180.0) * width / 360.0; }
    double rowOf(double latDeg) const { return (90.0 - latDeg) * height / 180.0; }
};

// Responsibilities: the two-colour illumination mask, one state per pixel
// (DayColour or NightColour). A cleared mask is all night. Row-major, one
// byte per pixel: 0xFF day, 0x00 night, so a renderer can use a row as a
// per-pixel select mask.
class IlluminationMask {
public:
    static constexpr std::uint8_t kDay = 0xFF;
    static constexpr std::uint8_t kNight = 0x00;

    IlluminationMask() = default;
    IlluminationMask(int width, int height) { resize(width, height); }

    void resize(int width, int height);
    void clear();  // all NightColour

    int width() const { return width_; }
    int height() const { return height_; }
    bool isDay(int x, int y) const { return pixels_[index(x, y)] == kDay; }
    void toggle(int x, int y) {
        std::uint8_t& p = pixels_[index(x, y)];
        p = p == kDay ? kNight : kDay;
    }
    const std::uint8_t* row(int y) const { return pixels_.data() + index(0, y); }

    // Flips count pixels of row y from column x on (no wrap); counts them.
    void flipRun(int x, int y, int count);
    // Pixels flipped since construction; lets tests check that a move
    // touches only what changed.
    std::uint64_t flipCount() const { return flips_; }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
    std::uint64_t flips_ = 0;
};

// Width-table entry meaning "the whole row is dark".
inline constexpr std::int32_t kRowDark = -1;

// Fills table (height entries) with the half-width in pixels of the daylit
// span of every map row, for the sun at declination decDeg: -1 for a dark
// row, width/2 for a fully lit one, else at least 1. Walks 101 points of the
// terminator's great circle and interpolates the rows between them, then
// fills the polar rows on the sun's side.
void ProjectIllumination(std::int32_t* table, int width, int height, double decDeg);

// Flips count mask pixels of row starting at column left, wrapping at the
// right edge.
void ToggleSpan(IlluminationMask& mask, int row, int left, int count);

// Brings the mask from the spans of oldTable around oldNoon to those of
// newTable around newNoon by flipping only the symmetric difference, then
// copies newTable into oldTable.
void MoveTerminator(IlluminationMask& mask, const std::int32_t* newTable, int newNoon, std::int32_t* oldTable,
                    int oldNoon);

// The terminator state of the main map.
struct TerminatorState {
    static constexpr std::int32_t FlagFake = 1;     // project and redraw on every tick
    static constexpr std::int32_t FlagAnimate = 2;  // advance DisplayTime by StepSeconds each tick

    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Flags = 0;
    std::int32_t NoonColumn = -1;  // -1: nothing drawn since the reset
    std::vector<std::int32_t> CurrentWidths;  // latest projection
    std::vector<std::int32_t> SpareWidths;    // the spans the mask shows
    std::int32_t StepSeconds = 180;
    UtcMoment DisplayTime = 0;
    // DisplayTime at the last projection. A separate "never" instead of -1,
    // because with 64-bit moments -1 is an ordinary moment (1969).
    std::optional<UtcMoment> LastProjection;
    // A projection waits for the next drawing: CurrentWidths differs from
    // SpareWidths, and a further projection must not touch SpareWidths.
    bool ProjectionPending = false;
};

// Responsibilities: keeps the map's day/night mask in step with the
// displayed moment. Projects the terminator shape only every 600 seconds of
// displayed time (it depends on the slowly changing declination) and
// otherwise slides the lit spans with the sub-solar column, flipping only
// the pixels that change. Time is an input: the caller hands in the clock's
// moment. Knows nothing of images; the caller renders when told to.
class GreyLine {
public:
    // Seconds of displayed time after which the shape is projected afresh.
    static constexpr UtcMoment kProjectionInterval = 600;

    // Resets for a map of width x height: both tables all dark, the mask
    // cleared, nothing drawn. keepFlags keeps Animate/Fake across a rebuild
    // (the window's later resizes); otherwise they are cleared.
    TerminatorState& InitTerminatorState(int width, int height, UtcMoment now, bool keepFlags);

    // One tick: advance DisplayTime (animation step, or the clock's now
    // unless the moment is held), project when due, move the mask when the
    // sub-solar column moved (always under Fake). Returns true when the mask
    // changed and the shaded picture must be composed again.
    bool Recompute(UtcMoment now, bool holdDisplayTime);

    TerminatorState& state() { return state_; }
    const TerminatorState& state() const { return state_; }
    const IlluminationMask& mask() const { return mask_; }
    const SunFix& sun() const { return sun_; }  // of the last Recompute
    // The twilight edges of the latest projection, projected with the
    // classic shape (every 600 s of displayed time) for the graded view.
    const TwilightTables& twilight() const { return twilight_; }

    bool flag(std::int32_t f) const { return (state_.Flags & f) != 0; }
    void setFlag(std::int32_t f, bool on) { state_.Flags = on ? (state_.Flags | f) : (state_.Flags & ~f); }

private:
    void project(double decDeg);

    TerminatorState state_;
    IlluminationMask mask_;
    TwilightTables twilight_;
    SunFix sun_;
};

}  // namespace orvane::map
