// The audio input against a real sound server: a PulseAudio daemon of the
// test's own with a null sink, a keyed tone played into it and captured back
// from its monitor source through Qt Multimedia.
#include <gtest/gtest.h>

#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <optional>
#include <vector>

#include "common/Clock.h"
#include "beacons/Schedule.h"
#include "beacons/StationTable.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/Transmission.h"
#include "listen/KeyedTone.h"
#include "listen/SlotCutter.h"
#include "listen/live/LiveListener.h"
#include "listen/live/QtAudioInput.h"
#include "listen/live/SampleTimeline.h"
#include "support/CpuLoad.h"
#include "support/PulseAudioServer.h"
#include "support/WaitUntil.h"

namespace orvane::listen {
namespace {

struct Block {
    double firstMs;
    double arrivedMs;
    std::int64_t frames;
    int rate;
    double rms;
    int crossings;  // sign changes, for the tone's pitch
};

// Samples in [-1, 1] as the sound server takes them: s16le.
QByteArray s16le(const std::vector<float>& audio) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(audio.size() * 2));
    for (const float v : audio) {
        const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        char le[2];
        qToLittleEndian(s, le);
        bytes.append(le, 2);
    }
    return bytes;
}

// Silence, then `toneMs` of `pitchHz` at half scale, then silence: s16le, 12 kHz.
QByteArray keyedTone(int silenceMs, int toneMs, double pitchHz) {
    constexpr int kRate = 12000;
    const int lead = silenceMs * kRate / 1000;
    const int tone = toneMs * kRate / 1000;
    QByteArray bytes;
    for (int i = 0; i < 2 * lead + tone; ++i) {
        double v = 0;
        if (i >= lead && i < lead + tone) v = 0.5 * std::sin(2 * std::numbers::pi * pitchHz * (i - lead) / kRate);
        const auto s = static_cast<std::int16_t>(std::lround(v * 32767));
        char le[2];
        qToLittleEndian(s, le);
        bytes.append(le, 2);
    }
    return bytes;
}

// Capturing in real time while every slot is also analysed many times slower
// under a sanitizer loses audio, and a slot with lost audio is rightly
// dropped: the tests that need every slot of a run in time are left to the
// normal build, which runs them all.
//
// Under ThreadSanitizer none of them runs: PulseAudio's client library, built
// without it, runs threads and locks of its own inside every capture.
#if defined(ORVANE_THREAD_SANITIZER_BUILD)
#define SKIP_WHERE_REAL_TIME_IS_LOST() GTEST_SKIP() << "PulseAudio's own threads are not checkable here"
#define SKIP_UNDER_THREAD_SANITIZER() SKIP_WHERE_REAL_TIME_IS_LOST()
#elif defined(ORVANE_INSTRUMENTED_BUILD)
#define SKIP_UNDER_THREAD_SANITIZER() static_cast<void>(0)
#define SKIP_WHERE_REAL_TIME_IS_LOST() GTEST_SKIP() << "needs real-time pace, not kept in a sanitizer build"
#else
#define SKIP_UNDER_THREAD_SANITIZER() static_cast<void>(0)
#define SKIP_WHERE_REAL_TIME_IS_LOST() static_cast<void>(0)
#endif

TEST(LiveCapture, AToneInTheNullSinkComesBackStampedOnUtc) {
    SKIP_UNDER_THREAD_SANITIZER();
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();

    SystemClock clock;
    std::mutex mutex;
    std::vector<Block> blocks;
    QtAudioInput input(clock, server.captureDescription());
    input.setBlockHandler([&](std::int64_t firstUtcMs, int rate, std::span<const float> samples) {
        const auto firstMs = static_cast<double>(firstUtcMs);
        double sum = 0;
        int crossings = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            sum += static_cast<double>(samples[i]) * static_cast<double>(samples[i]);
            if (i > 0 && (samples[i] >= 0) != (samples[i - 1] >= 0)) ++crossings;
        }
        const double rms = samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
        const std::lock_guard lock(mutex);
        blocks.push_back({firstMs, clock.nowUtcMsFine(), static_cast<std::int64_t>(samples.size()), rate, rms, crossings});
    });
    QString reason;
    ASSERT_TRUE(input.open(&reason)) << reason.toStdString() << "; inputs: " << QtAudioInput::inputDevices().size();
    const int rate = input.sampleRate();
    ASSERT_GE(rate, 8000);

    PulseAudioServer::Player player(server, keyedTone(1000, 1000, 700));
    const auto capturedMs = [&] {
        const std::lock_guard lock(mutex);
        std::int64_t frames = 0;
        for (const Block& b : blocks) frames += b.frames;
        return static_cast<double>(frames) * 1000.0 / rate;
    };
    ASSERT_TRUE(waitUntil([&] { return player.finished() && capturedMs() > 4000; }, 30000, 50))
        << "captured " << capturedMs() << " ms; server log: " << server.log().right(600).toStdString();
    input.stop();

    const std::lock_guard lock(mutex);
    ASSERT_GT(blocks.size(), 4u);
    double loudest = 0;
    const Block* toneBlock = nullptr;
    int jumps = 0;
    double audioMs = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        EXPECT_EQ(b.rate, rate);
        EXPECT_LE(b.frames, QtAudioInput::kMaxBlockFrames);
        const double durationMs = static_cast<double>(b.frames) * 1000.0 / rate;
        // No block can come before its last sample, nor so long after it
        // that audio must have been lost (the capture buffer, kBufferMs,
        // and a busy machine's delays fit well within kGapMs).
        EXPECT_LE(b.firstMs + durationMs, b.arrivedMs + 1) << i;
        EXPECT_GT(b.firstMs, b.arrivedMs - durationMs - SampleTimeline::kGapMs) << i;
        if (i > 0) {
            const Block& p = blocks[i - 1];
            const double gapMs = b.firstMs - (p.firstMs + static_cast<double>(p.frames) * 1000.0 / rate);
            // Blocks only bound the anchor from one side: one held up is
            // stamped late until a quicker one comes and moves the stamps
            // back. Forward, once a second of audio has passed, they move only
            // by the drift allowance, however late a block arrives.
            if (std::abs(gapMs) > 1.01) ++jumps;  // stamps are whole ms
            EXPECT_LT(gapMs, audioMs > 1000 ? 50 : 1000) << i;
            EXPECT_GT(gapMs, -1000) << i;
        }
        audioMs += durationMs;
        if (b.rms > loudest && b.frames >= rate / 20) {
            loudest = b.rms;
            toneBlock = &b;
        }
    }
    // The timeline follows the sample count, moving only now and then.
    EXPECT_LE(jumps, static_cast<int>(blocks.size()) / 4);
    ASSERT_NE(toneBlock, nullptr);
    EXPECT_GT(loudest, 0.2);  // a tone of amplitude 0.5 has an RMS of 0.35
    const double pitchHz = toneBlock->crossings / 2.0 / (static_cast<double>(toneBlock->frames) / rate);
    EXPECT_NEAR(pitchHz, 700, 30);
}

// A device faster than the detector takes (96 kHz here, asked of the sound
// server, which gives it) is not refused block by block: its audio comes
// divided down to 48 kHz, the tone at its pitch and in time.
TEST(LiveCapture, AFasterDeviceIsDividedDownToTheDetectorsRange) {
    SKIP_UNDER_THREAD_SANITIZER();
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();
    SystemClock clock;
    std::mutex mutex;
    std::vector<Block> blocks;
    QtAudioInput input(clock, server.captureDescription());
    input.setWantedRate(96000);
    input.setBlockHandler([&](std::int64_t firstUtcMs, int rate, std::span<const float> samples) {
        double sum = 0;
        int crossings = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            sum += static_cast<double>(samples[i]) * static_cast<double>(samples[i]);
            if (i > 0 && (samples[i] >= 0) != (samples[i - 1] >= 0)) ++crossings;
        }
        const double rms = samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
        const std::lock_guard lock(mutex);
        blocks.push_back({static_cast<double>(firstUtcMs), clock.nowUtcMsFine(),
                          static_cast<std::int64_t>(samples.size()), rate, rms, crossings});
    });
    QString reason;
    ASSERT_TRUE(input.open(&reason)) << reason.toStdString();
    EXPECT_EQ(input.sampleRate(), 48000);
    PulseAudioServer::Player player(server, keyedTone(500, 1500, 700));
    const auto loudest = [&] {
        const std::lock_guard lock(mutex);
        const Block* best = nullptr;
        for (const Block& b : blocks)
            if (b.frames >= 1200 && (!best || b.rms > best->rms)) best = &b;
        return best ? std::optional<Block>(*best) : std::nullopt;
    };
    ASSERT_TRUE(waitUntil([&] { return player.finished() && loudest() && loudest()->rms > 0.2; }, 30000, 50))
        << blocks.size() << " blocks, loudest RMS " << (loudest() ? loudest()->rms : -1) << ", rate "
        << (blocks.empty() ? 0 : blocks.back().rate) << "; " << server.log().right(300).toStdString();
    input.stop();
    const std::lock_guard lock(mutex);
    for (const Block& b : blocks) EXPECT_EQ(b.rate, 48000);
    const auto it = std::max_element(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) {
        return (a.frames >= 1200 ? a.rms : 0) < (b.frames >= 1200 ? b.rms : 0);
    });
    const double pitchHz = it->crossings / 2.0 / (static_cast<double>(it->frames) / 48000);
    EXPECT_NEAR(pitchHz, 700, 30);
}

TEST(LiveCapture, AMissingDeviceIsAClearError) {
    SKIP_UNDER_THREAD_SANITIZER();
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();
    SystemClock clock;
    QtAudioInput input(clock, QStringLiteral("No such input"));
    QString reason;
    EXPECT_FALSE(input.open(&reason));
    EXPECT_EQ(reason, QStringLiteral("The audio input \"No such input\" is not there."));
    EXPECT_FALSE(input.running());
    // Through the AudioSource interface the reason goes to the error handler.
    QString reported;
    input.setErrorHandler([&](const QString& message) { reported = message; });
    input.start();
    EXPECT_EQ(reported, reason);
}

// An input is found by its id, whatever its description (two codecs of one
// make share theirs); an id not there is not replaced by another input of
// the same description. The id is the one the system lists.
TEST(LiveCapture, AnInputIsOpenedByItsIdNotByItsDescription) {
    SKIP_UNDER_THREAD_SANITIZER();
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();
    // The sound system lists its inputs once it has heard from the server.
    QString id;
    const bool listed = waitUntil(
        [&] {
            for (const AudioInput& input : QtAudioInput::inputDevices())
                if (input.description == server.captureDescription()) id = input.id;
            return !id.isEmpty();
        },
        10000, 50);
    ASSERT_TRUE(listed) << QtAudioInput::inputDevices().size() << " inputs listed";
    SystemClock clock;
    struct Choice {
        const char* name;
        QString description, id;
        bool opens;
    };
    const Choice choices[] = {
        {"by id", server.captureDescription(), id, true},
        {"by id, renamed since", QStringLiteral("Another name"), id, true},
        {"by description only", server.captureDescription(), QString(), true},
        {"an id not there", server.captureDescription(), id + QStringLiteral(".2"), false},
    };
    for (const Choice& c : choices) {
        QtAudioInput input(clock, c.description, c.id);
        QString reason;
        EXPECT_EQ(input.open(&reason), c.opens) << c.name << ": " << reason.toStdString();
        if (!c.opens) {
            EXPECT_EQ(reason, QStringLiteral("The audio input \"%1\" is not there.").arg(c.description));
        }
        input.stop();
    }
}

// The captured stream cut into slots: every slot starts on a UTC boundary
// and follows the one before, however the blocks fall, on a busy machine:
// two processes spin on the CPU all the while (on two cores, a load of two
// on top of whatever else runs), so the capture thread and the sound server
// wake late and unevenly, and no slot may be lost to it.
TEST(LiveCapture, CapturedAudioIsCutIntoWholeSlotsOnTheBoundaries) {
    SKIP_WHERE_REAL_TIME_IS_LOST();
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();
    const CpuLoad busy(2);
    ASSERT_TRUE(busy.started());

    SystemClock clock;
    const beacons::StationTable stations;
    std::mutex mutex;
    std::vector<SlotResult> results;
    SlotCutter cutter(DetectorSettings{}, expectOnBand(stations, 0), [&](const SlotResult& r) {
        const std::lock_guard lock(mutex);
        results.push_back(r);
    });
    QtAudioInput input(clock, server.captureDescription());
    input.setBlockHandler([&](std::int64_t firstMs, int rate, std::span<const float> samples) {
        cutter.push(firstMs, rate, samples);
    });
    QString reason;
    ASSERT_TRUE(input.open(&reason)) << reason.toStdString();
    const auto count = [&] {
        const std::lock_guard lock(mutex);
        return results.size();
    };
    // Up to 10 s before the first boundary, then two whole slots.
    ASSERT_TRUE(waitUntil([&] { return count() >= 2; }, 60000, 100));
    const std::int64_t stoppedAtMs = clock.nowUtcMs();
    input.stop();
    const std::lock_guard lock(mutex);
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].periodStartMs % beacons::kSlotMs, 0) << i;
        EXPECT_LE(results[i].periodStartMs + beacons::kSlotMs, stoppedAtMs + 1000) << i;
        EXPECT_EQ(results[i].band, 0);
        EXPECT_EQ(results[i].beaconIndex, beacons::slotIndexAt(results[i].periodStartMs, 0)) << i;
        EXPECT_FALSE(results[i].heard) << i;  // nothing was played
        if (i > 0) {
            EXPECT_EQ(results[i].periodStartMs, results[i - 1].periodStartMs + beacons::kSlotMs) << i;
        }
    }
}

// Closing the loop: the program's own simulation of the beacon the schedule
// puts on 14.100 MHz in a slot (rendered through FluidSynth at the network's
// 22 wpm, in noise), played into the null sink so that it begins on that
// slot's UTC boundary, is heard in that slot as that beacon, at the
// simulation's tone and within the timing the detector allows; the slot
// after it, noise alone, is not heard.
//
// A player's stream starts some time after it is launched (a second or more
// when the server is busy), so the beacon cannot be placed by the launch
// time. The player starts with 3 s of noise; the capture sees when that
// noise begins, on the same UTC stamps the slots are cut by, and the rest
// is appended from there: noise up to the boundary, the beacon, a slot of
// noise. Any delay of the playback is then the same for the noise's start
// and the beacon.
TEST(LiveCapture, ABeaconPlayedIntoTheSinkIsHeardInItsSlot) {
    SKIP_WHERE_REAL_TIME_IS_LOST();
    if (!QFile::exists(cwsim::defaultSoundFontPath())) GTEST_SKIP() << "no GM soundfont installed";
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();

    SystemClock clock;
    const beacons::StationTable stations;
    std::mutex mutex;
    std::vector<SlotResult> results;
    // The simulation's tone is MIDI note 74 (D5): 440 × 2^(5/12) Hz, ~587 Hz;
    // the receiver's pitch as set is 600 Hz, so the tone is found 13 Hz low.
    const double noteHz = 440.0 * std::pow(2.0, 5.0 / 12.0);
    DetectorSettings detector;
    detector.pitchHz = 600;
    SlotCutter cutter(detector, expectOnBand(stations, 0), [&](const SlotResult& r) {
        const std::lock_guard lock(mutex);
        results.push_back(r);
    });
    QtAudioInput input(clock, server.captureDescription());
    // Where the played noise first shows (20 ms mean of |x|; the sink gives
    // zeros before it).
    std::atomic<std::int64_t> noiseFromMs{0};
    std::atomic<std::int64_t> framesCaptured{0};
    double runningAbs = 0;
    input.setBlockHandler([&](std::int64_t firstMs, int rate, std::span<const float> samples) {
        framesCaptured += static_cast<std::int64_t>(samples.size());
        for (std::size_t i = 0; i < samples.size() && noiseFromMs == 0; ++i) {
            runningAbs += (std::abs(static_cast<double>(samples[i])) - runningAbs) / (0.02 * rate);
            if (runningAbs > 0.02) noiseFromMs = firstMs + static_cast<std::int64_t>(i) * 1000 / rate - 20;
        }
        cutter.push(firstMs, rate, samples);
    });
    QString reason;
    ASSERT_TRUE(input.open(&reason)) << reason.toStdString();

    constexpr int kRate = 12000;
    constexpr int kFirstNoiseMs = 3000;
    // The stamps settle on the sample count once the first blocks are in
    // (one held up at the start is stamped late until a quicker one comes):
    // the noise's start is measured after that.
    ASSERT_TRUE(waitUntil([&] { return framesCaptured >= 2 * input.sampleRate(); }, 10000, 20));
    KeyedTone silent;
    silent.present = false;
    PulseAudioServer::Player player(server, s16le(silent.render(kRate, kFirstNoiseMs, 9)), true);
    ASSERT_TRUE(waitUntil([&] { return noiseFromMs != 0; }, 10000, 20)) << server.log().right(600).toStdString();

    // The first boundary the appended audio can reach, with a second to spare.
    const std::int64_t firstNoiseEndMs = noiseFromMs + kFirstNoiseMs;
    const std::int64_t slotMs = beacons::nextSlotBoundaryMs(std::max(firstNoiseEndMs, clock.nowUtcMs() + 1000));
    const int beacon = beacons::slotIndexAt(slotMs, 0);
    cwsim::TransmissionSettings settings;
    settings.dotTimeMs = 55;  // the network's 22 wpm
    cwsim::FluidRenderer renderer(cwsim::defaultSoundFontPath(), kRate);
    const std::vector<std::int16_t> stereo = renderer.render(cwsim::transmissionMessages(beacon + 1, settings), 0);
    ASSERT_FALSE(stereo.empty()) << "the synthesiser made no sound";
    // The slot: the left channel (its first dash then near +9 dB in 2.5 kHz),
    // in the noise the rest is played in.
    std::vector<float> keyed = silent.render(kRate, 10000, 7);
    for (std::size_t i = 0; i < keyed.size() && 2 * i < stereo.size(); ++i)
        keyed[i] += 0.8f * static_cast<float>(stereo[2 * i]) / 32768.0f;
    std::vector<float> audio = silent.render(kRate, static_cast<double>(slotMs - firstNoiseEndMs), 10);
    const std::vector<float> after = silent.render(kRate, 11000, 8);
    audio.insert(audio.end(), keyed.begin(), keyed.end());
    audio.insert(audio.end(), after.begin(), after.end());
    player.write(s16le(audio));
    player.finish();

    const auto resultFor = [&](std::int64_t periodMs) -> std::optional<SlotResult> {
        const std::lock_guard lock(mutex);
        for (const SlotResult& r : results)
            if (r.periodStartMs == periodMs) return r;
        return std::nullopt;
    };
    ASSERT_TRUE(waitUntil([&] { return resultFor(slotMs + beacons::kSlotMs).has_value(); }, 60000, 100))
        << "server log: " << server.log().right(600).toStdString();
    input.stop();

    const std::optional<SlotResult> played = resultFor(slotMs);
    ASSERT_TRUE(played);
    EXPECT_EQ(played->beaconIndex, beacon);
    EXPECT_TRUE(played->heard) << stations.entry(beacon).call << ": tone offset " << played->toneOffsetHz
                               << " Hz, time offset " << played->timeOffsetMs << " ms, first dash "
                               << played->dashSnrDb[0].value_or(-99) << " dB";

    EXPECT_GE(played->dashesHeard(), 2);
    EXPECT_NEAR(played->toneOffsetHz, noteHz - 600, 5);
    EXPECT_LT(std::abs(played->timeOffsetMs), 200);
    const std::optional<SlotResult> next = resultFor(slotMs + beacons::kSlotMs);
    ASSERT_TRUE(next);
    EXPECT_FALSE(next->heard);
}

// A station with five receivers, each on an audio input of its own (five
// null sinks) and a band of its own: the listener hears all five at once.
// The beacon due on 21.15 MHz in a slot is played into the third sink only
// (placed on the boundary the way the test above places it, from where its
// lead-in noise shows in that input); every band's results come in, each
// input's on its band, and only 21.15 MHz hears a beacon in that slot.
TEST(LiveCapture, FiveReceiversOnFiveSinksAreHeardEachOnItsBand) {
    SKIP_WHERE_REAL_TIME_IS_LOST();
    constexpr int kInputs = 5;
    constexpr int kPlayedBand = 2;  // into the sink of input 3
    PulseAudioServer server;
    QString whyNot;
    if (!server.start(&whyNot, kInputs)) GTEST_SKIP() << "No sound server for the live test: " << whyNot.toStdString();

    // Input 3's audio is also watched for where the played noise begins.
    class Tapped final : public AudioSource {
    public:
        Tapped(std::unique_ptr<AudioSource> inner, std::function<void(std::int64_t, int, std::span<const float>)> tap)
            : inner_(std::move(inner)), tap_(std::move(tap)) {}
        void start() override {
            inner_->setBlockHandler([this](std::int64_t firstMs, int rate, std::span<const float> samples) {
                if (tap_) tap_(firstMs, rate, samples);
                deliver(firstMs, rate, samples);
            });
            inner_->setErrorHandler([this](const QString& message) { fail(message); });
            inner_->start();
        }
        void stop() override { inner_->stop(); }

    private:
        std::unique_ptr<AudioSource> inner_;
        std::function<void(std::int64_t, int, std::span<const float>)> tap_;
    };
    SystemClock clock;
    std::atomic<std::int64_t> noiseFromMs{0};
    std::atomic<std::int64_t> framesCaptured{0};
    double runningAbs = 0;
    const auto watch = [&](std::int64_t firstMs, int rate, std::span<const float> samples) {
        framesCaptured += static_cast<std::int64_t>(samples.size());
        for (std::size_t i = 0; i < samples.size() && noiseFromMs == 0; ++i) {
            runningAbs += (std::abs(static_cast<double>(samples[i])) - runningAbs) / (0.02 * rate);
            if (runningAbs > 0.02) noiseFromMs = firstMs + static_cast<std::int64_t>(i) * 1000 / rate - 20;
        }
    };
    LiveListener listener([&](const ListenSettings& s) -> std::unique_ptr<AudioSource> {
        auto input = std::make_unique<QtAudioInput>(clock, s.Device, s.DeviceId);
        if (s.Band != kPlayedBand) return input;
        return std::make_unique<Tapped>(std::move(input), watch);
    });
    ListenSettings settings{PulseAudioServer::captureDescription(1), 700, QString()};
    settings.Band = 0;
    for (int n = 2; n <= kInputs; ++n) settings.MoreInputs.push_back({PulseAudioServer::captureDescription(n), QString(), n - 1});
    listener.setSettings(settings);
    std::map<QString, std::vector<SlotResult>> byInput;
    QString failure;
    QObject::connect(&listener, &LiveListener::heard, &listener,
                     [&](const SlotResult& r, const QString&, const QString& input) { byInput[input].push_back(r); });
    QObject::connect(&listener, &LiveListener::failed, &listener, [&](const QString& m) { failure = m; });
    listener.start();
    ASSERT_TRUE(listener.listening()) << failure.toStdString();

    constexpr int kRate = 12000;
    constexpr int kFirstNoiseMs = 3000;
    ASSERT_TRUE(waitUntil([&] { return framesCaptured >= 2 * kRate || !failure.isEmpty(); }, 10000, 20))
        << failure.toStdString();
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    KeyedTone silent;
    silent.present = false;
    PulseAudioServer::Player player(server, s16le(silent.render(kRate, kFirstNoiseMs, 9)), true, kPlayedBand + 1);
    ASSERT_TRUE(waitUntil([&] { return noiseFromMs != 0; }, 10000, 20)) << server.log().right(600).toStdString();
    const std::int64_t firstNoiseEndMs = noiseFromMs + kFirstNoiseMs;
    const std::int64_t slotMs = beacons::nextSlotBoundaryMs(std::max(firstNoiseEndMs, clock.nowUtcMs() + 1000));
    const beacons::StationTable stations;
    KeyedTone beacon;
    beacon.call = stations.entry(beacons::slotIndexAt(slotMs, kPlayedBand)).call;
    beacon.dashSnrDb = {10, 0, -10, -20};
    std::vector<float> audio = silent.render(kRate, static_cast<double>(slotMs - firstNoiseEndMs), 10);
    const std::vector<float> keyed = beacon.render(kRate, 10000, 7), after = silent.render(kRate, 11000, 8);
    audio.insert(audio.end(), keyed.begin(), keyed.end());
    audio.insert(audio.end(), after.begin(), after.end());
    player.write(s16le(audio));
    player.finish();

    // Each input's results up to the slot after the played one.
    const auto resultFor = [&](const QString& input, std::int64_t periodMs) -> std::optional<SlotResult> {
        const auto it = byInput.find(input);
        if (it == byInput.end()) return std::nullopt;
        for (const SlotResult& r : it->second)
            if (r.periodStartMs == periodMs) return r;
        return std::nullopt;
    };
    const auto allIn = [&] {
        for (int n = 1; n <= kInputs; ++n)
            if (!resultFor(PulseAudioServer::captureDescription(n), slotMs + beacons::kSlotMs)) return false;
        return true;
    };
    ASSERT_TRUE(waitUntil([&] { return allIn() || !failure.isEmpty(); }, 60000, 100))
        << failure.toStdString() << "; server log: " << server.log().right(600).toStdString();
    listener.stop();
    for (int n = 1; n <= kInputs; ++n) {
        const QString input = PulseAudioServer::captureDescription(n);
        SCOPED_TRACE(input.toStdString());
        for (const SlotResult& r : byInput[input]) EXPECT_EQ(r.band, n - 1);
        const std::optional<SlotResult> played = resultFor(input, slotMs);
        ASSERT_TRUE(played);
        EXPECT_EQ(played->beaconIndex, beacons::slotIndexAt(slotMs, n - 1));
        EXPECT_EQ(played->heard, n - 1 == kPlayedBand)
            << "first dash " << played->dashSnrDb[0].value_or(-99) << " dB, time offset " << played->timeOffsetMs;
        EXPECT_FALSE(resultFor(input, slotMs + beacons::kSlotMs)->heard);
    }
}

}  // namespace
}  // namespace orvane::listen
