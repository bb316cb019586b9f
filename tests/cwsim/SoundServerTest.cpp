// The synthesiser against a real sound server, a PulseAudio daemon of the
// test's own with a null sink: counting the outputs loads nothing (not even
// the synthesiser's library) and leaves no stream; a stream is open only from an open to its close, and a player
// that opens on demand leaves none once its transmission is over.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <thread>

#include "cwsim/BeaconPlayer.h"
#include "cwsim/FluidSynthOutput.h"
#include "cwsim/SystemMidiOutputLayer.h"
#include "support/PulseAudioServer.h"
#include "support/WaitUntil.h"

namespace orvane::cwsim {
namespace {

// Playback streams the server has now, as pactl lists them (-1: pactl failed).
int streams(const PulseAudioServer& server) {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + server.server(), QStringLiteral("list"),
                                          QStringLiteral("short"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(10000) || pactl.exitCode() != 0) return -1;
    const QByteArray out = pactl.readAllStandardOutput().trimmed();
    return out.isEmpty() ? 0 : static_cast<int>(out.count('\n')) + 1;
}

// Whether this process has a library whose file name starts with `name` mapped.
bool libraryMapped(const QByteArray& name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : maps.readAll().split('\n'))
        if (line.contains("/" + name)) return true;
    return false;
}

class SoundServerTest : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(ORVANE_THREAD_SANITIZER_BUILD)
        GTEST_SKIP() << "PulseAudio's and FluidSynth's own threads are not checkable here";
#endif
        if (!QFile::exists(defaultSoundFontPath())) GTEST_SKIP() << "no GM soundfont installed";
        QString whyNot;
        if (!server.start(&whyNot)) GTEST_SKIP() << whyNot.toStdString();
    }
    PulseAudioServer server;
};

TEST_F(SoundServerTest, AStreamIsOpenOnlyFromAnOpenToItsClose) {
    SystemMidiOutputLayer layer(defaultSoundFontPath());
    ASSERT_GE(layer.midiOutGetNumDevs(), 1u) << "the synthesiser sounds through the server";
    EXPECT_EQ(layer.midiOutDeviceName(0), SystemMidiOutputLayer::kSynthName);
    EXPECT_FALSE(layer.synthLoaded()) << "counting loads no soundfont";
    EXPECT_FALSE(libraryMapped("libfluidsynth.so")) << "counting asks ALSA's default device, not the synthesiser";
    EXPECT_EQ(streams(server), 0) << "counting leaves no stream";

    // The synthesiser's ALSA driver prepares the device once more as its
    // thread starts, and the server's plug-in makes the stream anew then:
    // for a moment after an open the server may list none.
    const auto oneStream = [this] { return waitUntil([this] { return streams(server) == 1; }, 10000, 10); };
    MidiOutHandle handle = nullptr;
    ASSERT_EQ(layer.midiOutOpen(&handle, kMidiMapper), midierr::kNoError);
    EXPECT_TRUE(layer.synthLoaded());
    EXPECT_TRUE(oneStream());
    EXPECT_EQ(layer.midiOutShortMsg(handle, packShortMsg(0x90, 74, 127)), midierr::kNoError);
    EXPECT_EQ(layer.midiOutClose(handle), midierr::kNoError);
    EXPECT_EQ(streams(server), 0);

    // Again, on the synthesiser already loaded.
    ASSERT_EQ(layer.midiOutOpen(&handle, kMidiMapper), midierr::kNoError);
    EXPECT_TRUE(oneStream());
    EXPECT_EQ(layer.midiOutClose(handle), midierr::kNoError);
    EXPECT_EQ(streams(server), 0);
}

// The player as the program runs it: the soundfont is prepared ahead, a
// transmission's stream is seen while it plays and is gone after it.
TEST_F(SoundServerTest, APlayerOnDemandLeavesNoStreamWhenItsTransmissionIsOver) {
    auto layer = std::make_shared<SystemMidiOutputLayer>(defaultSoundFontPath());
    ASSERT_GE(layer->midiOutGetNumDevs(), 1u);
    auto clock = std::make_shared<SteadyPlayerClock>();
    auto player = std::make_shared<BeaconPlayer>(layer, clock);
    std::vector<std::string> errors;
    player->setErrorSink([&errors](const std::string& text) { errors.push_back(text); });
    player->setSpeedControl(75);
    player->setStopRequest(true);  // ZL6B ends after "--" and its gap: about 1 s
    player->openOnDemand(kMidiMapper, std::chrono::milliseconds(0));
    player->Initialize(79);
    player->prepareOutput();
    EXPECT_TRUE(waitUntil([&] { return layer->synthLoaded(); }, 30000, 10));
    EXPECT_EQ(streams(server), 0);

    std::atomic<bool> done{false};
    std::thread sound([&] {
        player->PlayABeacon(5);
        done = true;
    });
    bool seen = false;
    waitUntil([&] { return (seen = seen || streams(server) == 1) || done; }, 30000, 5);
    sound.join();
    EXPECT_TRUE(seen) << "no stream while the transmission played";
    EXPECT_EQ(streams(server), 0);
    EXPECT_TRUE(errors.empty()) << errors.front();
    player->shutdown(std::chrono::milliseconds(1000));
}

}  // namespace
}  // namespace orvane::cwsim
