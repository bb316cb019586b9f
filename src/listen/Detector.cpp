#include "listen/Detector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cwsim/BeaconCalls.h"
#include "listen/Fft.h"

namespace orvane::listen {

int SlotResult::dashesHeard() const {
    return static_cast<int>(
        std::count_if(dashSnrDb.begin(), dashSnrDb.end(), [](const auto& s) { return s.has_value(); }));
}

namespace {

using cd = std::complex<double>;

// The band the tone is measured in is mixed down to about this rate: wide
// enough for ± the tuning search plus room for the noise estimate.
constexpr double kBasebandRateHz = 800;
// Spectrogram cells: a 30 ms Hann window (about 50 Hz noise bandwidth) every
// 5 ms, bins every fb / 64 (12.5 Hz).
constexpr double kCellWindowS = 0.030;
constexpr double kCellHopS = 0.005;
constexpr std::size_t kCellFft = 64;
// The keying unit of the call: the network keys about 22 wpm (54.5 ms) and
// transmitters differ.
constexpr int kMinUnitMs = 45;
constexpr int kMaxUnitMs = 60;
constexpr double kTimeStepMs = 5;
// The widest searches honoured, which bound the work of a slot.
constexpr double kMaxSearchMs = 2500;
constexpr double kMaxSearchHz = 300;
// The long dashes: about a second each with gaps of up to 300 ms.
constexpr double kMinDashMs = 850, kMaxDashMs = 1250;
constexpr double kMaxDashGapMs = 320;
constexpr double kCoarseDashStepMs = 20, kFineDashStepMs = 5;
constexpr double kDashStartSearchMs = 250;
// What is measured of a dash: its middle, clear of the keying edges.
constexpr double kDashEdgeMs = 25;
constexpr double kMinDashMeasuredMs = 300;
// The tone's power is summed within ± this of the tone; the noise density is
// taken from cells at least kNoiseClearHz from it (beyond the main lobe of
// the cells' window).
constexpr double kToneBandHz = 10;
constexpr double kNoiseClearHz = 100;
// Decision thresholds in standard deviations of the noise. kHeardScore was set
// on seeded white noise: the largest keying score over the whole search
// stayed below it in 1000 noise-only slots of 1000, while 92 of 100 slots with
// the 100 W dash at -17 dB in 2.5 kHz (100 of 100 at -15 dB) reached it.
constexpr double kHeardScore = 5.5;
constexpr double kDashFoundScore = 5.0;
// Of the call's own keying, the gaps must be this clear: the power left in
// them, as a fraction of the power in its elements, at most 1 - kMinClearness.
// Another call keyed at the same moment fills many of the expected gaps.
constexpr double kMinClearness = 0.8;
// No receive audio holds less noise than 16-bit sampling leaves: a variance
// of one step squared over 12 (steps of 2^-15 of full scale). Below it,
// audio made without noise (a test tone, a file) would let the leakage of a
// tone far from the pitch, or the rounding of the transforms, count as
// signal over a noise of nothing.
constexpr double kNoiseFloorVariance = 1.0 / (32768.0 * 32768.0) / 12.0;
// The slot's first and last ms are faded in and out (raised cosine) before
// it is transformed: cut off square, a strong tone anywhere in the audio
// splashes across every frequency at the slot's edges, right where a call
// that starts early is keyed.
constexpr double kEdgeTaperMs = 10;
// Even faded, the edges hold some of that splash, so the cells within this
// of either edge are left out of the search; no call element worth keying
// lies wholly in them.
constexpr double kEdgeGuardMs = 50;

using Keying = CallKeying;
using Span = CallKeying::Span;

// The call's keying as the program's own sequencer sends it: three units of
// lead-in, a dot one unit and a dash three, one unit after each element, two
// more after each character, then six units before the first long dash.
Keying keyingOf(const QString& call) {
    const std::string morse = cwsim::morseOf(call.toStdString());
    Keying k;
    k.call = call;
    double pos = cwsim::kLeadInUnits;
    double lastEnd = 0;
    for (std::size_t i = 0; i < morse.size(); ++i) {
        const char c = morse[i];
        if (c != '.' && c != '-') continue;
        const double len = c == '.' ? 1 : 3;
        k.off.push_back({lastEnd, pos});
        k.on.push_back({pos, pos + len});
        lastEnd = pos + len;
        pos += len + 1;
        if (i + 1 < morse.size() && morse[i + 1] == ' ') pos += 2;
    }
    // The gap before the dashes, less two units in case they come early.
    k.off.push_back({lastEnd, pos + 4});
    k.dash1Units = pos + 6;
    return k;
}

// The keying of `call`, worked out once per call the workspace sees.
const Keying& keyingFor(const QString& call, DetectorWorkspace& ws) {
    for (const Keying& k : ws.keyings)
        if (k.call == call) return k;
    // Bounded whatever calls come: a band's 18 and a few more in practice.
    constexpr std::size_t kMaxKeyings = 64;
    if (ws.keyings.size() >= kMaxKeyings) ws.keyings.clear();
    ws.keyings.push_back(keyingOf(call));
    return ws.keyings.back();
}

std::size_t niceSize(std::size_t n) {
    std::size_t p = 64;
    while (p < n) p *= 2;
    return p;
}

double hann(std::size_t i, std::size_t n) {
    return 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(i) + 0.5) / static_cast<double>(n));
}

double quantile(std::vector<double>& v, double q) {
    if (v.empty()) return 0;
    const auto nth = v.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), nth, v.end());
    return *nth;
}

// The slot mixed down around the expected pitch: complex samples at rate
// `rate` whose frequency 0 is `centreHz` of the audio.
struct Baseband {
    std::span<const cd> z;  // in the workspace
    double rate = 0;
    double centreHz = 0;
    double nyquistHz = 0;  // of the audio
    double noiseFloor = 0;  // variance of z at kNoiseFloorVariance of the audio

    // A baseband frequency that maps to audio the mixing kept.
    bool valid(double offsetHz) const {
        const double f = centreHz + offsetHz;
        return std::abs(offsetHz) <= 0.45 * rate && f >= 25 && f <= nyquistHz - 25;
    }
};

// Mixing by selecting the transform's bins around the pitch: one real
// transform of the slot and one short inverse, far cheaper than filtering
// sample by sample.
Baseband mixDown(std::span<const float> samples, int sampleRate, double pitchHz, DetectorWorkspace& ws) {
    const auto decimation = static_cast<std::size_t>(std::max(1.0, std::round(sampleRate / kBasebandRateHz)));
    const std::size_t nb = niceSize((samples.size() + decimation - 1) / decimation);
    const std::size_t n = nb * decimation;

    // Every element is written below: the buffer is reused, never cleared whole.
    std::vector<double>& x = ws.audio;
    x.resize(n);
    std::fill(x.begin() + static_cast<std::ptrdiff_t>(samples.size()), x.end(), 0.0);
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float s = samples[i];
        if (!std::isfinite(s)) {
            x[i] = 0;
            continue;
        }
        x[i] = static_cast<double>(std::clamp(s, -8.0f, 8.0f));
        sum += x[i];
        ++count;
    }
    // A DC offset is no tone; it would only leak into the bins near it.
    const double mean = count ? sum / static_cast<double>(count) : 0;
    for (std::size_t i = 0; i < samples.size(); ++i) x[i] -= mean;
    const auto taper = std::min(samples.size() / 2,
                                static_cast<std::size_t>(std::ceil(kEdgeTaperMs / 1000 * sampleRate)));
    for (std::size_t i = 0; i < taper; ++i) {
        const double g = 0.5 - 0.5 * std::cos(std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                              static_cast<double>(taper));
        x[i] *= g;
        x[samples.size() - 1 - i] *= g;
    }

    std::vector<cd>& spectrum = ws.spectrum;
    spectrum.resize(n / 2 + 1);
    forwardReal(x, spectrum);

    Baseband b;
    b.rate = static_cast<double>(sampleRate) / static_cast<double>(decimation);
    const double binHz = static_cast<double>(sampleRate) / static_cast<double>(n);
    const auto p0 = static_cast<std::ptrdiff_t>(std::round(pitchHz / binHz));
    b.centreHz = static_cast<double>(p0) * binHz;
    b.nyquistHz = sampleRate / 2.0;
    // Real noise of variance v spreads over the whole band; the slice kept
    // holds 1 / decimation of it.
    b.noiseFloor = kNoiseFloorVariance / static_cast<double>(decimation);
    std::vector<cd>& z = ws.baseband;
    z.assign(nb, cd{});
    const auto half = static_cast<std::ptrdiff_t>(nb / 2);
    const auto last = static_cast<std::ptrdiff_t>(n / 2);
    for (std::ptrdiff_t j = -half; j < half; ++j) {
        const std::ptrdiff_t k = p0 + j;
        if (k < 1 || k >= last) continue;
        z[static_cast<std::size_t>((j + static_cast<std::ptrdiff_t>(nb)) % static_cast<std::ptrdiff_t>(nb))] =
            spectrum[static_cast<std::size_t>(k)] / static_cast<double>(n);
    }
    transformComplex(z, true);
    b.z = std::span<const cd>(z.data(), samples.size() / decimation);
    return b;
}

// Narrow-band power in cells of time × frequency, with running sums over time
// per bin so any interval's total costs two look-ups. The sums are kept
// frame by frame, all bins of a frame side by side, so an interval's totals
// for every bin are one pass over two rows.
struct Cells {
    std::size_t frames = 0;
    int maxBin = 0;  // bins -maxBin..maxBin around the centre
    double binHz = 0;
    double firstCentreMs = 0;  // centre of frame 0 from the slot start
    double hopMs = 0;
    double noise = 0;                        // mean power of a noise-only cell
    double windowEnergy = 0;                 // of the cell window
    double floor = 0;                        // mean power of a cell of noise at the floor
    std::size_t edgeFrames = 0;  // frames at either end left out of every range
    // Every other frame's cells per bin offset (-32..31), for the noise:
    // perBin of them from bin i at byBin[i * perBin], where noiseBin[i].
    std::span<const double> byBin;
    std::size_t perBin = 0;
    std::array<bool, kCellFft> noiseBin{};
    std::vector<double>* chosen = nullptr;  // scratch for the noise estimate
    double spread = 1;                      // variance factor of a mean over overlapping frames
    std::size_t bins = 0;                   // 2 maxBin + 1
    std::span<const double> sums;           // [frame][bin + maxBin], frames + 1 rows

    const double* row(std::size_t frame) const { return sums.data() + frame * bins; }
    double total(int bin, std::size_t from, std::size_t to) const {
        const auto k = static_cast<std::size_t>(bin + maxBin);
        return row(to)[k] - row(from)[k];
    }
    // Mean power of a noise-only cell from the cells more than `clearHz`
    // from `toneHz`: their 30th percentile scaled to the mean of an
    // exponential distribution. The tone and its keying fill far fewer cells
    // than that, so they hardly lift it.
    double noiseAwayFrom(double toneHz, double clearHz) const {
        std::vector<double>& cells = *chosen;
        cells.clear();
        for (std::size_t i = 0; i < kCellFft; ++i) {
            const double f = (static_cast<double>(i) - static_cast<double>(kCellFft / 2)) * binHz;
            if (noiseBin[i] && std::abs(f - toneHz) >= clearHz) {
                const auto from = byBin.begin() + static_cast<std::ptrdiff_t>(i * perBin);
                cells.insert(cells.end(), from, from + static_cast<std::ptrdiff_t>(perBin));
            }
        }
        return std::max(quantile(cells, 0.3) / -std::log(0.7), floor);
    }
    // The frames whose centres lie in [fromMs, toMs), clipped to the slot.
    std::pair<std::size_t, std::size_t> frameRange(double fromMs, double toMs) const {
        const auto index = [&](double ms) {
            const double t = std::ceil((ms - firstCentreMs) / hopMs);
            return static_cast<std::size_t>(
                std::clamp(t, static_cast<double>(edgeFrames), static_cast<double>(frames - edgeFrames)));
        };
        return {index(fromMs), index(toMs)};
    }
};

Cells cellsOf(const Baseband& b, double searchHz, DetectorWorkspace& ws) {
    Cells c;
    c.chosen = &ws.noiseChosen;
    const auto window = std::max<std::size_t>(8, static_cast<std::size_t>(std::round(kCellWindowS * b.rate)));
    const auto hop = std::max<std::size_t>(1, static_cast<std::size_t>(std::round(kCellHopS * b.rate)));
    if (b.z.size() < window) return c;
    c.frames = (b.z.size() - window) / hop + 1;
    c.binHz = b.rate / static_cast<double>(kCellFft);
    // Within the cell transform's own bins (at most 300 Hz of search is
    // some 27 bins: the bound is never reached).
    c.maxBin = std::min(static_cast<int>(std::ceil(searchHz / c.binHz)) + 1, static_cast<int>(kCellFft / 2) - 1);
    c.hopMs = 1000.0 * static_cast<double>(hop) / b.rate;
    c.edgeFrames = std::min(c.frames / 2, static_cast<std::size_t>(std::ceil(kEdgeGuardMs / c.hopMs)));
    c.firstCentreMs = 1000.0 * (static_cast<double>(window) - 1) / 2 / b.rate;

    std::vector<double>& w = ws.window;
    w.resize(window);
    for (std::size_t i = 0; i < window; ++i) w[i] = hann(i, window);
    // Overlapping frames share noise: a mean over n of them varies like a
    // mean over n / spread independent ones.
    double energy = 0;
    for (double v : w) energy += v * v;
    c.spread = 0;
    for (std::size_t lag = 0; lag < window; lag += hop) {
        double r = 0;
        for (std::size_t i = 0; i + lag < window; ++i) r += w[i] * w[i + lag];
        c.spread += (lag == 0 ? 1 : 2) * (r / energy) * (r / energy);
    }

    c.bins = static_cast<std::size_t>(2 * c.maxBin + 1);
    std::vector<double>& sums = ws.cellSums;
    sums.resize(c.bins * (c.frames + 1));
    std::fill(sums.begin(), sums.begin() + static_cast<std::ptrdiff_t>(c.bins), 0.0);
    c.sums = sums;
    c.windowEnergy = energy;
    c.floor = energy * b.noiseFloor;
    const auto fft = static_cast<int>(kCellFft);
    for (int k = -fft / 2; k < fft / 2; ++k) c.noiseBin[static_cast<std::size_t>(k + fft / 2)] = b.valid(k * c.binHz);
    c.perBin = (c.frames + 1) / 2;
    std::vector<double>& byBin = ws.noiseCells;
    byBin.resize(kCellFft * c.perBin);
    c.byBin = byBin;
    std::vector<cd>& windowed = ws.windowed;
    windowed.assign(kCellFft, cd{});  // beyond the window it stays 0
    std::vector<cd>& frame = ws.frame;
    frame.resize(kCellFft);
    for (std::size_t t = 0; t < c.frames; ++t) {
        for (std::size_t i = 0; i < window; ++i) windowed[i] = b.z[t * hop + i] * w[i];
        transformComplex(windowed, frame);
        const double* before = sums.data() + t * c.bins;
        double* after = sums.data() + (t + 1) * c.bins;
        for (int k = -c.maxBin; k <= c.maxBin; ++k) {
            const double p = std::norm(frame[static_cast<std::size_t>((k + fft) % fft)]);
            const auto i = static_cast<std::size_t>(k + c.maxBin);
            after[i] = before[i] + p;
        }
        if (t % 2 == 0) {
            for (int k = -fft / 2; k < fft / 2; ++k) {
                const auto i = static_cast<std::size_t>(k + fft / 2);
                if (c.noiseBin[i])
                    byBin[i * c.perBin + t / 2] = std::norm(frame[static_cast<std::size_t>((k + fft) % fft)]);
            }
        }
    }
    c.noise = c.noiseAwayFrom(0, 0);
    return c;
}

struct Candidate {
    double score = -std::numeric_limits<double>::infinity();
    int bin = 0;
    double unitMs = 0;
    double startMs = 0;
};

// The totals over `spans` of every bin, each summed span by span in order.
void sumSpans(const Cells& c, std::span<const std::pair<std::size_t, std::size_t>> spans,
              std::array<double, kCellFft>& sums) {
    std::array<double, kCellFft> acc{};  // on the stack: the compiler sees it alias nothing
    const std::size_t bins = std::min(c.bins, kCellFft);
    for (const auto& [a, b] : spans) {
        const double* from = c.row(a);
        const double* to = c.row(b);
        for (std::size_t i = 0; i < bins; ++i) acc[i] += to[i] - from[i];
    }
    sums = acc;
}

// The keying score: how far the mean power of the cells the call (and the
// middle of the first long dash) should fill stands above the mean of the
// cells its gaps should leave empty, in standard deviations of noise.
Candidate searchKeying(const Cells& c, const Keying& keying, const DetectorSettings& settings,
                       DetectorWorkspace& ws) {
    Candidate best;
    auto& on = ws.onFrames;
    auto& off = ws.offFrames;
    std::array<double, kCellFft> sumOn{}, sumOff{};
    const int steps = static_cast<int>(std::floor(std::clamp(settings.searchMs, 0.0, kMaxSearchMs) / kTimeStepMs));
    for (int unit = kMinUnitMs; unit <= kMaxUnitMs; ++unit) {
        const double u = unit;
        for (int step = -steps; step <= steps; ++step) {
            const double start = settings.originMs + step * kTimeStepMs;
            on.clear();
            off.clear();
            for (const Span& s : keying.on) on.push_back(c.frameRange(start + s.fromUnits * u, start + s.toUnits * u));
            const double dash1 = start + keying.dash1Units * u;
            on.push_back(c.frameRange(dash1 + 150, dash1 + 850));
            for (const Span& s : keying.off) off.push_back(c.frameRange(start + s.fromUnits * u, start + s.toUnits * u));
            std::size_t nOn = 0, nOff = 0;
            for (const auto& [a, b] : on) nOn += b - a;
            for (const auto& [a, b] : off) nOff += b - a;
            if (nOn < 10 || nOff < 10) continue;
            const double scale =
                c.noise * std::sqrt(c.spread * (1.0 / static_cast<double>(nOn) + 1.0 / static_cast<double>(nOff)));
            // Every bin's totals at once, each summed span by span in order.
            sumSpans(c, on, sumOn);
            sumSpans(c, off, sumOff);
            for (int k = -c.maxBin; k <= c.maxBin; ++k) {
                if (std::abs(k * c.binHz) > settings.searchHz + c.binHz / 2) continue;
                const auto i = static_cast<std::size_t>(k + c.maxBin);
                const double score =
                    (sumOn[i] / static_cast<double>(nOn) - sumOff[i] / static_cast<double>(nOff)) / scale;
                if (score > best.score) best = {score, k, u, start};
            }
        }
    }
    return best;
}

// How clear the call's gaps are at the candidate: 1 when they hold only
// noise, near 0 when they hold as much as its elements.
double clearness(const Cells& c, const Keying& keying, const Candidate& at) {
    double sOn = 0, sOff = 0;
    std::size_t nOn = 0, nOff = 0;
    for (const Span& s : keying.on) {
        const auto [a, b] = c.frameRange(at.startMs + s.fromUnits * at.unitMs, at.startMs + s.toUnits * at.unitMs);
        sOn += c.total(at.bin, a, b);
        nOn += b - a;
    }
    for (const Span& s : keying.off) {
        const auto [a, b] = c.frameRange(at.startMs + s.fromUnits * at.unitMs, at.startMs + s.toUnits * at.unitMs);
        sOff += c.total(at.bin, a, b);
        nOff += b - a;
    }
    if (nOn == 0 || nOff == 0) return 0;
    const double on = sOn / static_cast<double>(nOn) - c.noise, off = sOff / static_cast<double>(nOff) - c.noise;
    return on > 0 ? 1 - std::max(0.0, off) / on : 0;
}

// Telling the call from the others. The first long dash anchors every
// call the slot may hold: each is keyed to end seven units before it. Units
// are counted back from the dash, so a call's keying is a few runs of
// units, and the amplitude per unit, summed once per timing tried, serves
// every call. Every call is fitted over the same stretch (from the longest
// call's start to two units before the dash) as the contrast of the units it
// keys against the rest; within one stretch the larger contrast is the
// better fit, whatever the call's length. The amplitude rather than the
// power: an element faded by QSB still counts for its call.

// Letters and digits in Morse, as the call's characters are keyed.
constexpr std::size_t kCharacters = 36;
char characterAt(std::size_t i) { return i < 26 ? static_cast<char>('A' + i) : static_cast<char>('0' + (i - 26)); }
const std::array<std::string, kCharacters>& characterCodes() {
    static const std::array<std::string, kCharacters> codes = [] {
        std::array<std::string, kCharacters> c;
        for (std::size_t i = 0; i < kCharacters; ++i) c[i] = cwsim::morseOf(std::string(1, characterAt(i)));
        return c;
    }();
    return codes;
}
std::string_view codeOf(QChar q) {
    const char16_t u = q.toUpper().unicode();
    if (u >= 'A' && u <= 'Z') return characterCodes()[static_cast<std::size_t>(u - 'A')];
    if (u >= '0' && u <= '9') return characterCodes()[static_cast<std::size_t>(u - '0' + 26)];
    if (u == '/') return "-..-.";
    return {};
}

// Calls longer than this many units are not told apart (no call of the
// network comes near it).
constexpr int kMaxRivalUnits = 160;
// The stretch before the dash left out: the dash may come early.
constexpr int kDashGuardUnits = 2;
// How far round the timing found the first long dash is looked for, and the
// timings tried round it.
constexpr double kDashLookMs = 1500;
constexpr double kDashLookStepMs = 5;
// The unit is tried in steps this fine: a call's first element lies some 60
// units before the dash, so 0.5 ms of unit moves it by half a dot.
constexpr double kCoarseUnitStepMs = 0.5;
constexpr double kFineUnitStepMs = 0.25;
constexpr double kFineUnitSpanMs = 1;
constexpr std::array<double, 7> kDashNudgesMs{-15, -10, -5, 0, 5, 10, 15};
// Rivals fitted at every timing after the first, rough pass: the best few
// of the table and of the variants.
constexpr std::size_t kRefined = 4;
// Margins, in standard deviations of a unit's amplitude in noise, set on
// seeded slots (bench/listen's listen_call_bench): the expected call must
// fit better than every other call of the table by kTableMargin, and no
// worse than any one-character variant by more than kVariantSlack plus
// kVariantSlackFraction of its fit (near the limit of hearing a variant
// differs from the call by a dot or two of noise; well above it, by a tiny
// fraction of a large fit where a character lies half outside the slot). A
// call of the table is named when it fits better than the expected call and
// every variant by kOtherMargin. Its gaps must then be clearer than
// kMinClearness requires alone.
constexpr double kTableMargin = 0.5;
constexpr double kVariantSlack = 1.5;
constexpr double kVariantSlackFraction = 0.005;
constexpr double kOtherMargin = 1.0;
constexpr double kToldClearness = 0.85;

// Appends `call`'s keying (with character `replaceAt` keyed as `with` when
// replaceAt >= 0) to the workspace's runs, counted back from the first long
// dash. Returns the rival, with units 0 when it keys nothing or is too long.
DetectorWorkspace::Rival appendRival(const QString& call, int replaceAt, std::string_view with, int tableIndex,
                                     DetectorWorkspace& ws) {
    DetectorWorkspace::Rival r;
    r.firstRun = ws.rivalRuns.size();
    r.tableIndex = tableIndex;
    int pos = cwsim::kLeadInUnits, lastEnd = 0, index = 0;
    bool any = false;
    for (const QChar q : call) {
        std::string_view code = codeOf(q);
        if (code.empty()) continue;
        if (index++ == replaceAt) code = with;
        if (any) pos += 2;  // three units between characters in all
        for (const char e : code) {
            const int len = e == '.' ? 1 : 3;
            ws.rivalRuns.emplace_back(pos, pos + len);
            lastEnd = pos + len;
            pos += len + 1;
        }
        any = true;
    }
    r.runs = ws.rivalRuns.size() - r.firstRun;
    r.units = lastEnd + 7;
    if (!any || r.units > kMaxRivalUnits) {
        ws.rivalRuns.resize(r.firstRun);
        r.runs = 0;
        r.units = 0;
        return r;
    }
    for (std::size_t i = r.firstRun; i < ws.rivalRuns.size(); ++i) {
        auto& [a, b] = ws.rivalRuns[i];
        const int from = a;
        a = r.units - b;
        b = r.units - from;
    }
    return r;
}

struct Identity {
    bool compared = false;  // false: the expected call keys nothing to compare
    double expectedFit = -std::numeric_limits<double>::infinity();
    double tableFit = -std::numeric_limits<double>::infinity();    // the best other call of the table
    double variantFit = -std::numeric_limits<double>::infinity();  // the best one-character variant
    int bestTable = -1;                                            // into ws.rivals
};

// The slot at the tone, summed coherently: running sums of the baseband
// turned down by the tone, so a unit's amplitude is that of one sum, as a
// filter matched to the unit gives it (far less noise than the cells' 30 ms
// windows, which see 50 Hz of it).
struct ToneSums {
    std::span<const cd> sums;  // z.size() + 1
    double rate = 0;
    double noise = 0;  // standard deviation of a unit's amplitude in noise alone
};

ToneSums toneSumsOf(const Baseband& b, const Cells& c, double toneHz, DetectorWorkspace& ws) {
    std::vector<cd>& sums = ws.toneSums;
    sums.resize(b.z.size() + 1);
    sums[0] = 0;
    const cd step = std::polar(1.0, -2 * std::numbers::pi * toneHz / b.rate);
    cd turn = 1;
    for (std::size_t i = 0; i < b.z.size(); ++i) {
        sums[i + 1] = sums[i] + b.z[i] * turn;
        turn *= step;
        if (i % 1024 == 1023) turn /= std::abs(turn);  // no drift of its magnitude
    }
    // A cell of noise holds windowEnergy times the variance v of z; a unit's
    // sum over n samples, over the root of n, has a mean square of v, and
    // its magnitude (Rayleigh) a variance of v (1 - pi / 4).
    return {sums, b.rate, std::sqrt((1 - std::numbers::pi / 4) * c.noise / c.windowEnergy)};
}

// The amplitude per unit back from a first long dash at `dashMs`: fills the
// workspace's running sums over units (amplitude, and units that hold audio).
void unitsBack(const ToneSums& t, double unitMs, double dashMs, int units, DetectorWorkspace& ws) {
    auto& bounds = ws.unitBounds;
    auto& amplitude = ws.unitAmplitude;
    auto& counted = ws.unitsCounted;
    bounds.resize(static_cast<std::size_t>(units) + 1);
    amplitude.resize(static_cast<std::size_t>(units) + 1);
    counted.resize(static_cast<std::size_t>(units) + 1);
    const double last = static_cast<double>(t.sums.size() - 1);
    const double perMs = t.rate / 1000;
    for (int k = 0; k <= units; ++k)
        bounds[static_cast<std::size_t>(k)] =
            static_cast<std::size_t>(std::clamp(std::round((dashMs - k * unitMs) * perMs), 0.0, last));
    // A unit cut by the slot's edge by more than half is left out.
    const double halfUnit = 0.5 * unitMs * perMs;
    amplitude[0] = 0;
    counted[0] = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(units); ++k) {
        const std::size_t a = bounds[k + 1], b = bounds[k];
        const auto n = static_cast<double>(b - a);
        const bool whole = n >= halfUnit;
        amplitude[k + 1] = amplitude[k] + (whole ? std::sqrt(std::norm(t.sums[b] - t.sums[a]) / n) : 0.0);
        counted[k + 1] = counted[k] + (whole ? 1 : 0);
    }
}

// Each rival's fit with the units summed for one timing; keeps its best:
// how far the mean amplitude of the units its call keys stands above that of
// the rest of the stretch, in standard deviations of noise.
void fitRivals(const ToneSums& t, double unitMs, double dashMs, int units, std::span<const std::size_t> which,
               DetectorWorkspace& ws) {
    unitsBack(t, unitMs, dashMs, units, ws);
    const auto u = static_cast<std::size_t>(units);
    const double all = ws.unitAmplitude[u] - ws.unitAmplitude[kDashGuardUnits];
    const auto nAll = static_cast<double>(ws.unitsCounted[u] - ws.unitsCounted[kDashGuardUnits]);
    for (const std::size_t i : which) {
        DetectorWorkspace::Rival& r = ws.rivals[i];
        double on = 0;
        std::size_t nOn = 0;
        for (std::size_t j = r.firstRun; j < r.firstRun + r.runs; ++j) {
            const auto [a, b] = ws.rivalRuns[j];
            on += ws.unitAmplitude[static_cast<std::size_t>(b)] - ws.unitAmplitude[static_cast<std::size_t>(a)];
            nOn += ws.unitsCounted[static_cast<std::size_t>(b)] - ws.unitsCounted[static_cast<std::size_t>(a)];
        }
        const double n1 = static_cast<double>(nOn), n0 = nAll - n1;
        if (n1 < 2 || n0 < 2) continue;
        const double fit = (on / n1 - (all - on) / n0) / (t.noise * std::sqrt(1 / n1 + 1 / n0));
        if (fit > r.fit) {
            r.fit = fit;
            r.unitMs = unitMs;
            r.dashMs = dashMs;
        }
    }
}

// Where the first long dash begins, near `aroundMs`: the step from the
// silence before it to the dash.
double findDash(const Cells& c, int bin, double aroundMs) {
    double best = aroundMs, bestStep = -std::numeric_limits<double>::infinity();
    for (double a = aroundMs - kDashLookMs; a <= aroundMs + kDashLookMs; a += kDashLookStepMs) {
        const auto [o0, o1] = c.frameRange(a + 25, a + 825);
        const auto [s0, s1] = c.frameRange(a - 250, a - 25);
        if (o1 <= o0 || s1 <= s0) continue;
        const double step = c.total(bin, o0, o1) / static_cast<double>(o1 - o0) -
                            c.total(bin, s0, s1) / static_cast<double>(s1 - s0);
        if (step > bestStep) {
            bestStep = step;
            best = a;
        }
    }
    return best;
}

// The expected call's fit against the table's other calls and its own
// one-character variants, at the tone and time of `at`.
Identity identify(const Baseband& bb, const Cells& c, const Keying& keying, const Candidate& at, double toneHz,
                  const QString& call, std::span<const QString> tableCalls, DetectorWorkspace& ws) {
    Identity id;
    ws.rivalRuns.clear();
    ws.rivals.clear();
    const DetectorWorkspace::Rival expected = appendRival(call, -1, {}, -2, ws);
    if (expected.units == 0) return id;
    ws.rivals.push_back(expected);
    for (std::size_t t = 0; t < tableCalls.size(); ++t) {
        if (tableCalls[t].compare(call, Qt::CaseInsensitive) == 0) continue;
        const DetectorWorkspace::Rival r = appendRival(tableCalls[t], -1, {}, static_cast<int>(t), ws);
        if (r.units > 0) ws.rivals.push_back(r);
    }
    int index = 0;
    for (const QChar q : call) {
        const std::string_view own = codeOf(q);
        if (own.empty()) continue;
        const bool letterOrDigit = q != QLatin1Char('/');
        if (letterOrDigit) {
            for (std::size_t i = 0; i < kCharacters; ++i) {
                if (characterCodes()[i] == own) continue;
                const DetectorWorkspace::Rival r = appendRival(call, index, characterCodes()[i], -1, ws);
                if (r.units > 0) ws.rivals.push_back(r);
            }
        }
        ++index;
    }
    int units = 0;
    for (auto& r : ws.rivals) {
        units = std::max(units, r.units);
        r.fit = -std::numeric_limits<double>::infinity();
    }

    // A rough pass over every rival at the dash as the expected call's
    // timing puts it and as found, then the best few at every nudge of it.
    const double dashAsExpected = at.startMs + keying.dash1Units * at.unitMs;
    const double dashFound = findDash(c, at.bin, dashAsExpected);
    const ToneSums t = toneSumsOf(bb, c, toneHz, ws);
    std::array<std::size_t, 1 + 2 * kRefined> refined{};
    std::size_t nRefined = 0;
    {
        // Indices 0..n-1 of every rival, without a buffer: fitted in chunks.
        std::array<std::size_t, 64> chunk{};
        for (std::size_t from = 0; from < ws.rivals.size(); from += chunk.size()) {
            const std::size_t n = std::min(chunk.size(), ws.rivals.size() - from);
            for (std::size_t i = 0; i < n; ++i) chunk[i] = from + i;
            for (double unit = kMinUnitMs; unit <= kMaxUnitMs; unit += kCoarseUnitStepMs) {
                fitRivals(t, unit, dashAsExpected, units, std::span(chunk.data(), n), ws);
                for (const double nudge : {-5.0, 0.0, 5.0})
                    fitRivals(t, unit, dashFound + nudge, units, std::span(chunk.data(), n), ws);
            }
        }
    }
    const auto bestOf = [&](bool table) {
        // The kRefined best of the table's calls or of the variants, not yet chosen.
        for (std::size_t pick = 0; pick < kRefined; ++pick) {
            std::size_t best = 0;
            double bestFit = -std::numeric_limits<double>::infinity();
            for (std::size_t i = 1; i < ws.rivals.size(); ++i) {
                if ((ws.rivals[i].tableIndex >= 0) != table) continue;
                if (std::find(refined.begin(), refined.begin() + static_cast<std::ptrdiff_t>(nRefined), i) !=
                    refined.begin() + static_cast<std::ptrdiff_t>(nRefined))
                    continue;
                if (ws.rivals[i].fit > bestFit) {
                    bestFit = ws.rivals[i].fit;
                    best = i;
                }
            }
            if (best == 0) return;
            refined[nRefined++] = best;
        }
    };
    refined[nRefined++] = 0;
    bestOf(true);
    bestOf(false);
    const std::span<const std::size_t> few(refined.data(), nRefined);
    // Round the units they fit best at: a unit a little off moves the
    // first characters by most of a dot.
    double fromUnit = kMaxUnitMs, toUnit = kMinUnitMs;
    for (const std::size_t i : few) {
        if (!std::isfinite(ws.rivals[i].fit)) continue;
        fromUnit = std::min(fromUnit, ws.rivals[i].unitMs - kFineUnitSpanMs);
        toUnit = std::max(toUnit, ws.rivals[i].unitMs + kFineUnitSpanMs);
    }
    for (double unit = std::max<double>(kMinUnitMs, fromUnit); unit <= std::min<double>(kMaxUnitMs, toUnit);
         unit += kFineUnitStepMs)
        for (const double nudge : kDashNudgesMs) {
            fitRivals(t, unit, dashFound + nudge, units, few, ws);
            fitRivals(t, unit, dashAsExpected + nudge, units, few, ws);
        }

    id.compared = true;
    id.expectedFit = ws.rivals[0].fit;
    for (std::size_t i = 1; i < ws.rivals.size(); ++i) {
        const DetectorWorkspace::Rival& r = ws.rivals[i];
        if (r.tableIndex >= 0) {
            if (r.fit > id.tableFit) {
                id.tableFit = r.fit;
                id.bestTable = static_cast<int>(i);
            }
        } else {
            id.variantFit = std::max(id.variantFit, r.fit);
        }
    }
    return id;
}

// Power spectrum of z[from, to) zero-padded to `size`, windowed by `window`;
// in the workspace until the next call.
std::span<const double> powerSpectrum(const Baseband& b, std::size_t from, std::size_t to, std::size_t size,
                                      double (*window)(std::size_t, std::size_t), double& windowEnergy,
                                      DetectorWorkspace& ws) {
    std::vector<cd>& buf = ws.longTransform;
    buf.assign(size, cd{});
    const std::size_t m = to - from;
    windowEnergy = 0;
    for (std::size_t i = 0; i < m; ++i) {
        const double w = window ? window(i, m) : 1.0;
        buf[i] = b.z[from + i] * w;
        windowEnergy += w * w;
    }
    transformComplex(buf, false);
    std::vector<double>& p = ws.longPower;
    p.resize(size);
    for (std::size_t i = 0; i < size; ++i) p[i] = std::norm(buf[i]);
    return p;
}

double offsetOfBin(std::size_t i, std::size_t size, double rate) {
    const auto k = static_cast<double>(i) - (i >= size / 2 ? static_cast<double>(size) : 0.0);
    return k * rate / static_cast<double>(size);
}

// The tone within ± one cell bin of `aroundHz`, to a fraction of a hertz:
// the peak of a long Hann-windowed spectrum, interpolated on a parabola.
double fineTone(const Baseband& b, std::size_t from, std::size_t to, double aroundHz, double cellBinHz,
                DetectorWorkspace& ws) {
    if (to <= from + 16) return aroundHz;
    const std::size_t size = niceSize(4 * (to - from));
    double energy = 0;
    const std::span<const double> p = powerSpectrum(b, from, to, size, hann, energy, ws);
    std::size_t best = 0;
    double bestPower = -1;
    for (std::size_t i = 0; i < size; ++i) {
        const double f = offsetOfBin(i, size, b.rate);
        if (std::abs(f - aroundHz) <= cellBinHz && p[i] > bestPower) {
            bestPower = p[i];
            best = i;
        }
    }
    const double l = p[(best + size - 1) % size], r = p[(best + 1) % size], m = p[best];
    const double denom = l - 2 * m + r;
    const double shift = denom < 0 ? std::clamp(0.5 * (l - r) / denom, -0.5, 0.5) : 0.0;
    return offsetOfBin(best, size, b.rate) + shift * b.rate / static_cast<double>(size);
}

struct DashFit {
    double startMs = 0, lengthMs = 1000, gapMs = 150;
};

// Where the four long dashes lie: the start of the first, their common length
// and gap, fitted by least squares to the power at the tone (each dash a step
// of its own height above the noise), so the strong dashes place the weak.
DashFit fitDashes(const Cells& c, int bin, double nominalStartMs) {
    const auto objective = [&](double a, double d, double g) {
        double sum = 0;
        for (int k = 0; k < kDashCount; ++k) {
            const double from = a + k * (d + g);
            const auto [t0, t1] = c.frameRange(from, from + d);
            if (t1 <= t0) continue;
            const double n = static_cast<double>(t1 - t0);
            const double excess = std::max(0.0, c.total(bin, t0, t1) - n * c.noise);
            sum += excess * excess / n;
        }
        return sum;
    };
    // A coarse grid, then a fine one round its best point: the objective
    // changes smoothly on the scale of the cells' 30 ms window.
    DashFit best{nominalStartMs, (kMinDashMs + kMaxDashMs) / 2, kMaxDashGapMs / 2};
    double bestObjective = -1;
    const auto scan = [&](double a0, double a1, double d0, double d1, double g0, double g1, double step) {
        for (double a = a0; a <= a1; a += step) {
            for (double d = std::max(kMinDashMs, d0); d <= std::min(kMaxDashMs, d1); d += step) {
                for (double g = std::max(0.0, g0); g <= std::min(kMaxDashGapMs, g1); g += step) {
                    const double o = objective(a, d, g);
                    if (o > bestObjective) {
                        bestObjective = o;
                        best = {a, d, g};
                    }
                }
            }
        }
    };
    scan(nominalStartMs - kDashStartSearchMs, nominalStartMs + kDashStartSearchMs, kMinDashMs, kMaxDashMs, 0,
         kMaxDashGapMs, kCoarseDashStepMs);
    const DashFit coarse = best;
    scan(coarse.startMs - kCoarseDashStepMs, coarse.startMs + kCoarseDashStepMs, coarse.lengthMs - kCoarseDashStepMs,
         coarse.lengthMs + kCoarseDashStepMs, coarse.gapMs - kCoarseDashStepMs, coarse.gapMs + kCoarseDashStepMs,
         kFineDashStepMs);
    return best;
}

// One dash's SNR in 2.5 kHz: the tone's power summed within ± kToneBandHz
// (a rectangular window, which keeps the most of the tone within that band)
// less the noise in that band, over the noise density (per hertz of z).
std::optional<double> dashSnr(const Baseband& b, double fromMs, double toMs, double toneHz, double density,
                              DetectorWorkspace& ws) {
    const double n = static_cast<double>(b.z.size());
    const auto from = static_cast<std::size_t>(std::clamp(std::ceil(fromMs / 1000 * b.rate), 0.0, n));
    const auto to = static_cast<std::size_t>(std::clamp(std::floor(toMs / 1000 * b.rate), 0.0, n));
    if (to <= from || static_cast<double>(to - from) < kMinDashMeasuredMs / 1000 * b.rate) return std::nullopt;
    const std::size_t m = to - from;
    const std::size_t size = niceSize(2 * m);

    double rectEnergy = 0;
    const std::span<const double> rect = powerSpectrum(b, from, to, size, nullptr, rectEnergy, ws);
    double band = 0;
    std::size_t bandBins = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (std::abs(offsetOfBin(i, size, b.rate) - toneHz) <= kToneBandHz) {
            band += rect[i];
            ++bandBins;
        }
    }
    if (bandBins == 0) return std::nullopt;
    // Power of z within the band (Parseval over the zero-padded transform).
    const double bandPower = band / (static_cast<double>(size) * rectEnergy);
    const double bandHz = static_cast<double>(bandBins) * b.rate / static_cast<double>(size);
    const double noiseInBand = density * bandHz;
    const double tone = bandPower - noiseInBand;
    // The band holds about bandHz × duration independent bins of noise.
    const double independent = std::max(1.0, bandHz * static_cast<double>(m) / b.rate);
    if (tone <= 0 || tone < kDashFoundScore * noiseInBand / std::sqrt(independent)) return std::nullopt;
    return 10 * std::log10(tone / (density * 2500));
}

}  // namespace

SlotResult detectSlot(std::span<const float> samples, int sampleRate, const QString& call,
                      const DetectorSettings& settings, std::int64_t periodStartMs, int band, int beaconIndex,
                      std::span<const QString> tableCalls) {
    DetectorWorkspace workspace;
    return detectSlot(samples, sampleRate, call, settings, periodStartMs, band, beaconIndex, workspace, tableCalls);
}

SlotResult detectSlot(std::span<const float> samples, int sampleRate, const QString& call,
                      const DetectorSettings& settings, std::int64_t periodStartMs, int band, int beaconIndex,
                      DetectorWorkspace& ws, std::span<const QString> tableCalls) {
    if (sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate)
        throw std::invalid_argument("detectSlot: sample rate " + std::to_string(sampleRate) + " Hz is out of range");
    if (!(settings.pitchHz >= kMinPitchHz && settings.pitchHz <= kMaxPitchHz))
        throw std::invalid_argument("detectSlot: pitch out of range");
    // Wider searches are clamped below; a search that is no number at all
    // could not even be clamped.
    if (!std::isfinite(settings.searchHz) || !std::isfinite(settings.searchMs) || !std::isfinite(settings.originMs))
        throw std::invalid_argument("detectSlot: search range is not a number");

    SlotResult r;
    r.periodStartMs = periodStartMs;
    r.band = band;
    r.beaconIndex = beaconIndex;

    const Baseband b = mixDown(samples, sampleRate, settings.pitchHz, ws);
    const Cells cells = cellsOf(b, std::clamp(settings.searchHz, 0.0, kMaxSearchHz), ws);
    if (cells.frames == 0) return r;
    const Keying& keying = keyingFor(call, ws);
    const Candidate best = searchKeying(cells, keying, settings, ws);
    if (!(best.score >= kHeardScore)) return r;
    const double cellTone = best.bin * cells.binHz;
    const double dash1Ms = best.startMs + keying.dash1Units * best.unitMs;
    const auto toSample = [&](double ms) {
        return static_cast<std::size_t>(std::clamp(ms / 1000 * b.rate, 0.0, static_cast<double>(b.z.size())));
    };
    const double toneHz = fineTone(b, toSample(best.startMs), toSample(dash1Ms + 1000), cellTone, cells.binHz, ws);
    // Something is keyed at the tone: the expected call, or another.
    const Identity id = identify(b, cells, keying, best, toneHz, call, tableCalls, ws);
    if (id.compared && id.bestTable > 0 && id.tableFit >= std::max(id.expectedFit, id.variantFit) + kOtherMargin &&
        id.tableFit >= kHeardScore) {
        const DetectorWorkspace::Rival& other = ws.rivals[static_cast<std::size_t>(id.bestTable)];
        const QString& otherCall = tableCalls[static_cast<std::size_t>(other.tableIndex)];
        const Keying& otherKeying = keyingFor(otherCall, ws);
        const Candidate otherAt{other.fit, best.bin, other.unitMs, other.dashMs - otherKeying.dash1Units * other.unitMs};
        if (clearness(cells, otherKeying, otherAt) >= kMinClearness) r.otherCall = otherCall;
        return r;
    }
    if (clearness(cells, keying, best) < (id.compared ? kToldClearness : kMinClearness)) return r;
    if (id.compared && (id.expectedFit < id.tableFit + kTableMargin ||
                        id.expectedFit < id.variantFit - kVariantSlack - kVariantSlackFraction * id.expectedFit))
        return r;

    r.heard = true;
    r.timeOffsetMs = best.startMs - settings.originMs;
    r.toneOffsetHz = b.centreHz + toneHz - settings.pitchHz;

    const int toneBin = std::clamp(static_cast<int>(std::lround(toneHz / cells.binHz)), -cells.maxBin, cells.maxBin);
    const DashFit dashes = fitDashes(cells, toneBin, dash1Ms);
    // The noise density per hertz of z, from the cells clear of the tone.
    const double density = cells.noiseAwayFrom(toneHz, kNoiseClearHz) / cells.windowEnergy / b.rate;
    for (int k = 0; k < kDashCount; ++k) {
        const double from = dashes.startMs + k * (dashes.lengthMs + dashes.gapMs);
        r.dashSnrDb[static_cast<std::size_t>(k)] =
            dashSnr(b, from + kDashEdgeMs, from + dashes.lengthMs - kDashEdgeMs, toneHz, density, ws);
    }
    return r;
}

}  // namespace orvane::listen
