#pragma once

#include <QString>
#include <array>
#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane::listen {

// Responsibilities: hears one beacon in one 10-second slot of receive audio.
// Because the schedule says which call is due on the band, this is a matched
// search: the call's keying (unit 45..60 ms) and the four long dashes
// (100 W, 10 W, 1 W, 0.1 W; gaps up to 300 ms) are correlated with the
// narrow-band energy at the tone, over the radio's tuning offset and the
// timing error of the transmission. A plain function over a buffer: it knows
// nothing of devices, threads or the clock.

inline constexpr int kDashCount = 4;
inline constexpr double kMinPitchHz = 300;
inline constexpr double kMaxPitchHz = 1200;
inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 48000;

// One 10-second slot's result for the expected beacon on one band.
struct SlotResult {
    std::int64_t periodStartMs = 0;  // UTC ms of the slot's start
    int band = 0;                    // 0..4
    int beaconIndex = 0;             // 0..17, expected on that band in that slot
    bool heard = false;
    // SNR in 2.5 kHz of the 100 W, 10 W, 1 W and 0.1 W dashes; nullopt: not found.
    std::array<std::optional<double>, kDashCount> dashSnrDb{};
    double toneOffsetHz = 0;  // measured tone minus the expected pitch; 0 when not heard
    double timeOffsetMs = 0;  // measured start of the transmission minus the slot start; 0 when not heard
    // Another call of the station table keyed at the tone and time found,
    // fitting clearly better than the expected one (a wrong clock, a receiver
    // lagging by a slot, a wrong band); heard is then false. Empty when none.
    QString otherCall;

    int dashesHeard() const;  // how many of the four were found
};

struct DetectorSettings {
    double pitchHz = 700;   // kMinPitchHz..kMaxPitchHz
    double searchHz = 150;  // ± tuning offset searched, at most 300
    double searchMs = 200;  // ± timing offset searched, at most 2500
    // Where the transmission is due in the samples, in ms from the first:
    // 0 for samples cut exactly on the slot; more for samples that begin
    // before it (a wide search needs audio on either side). The search is
    // ± searchMs around it and timeOffsetMs is measured from it.
    double originMs = 0;
};

// The call's keying as the detector searches for it: where its elements and
// gaps lie, in units from the start of the transmission.
struct CallKeying {
    struct Span {
        double fromUnits, toUnits;
    };
    QString call;
    std::vector<Span> on, off;
    double dash1Units = 0;
};

// Scratch memory detectSlot keeps between calls: a listener that hears slot
// after slot at one rate allocates nothing once each buffer has reached its
// size (the first slot), and touches no fresh page. What the buffers hold
// between calls means nothing. One workspace per thread.
struct DetectorWorkspace {
    std::vector<double> audio;                   // the slot as doubles, padded to the transform's size
    std::vector<std::complex<double>> spectrum;  // its transform
    std::vector<std::complex<double>> baseband;  // the band around the pitch, mixed down
    std::vector<std::complex<double>> windowed;  // one spectrogram frame, windowed and padded
    std::vector<std::complex<double>> frame;     // its transform
    std::vector<double> window;
    std::vector<double> cellSums;     // running power per bin and frame
    std::vector<double> noiseCells;   // every other frame's cells per bin, for the noise
    std::vector<double> noiseChosen;  // those far enough from the tone
    std::vector<std::pair<std::size_t, std::size_t>> onFrames, offFrames;
    std::vector<std::complex<double>> longTransform;  // of a stretch of baseband
    std::vector<double> longPower;
    std::vector<CallKeying> keyings;  // of the calls seen, kept (a band's 18 and a few more)
    // The call told from the others: each rival's keying as runs of units
    // counted back from the first long dash, and the amplitude per such unit.
    struct Rival {
        std::size_t firstRun = 0, runs = 0;
        int units = 0;        // from the start of the transmission to the first long dash
        int tableIndex = -1;  // into the calls of the table; -1: a variant of the expected call
        double fit = 0;
        double unitMs = 0, dashMs = 0;  // where it fits best
    };
    std::vector<std::pair<int, int>> rivalRuns;
    std::vector<Rival> rivals;
    std::vector<double> unitAmplitude;     // running sums over units back from the dash
    std::vector<std::size_t> unitsCounted;  // of the units that hold audio
    std::vector<std::size_t> unitBounds;   // sample index of each unit boundary
    std::vector<std::complex<double>> toneSums;  // running sums of the baseband turned down by the tone
};

// `samples`: mono, in [-1, 1], at `sampleRate` (kMinSampleRate..kMaxSampleRate),
// covering the whole slot [periodStartMs, periodStartMs + 10000); the caller
// cuts the slot exactly (or, with settings.originMs, that much before it and
// as much after). `call` is the expected beacon's call sign (from the
// station table, overrides included). The transmission is expected to start
// at the slot start with three units of silence before the call, as the
// program's own simulation keys it; timeOffsetMs is measured from there.
// Never throws for any content of the samples (silence, clipping, DC offset,
// non-finite values); throws std::invalid_argument for a sample rate or
// pitch outside the ranges above.
// Heard means this call: where something is keyed, the expected call's
// keying must fit clearly better than that of every call in `tableCalls`
// (the station table's calls, overrides included; the expected one among
// them or not) and of every call that differs from it in one letter or
// digit. A call of the table that fits clearly better is named in
// otherCall.
SlotResult detectSlot(std::span<const float> samples, int sampleRate, const QString& call,
                      const DetectorSettings& settings, std::int64_t periodStartMs, int band, int beaconIndex,
                      std::span<const QString> tableCalls = {});
// The same with scratch memory kept by the caller.
SlotResult detectSlot(std::span<const float> samples, int sampleRate, const QString& call,
                      const DetectorSettings& settings, std::int64_t periodStartMs, int band, int beaconIndex,
                      DetectorWorkspace& workspace, std::span<const QString> tableCalls = {});

}  // namespace orvane::listen
