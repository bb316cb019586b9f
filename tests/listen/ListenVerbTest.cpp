// orvane-cli listen as a user runs it, on recordings made here: files,
// streams on its standard input, libsndfile's and sox's renderings.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <map>

#include "DelayedAir.h"
#include "KeyedTone.h"
#include "SoundFileTestWriter.h"
#include "WavTestFile.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 12000;

CliRun cli(const QStringList& args) {
    return runProgram(QStringLiteral(ORVANE_CLI), QStringList{QStringLiteral("listen")} + args);
}

// 36 s from 12:00:05 UTC (a cycle starts at 12:00:00): whole slots at :10
// (VE8AT on 14.10 MHz, keyed on time), :20 (W6WX, silent) and :30 (KH6WO,
// keyed 150 ms late and 100 Hz high).
std::vector<float> recording() {
    KeyedTone noise;
    noise.present = false;
    std::vector<float> audio = noise.render(kRate, 36'000, 1);
    KeyedTone ve8at;
    ve8at.call = "VE8AT";
    ve8at.dashSnrDb = {10, 0, -10, -20};
    KeyedTone kh6wo;
    kh6wo.call = "KH6WO";
    kh6wo.startMs = 150;
    kh6wo.toneHz = 800;
    kh6wo.dashSnrDb = {-5, -15, -25, -35};
    const auto a = ve8at.render(kRate, 10'000, 2), b = kh6wo.render(kRate, 10'000, 3);
    std::copy(a.begin(), a.end(), audio.begin() + 5 * kRate);
    std::copy(b.begin(), b.end(), audio.begin() + 25 * kRate);
    return audio;
}

QStringList fields(const QString& line) { return line.split(QLatin1Char('\t')); }

TEST(ListenVerb, PrintsOneLinePerWholeSlotOnTheBand) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx.wav"));
    TempDir::write(file, WavBytes{}.make(recording()));
    const CliRun r = cli({"-i", file, "--start", "2026-12-10T12:00:05Z", "--band", "14.1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();

    const QStringList first = fields(lines[0]);
    ASSERT_EQ(first.size(), 11);
    EXPECT_EQ(first.mid(0, 5).join(' '), "2026-12-10T12:00:10Z 14.10 2 VE8AT 1");
    for (int d = 0; d < 3; ++d) EXPECT_NEAR(first[5 + d].toDouble(), 10 - 10 * d, 2.0) << d;
    EXPECT_NEAR(first[9].toDouble(), 0, 3);
    EXPECT_NEAR(first[10].toDouble(), 0, 30);

    EXPECT_EQ(lines[1], "2026-12-10T12:00:20Z\t14.10\t3\tW6WX\t0\t-\t-\t-\t-\t0.0\t0");

    const QStringList third = fields(lines[2]);
    EXPECT_EQ(third.mid(0, 5).join(' '), "2026-12-10T12:00:30Z 14.10 4 KH6WO 1");
    EXPECT_NEAR(third[5].toDouble(), -5, 2.0);
    EXPECT_NEAR(third[6].toDouble(), -15, 2.0);
    EXPECT_EQ(third[8], "-");  // 0.1 W at -35 dB
    EXPECT_NEAR(third[9].toDouble(), 100, 3);
    EXPECT_NEAR(third[10].toDouble(), 150, 30);
}

// The same recording said to start a slot late (a clock 10 s off): each
// beacon is then in the slot before its own. It is not heard as the beacon
// expected there but named in the heard column, which tells the user.
TEST(ListenVerb, AnotherBeaconKeyedInTheSlotIsNamed) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx.wav"));
    TempDir::write(file, WavBytes{}.make(recording()));
    const CliRun r = cli({"-i", file, "--start", "2026-12-10T12:00:15Z", "--band", "14.1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_EQ(lines[0], "2026-12-10T12:00:20Z\t14.10\t3\tW6WX\tother VE8AT\t-\t-\t-\t-\t0.0\t0");
    EXPECT_EQ(lines[1], "2026-12-10T12:00:30Z\t14.10\t4\tKH6WO\t0\t-\t-\t-\t-\t0.0\t0");
    EXPECT_EQ(lines[2], "2026-12-10T12:00:40Z\t14.10\t5\tZL6B\tother KH6WO\t-\t-\t-\t-\t0.0\t0");
}

TEST(ListenVerb, FollowingABeaconListensOnItsBandEachSlot) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx.wav"));
    TempDir::write(file, WavBytes{.channels = 2, .isFloat = true}.make(recording()));
    const CliRun r = cli({"-i", file, "--start", "2026-12-10T12:00:05Z", "--follow", "ve8at"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(fields(lines[0]).mid(1, 4).join(' '), "14.10 2 VE8AT 1");
    EXPECT_EQ(fields(lines[1]).mid(1, 4).join(' '), "18.11 2 VE8AT 0");
    // The recording was made on 14.10 MHz: where VE8AT was due on 21.15 it
    // holds KH6WO, which is named.
    EXPECT_EQ(fields(lines[2]).mid(1, 4).join(' '), "21.15 2 VE8AT other KH6WO");
}

// The recording written to a pipe, as sox, arecord or rtl_fm pipelines give
// it: the header's sizes are 0xFFFFFFFF, written before the length was known.
QByteArray streamed(const std::vector<float>& audio) {
    return WavBytes{.declaredDataBytes = 0xFFFFFFFF, .declaredRiffBytes = 0xFFFFFFFF}.make(audio);
}

// orvane-cli listen with `input` written to its standard input.
CliRun cliWithInput(const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(QStringLiteral(ORVANE_CLI), QStringList{QStringLiteral("listen")} + args);
    if (!p.waitForStarted(30000)) return CliRun();
    p.write(input);
    p.closeWriteChannel();  // once all is written: the end of the stream
    return finishRun(p, 60000);
}

// The first five fields (UTC, MHz, slot, call, heard) of each line.
QStringList whatWasHeard(const QString& out) {
    QStringList heard;
    for (const QString& line : out.trimmed().split(QLatin1Char('\n'))) heard << fields(line).mid(0, 5).join(' ');
    return heard;
}

const QStringList kHeardInRecording{"2026-12-10T12:00:10Z 14.10 2 VE8AT 1", "2026-12-10T12:00:20Z 14.10 3 W6WX 0",
                                    "2026-12-10T12:00:30Z 14.10 4 KH6WO 1"};

TEST(ListenVerb, AStreamOnStandardInputIsHeardAsTheFileIs) {
    TempDir dir;
    const QString file = dir.file(QStringLiteral("rx.wav"));
    const std::vector<float> audio = recording();
    TempDir::write(file, WavBytes{}.make(audio));
    const QStringList args{"--start", "2026-12-10T12:00:05Z", "--band", "14.10"};
    const CliRun fromFile = cli(QStringList{"-i", file} + args);
    const CliRun fromPipe = cliWithInput(QStringList{"-i", "-"} + args, streamed(audio));
    ASSERT_EQ(fromPipe.exitCode, 0) << fromPipe.err.toStdString();
    EXPECT_EQ(whatWasHeard(fromPipe.out), kHeardInRecording) << fromPipe.out.toStdString();
    EXPECT_EQ(fromPipe.out, fromFile.out);
    // The stream ends a second into the slot at :40: said, not hidden.
    EXPECT_TRUE(fromPipe.err.contains("warning: standard input: the recording ends at 12:00:41 UTC; heard up to its "
                                      "last whole slot, to 12:00:40"))
        << fromPipe.err.toStdString();
}

// Cut after 30 s (12:00:35), in a file whose header still declares 36 s
// and in a stream: the two whole slots before the cut are heard, and a
// warning says where it ends.
TEST(ListenVerb, ARecordingCutShortIsHeardToItsLastWholeSlot) {
    const std::vector<float> audio = recording();
    QByteArray cutFile = WavBytes{}.make(audio);
    cutFile.truncate(44 + 30 * kRate * 2 + 1);  // and half a sample
    QByteArray cutStream = streamed(audio);
    cutStream.truncate(44 + 30 * kRate * 2);
    TempDir dir;
    const QString file = dir.file(QStringLiteral("cut.wav"));
    TempDir::write(file, cutFile);
    const QStringList args{"--start", "2026-12-10T12:00:05Z"};
    const CliRun runs[] = {cli(QStringList{"-i", file} + args), cliWithInput(QStringList{"-i", "-"} + args, cutStream)};
    for (const CliRun& r : runs) {
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(whatWasHeard(r.out), kHeardInRecording.mid(0, 2)) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("warning: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("the recording ends at 12:00:35 UTC; heard up to its last whole slot, to 12:00:30"))
            << r.err.toStdString();
    }
}

// No whole slot to hear is a failure with the reason, not an empty success.
TEST(ListenVerb, NoWholeSlotExitsOneWithTheReason) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* start;
        bool onStandardInput;
        const char* says;
    };
    const std::vector<float> audio = recording();
    const Case cases[] = {
        {"HalfASecond", WavBytes{}.make(std::vector<float>(kRate / 2, 0.0f)), "2026-12-10T12:00:00Z", false,
         "no whole slot: the recording holds 0.5 s (12:00:00 to 12:00:00.5 UTC)"},
        {"DataSizeZero", WavBytes{.declaredDataBytes = 0}.make(audio), "2026-12-10T12:00:00Z", false,
         "no whole slot: the recording holds 0.0 s"},
        {"FourteenSecondsAcrossABoundary", WavBytes{}.make(std::vector<float>(14 * kRate, 0.0f)), "2026-12-10T12:00:05Z",
         false, "no whole slot: the recording holds 14.0 s (12:00:05 to 12:00:19 UTC)"},
        {"HalfASecondStreamed", streamed(std::vector<float>(kRate / 2, 0.0f)), "2026-12-10T12:00:00Z", true,
         "standard input: no whole slot: the recording holds 0.5 s"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const QString file = dir.file(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
        TempDir::write(file, c.bytes);
        const CliRun r = c.onStandardInput ? cliWithInput({"-i", "-", "--start", c.start}, c.bytes)
                                           : cli({"-i", file, "--start", c.start});
        EXPECT_EQ(r.exitCode, 1) << c.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << c.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.name;
    }
}

TEST(ListenVerb, WhatIsNoRecordingExitsOneWithTheReason) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool onStandardInput;
        const char* says;
    };
    const std::vector<float> second(kRate, 0.1f);
    const Case cases[] = {
        {"text.wav", "RIFF? no: a shopping list.\nmilk\nbread\n", false, "text.wav: not a recording that can be read"},
        {"stdin", "RIFF? no: a shopping list.\nmilk\nbread\n", true, "standard input: not a recording that can be read"},
        {"three.wav", WavBytes{.channels = 3}.make(second), false, "three.wav: 3 channels; mono or stereo is needed"},
        {"slow.wav", WavBytes{.sampleRate = 4000}.make(second), false, "slow.wav: sample rate 4000 Hz"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const QString file = dir.file(QString::fromLatin1(c.name));
        TempDir::write(file, c.bytes);
        const CliRun r = c.onStandardInput ? cliWithInput({"-i", "-", "--start", "@0"}, c.bytes)
                                           : cli({"-i", file, "--start", "@0"});
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_TRUE(r.err.contains(c.says)) << c.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.name;
    }
    const CliRun missing = cli({"-i", dir.file(QStringLiteral("none.wav")), "--start", "@0"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("no such file")) << missing.err.toStdString();
}

// The side of a stereo recording the receiver is on: the beacons on the
// right only, the left another receiver's noise.
TEST(ListenVerb, TheChannelOptionPicksTheSide) {
    KeyedTone otherReceiver;
    otherReceiver.present = false;
    const std::vector<float> right = recording(), left = otherReceiver.render(kRate, 36'000, 9);
    TempDir dir;
    const QString file = dir.file(QStringLiteral("stereo.flac"));
    ASSERT_TRUE(writeSoundFile(file, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, kRate, left, &right));
    const QStringList args{"-i", file, "--start", "2026-12-10T12:00:05Z"};
    const CliRun onRight = cli(args + QStringList{"--channel", "right"});
    ASSERT_EQ(onRight.exitCode, 0) << onRight.err.toStdString();
    EXPECT_EQ(whatWasHeard(onRight.out), kHeardInRecording);
    const CliRun onLeft = cli(args + QStringList{"--channel", "left"});
    EXPECT_EQ(whatWasHeard(onLeft.out),
              QStringList({"2026-12-10T12:00:10Z 14.10 2 VE8AT 0", "2026-12-10T12:00:20Z 14.10 3 W6WX 0",
                           "2026-12-10T12:00:30Z 14.10 4 KH6WO 0"}));
    EXPECT_EQ(whatWasHeard(cli(args).out), kHeardInRecording);  // the mean: 3 dB down, still heard
}

// Another program's rendering: sox converts the recording (to 24-bit at
// 48 kHz through a pipe, to FLAC at 44.1 kHz in a file), resampling it
// with its own filters; the beacons are heard as before.
TEST(ListenVerb, RecordingsSoxMadeAreHeard) {
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    if (sox.isEmpty()) GTEST_SKIP() << "sox is not installed (tools/install-deps.sh installs it)";
    TempDir dir;
    const QString source = dir.file(QStringLiteral("rx.wav")), flac = dir.file(QStringLiteral("rx.flac"));
    TempDir::write(source, WavBytes{}.make(recording()));
    const QStringList args{"--start", "2026-12-10T12:00:05Z"};

    ASSERT_EQ(runProgram(sox, {source, "-b", "24", "-r", "44100", flac}).exitCode, 0);
    const CliRun fromFlac = cli(QStringList{"-i", flac} + args);
    ASSERT_EQ(fromFlac.exitCode, 0) << fromFlac.err.toStdString();
    EXPECT_EQ(whatWasHeard(fromFlac.out), kHeardInRecording) << fromFlac.out.toStdString();

    QProcess soxOut, listen;
    soxOut.setStandardOutputProcess(&listen);
    soxOut.start(sox, {source, "-t", "wav", "-b", "24", "-r", "48000", "-"});
    listen.start(QStringLiteral(ORVANE_CLI), QStringList{"listen", "-i", "-"} + args);
    ASSERT_TRUE(soxOut.waitForFinished(60000));
    ASSERT_TRUE(listen.waitForFinished(60000));
    EXPECT_EQ(listen.exitCode(), 0) << listen.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(listen.readAllStandardOutput());
    EXPECT_EQ(whatWasHeard(out), kHeardInRecording) << out.toStdString();
    const QStringList first = fields(out.section(QLatin1Char('\n'), 0, 0));
    ASSERT_EQ(first.size(), 11);
    for (int d = 0; d < 3; ++d) EXPECT_NEAR(first[5 + d].toDouble(), 10 - 10 * d, 2.0) << d;
}

// Five receivers recorded side by side from 12:00:05 UTC, one a band, each
// keying the beacon due on its band in some of the slots at :10, :20 and
// :30 (a different choice on each band, so a recording heard on the wrong
// band shows). The one on 28.20 MHz ends at 12:00:35. Given in no order,
// one on standard input; heard in one run into one history.
TEST(ListenVerb, FiveReceiversAreHeardTogetherInTheOrderOfTimeThenBand) {
    constexpr int kBands = 5;
    const char* const mhz[kBands] = {"14.10", "18.11", "21.15", "24.93", "28.20"};
    // The slots (0: :10, 1: :20, 2: :30) keyed on each band.
    const std::vector<int> keyed[kBands] = {{0, 2}, {1}, {0, 1}, {2}, {0, 1}};
    const char* const calls[] = {"4U1UN", "VE8AT", "W6WX", "KH6WO", "ZL6B", "VK6RBP", "JA2IGY", "RR9O", "VR2B",
                                 "4S7B", "ZS6DN", "5Z4B", "4X6TU", "OH2B", "CS3B", "LU4AA", "OA4B", "YV5B"};
    // 12:00:10 is the second slot of a cycle: beacon (1 + slot - band) mod 18.
    const auto beaconAt = [](int slot, int band) { return (1 + slot - band + 18) % 18; };
    TempDir dir;
    QString files[kBands];
    QByteArray onStandardInput;
    for (int b = 0; b < kBands; ++b) {
        KeyedTone noise;
        noise.present = false;
        const double lengthMs = b == 4 ? 30'000 : 36'000;
        std::vector<float> audio = noise.render(kRate, lengthMs, 10 + static_cast<std::uint32_t>(b));
        for (const int slot : keyed[b]) {
            KeyedTone beacon;
            beacon.call = calls[beaconAt(slot, b)];
            beacon.dashSnrDb = {0, -10, -20, -30};
            const auto a = beacon.render(kRate, 10'000, 20 + static_cast<std::uint32_t>(b * 3 + slot));
            std::copy(a.begin(), a.end(), audio.begin() + (5 + 10 * slot) * kRate);
        }
        files[b] = dir.file(QStringLiteral("rx-%1.wav").arg(QLatin1String(mhz[b])));
        if (b == 1) onStandardInput = streamed(audio);
        else TempDir::write(files[b], WavBytes{}.make(audio));
    }
    const QString db = "sqlite:" + dir.file("h.sqlite");
    const CliRun r = cliWithInput({"-i", files[2], "--band", "21.15", "-i", files[0], "--band", "14.1",
                                   "-i", files[4], "--band", "28.2", "-i", "-", "--band", "18.11",
                                   "-i", files[3], "--band", "24.93", "--start", "2026-12-10T12:00:05Z",
                                   "--db", db, "--receiver", "G4ABC"},
                                  onStandardInput);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList expected;
    for (int slot = 0; slot < 3; ++slot)
        for (int b = 0; b < kBands; ++b) {
            if (b == 4 && slot == 2) continue;  // after its recording ends
            const bool heard = std::find(keyed[b].begin(), keyed[b].end(), slot) != keyed[b].end();
            expected << QStringLiteral("2026-12-10T12:00:%1Z %2 %3 %4 %5")
                            .arg(10 + 10 * slot)
                            .arg(QLatin1String(mhz[b]))
                            .arg(beaconAt(slot, b) + 1)
                            .arg(QLatin1String(calls[beaconAt(slot, b)]))
                            .arg(heard ? 1 : 0);
        }
    EXPECT_EQ(whatWasHeard(r.out).join('\n').toStdString(), expected.join('\n').toStdString());
    // The short recording's warning names it; the others end on a slot and
    // a second after, as each one's own.
    EXPECT_TRUE(r.err.contains("warning: " + files[4] + ": the recording ends at 12:00:35 UTC; heard up to its last "
                               "whole slot, to 12:00:30"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("warning: standard input: the recording ends at 12:00:41 UTC")) << r.err.toStdString();
    EXPECT_EQ(r.err.count("warning: "), 5) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("14 slots stored in " + db)) << r.err.toStdString();
    const CliRun stored = runProgram(QStringLiteral(ORVANE_CLI), {"history", "--db", db});
    ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
    for (const char* band : {"\t14.100\t", "\t18.110\t", "\t21.150\t", "\t24.930\t", "\t28.200\t"})
        EXPECT_TRUE(stored.out.contains(QLatin1String(band))) << band << '\n' << stored.out.toStdString();
}

// One input stays the recording it was; a second needs a band of its own
// (and a delay of its own, if any is given one).
TEST(ListenVerb, SeveralInputsNeedABandEachAndStandardInputOnce) {
    struct Case {
        const char* name;
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {"a band without an input", {"--band", "14.10", "--band", "18.11", "-i", "a.wav"},
         "--band 18.11 has no -i FILE of its own"},
        {"no input at all", {"--band", "14.10"}, "--band 14.10 has no -i FILE of its own"},
        {"an input without a band", {"-i", "a.wav", "--band", "14.10", "-i", "b.wav"}, "-i b.wav has no --band"},
        {"two inputs, no band", {"-i", "a.wav", "-i", "b.wav"}, "-i a.wav has no --band"},
        {"the same band twice", {"-i", "a.wav", "--band", "14.1", "-i", "b.wav", "--band", "14.100"},
         "the band 14.10 MHz is given twice"},
        {"standard input twice", {"-i", "-", "--band", "14.1", "-i", "-", "--band", "18.11"},
         "standard input (-i -) can be read once only"},
        {"a bad band among several", {"-i", "a.wav", "--band", "14.1", "-i", "b.wav", "--band", "7.0"},
         "no beacon band at 7.0 MHz"},
        {"following on several inputs", {"-i", "a.wav", "--band", "14.1", "-i", "b.wav", "--band", "18.11",
                                         "--follow", "W6WX"}, "--follow hears one input"},
        {"delays neither one nor one each", {"-i", "a.wav", "--band", "14.1", "-i", "b.wav", "--band", "18.11",
                                             "-i", "c.wav", "--band", "21.15", "--delay", "0", "--delay", "auto"},
         "give one --delay for all inputs, or one for each -i"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args + QStringList{"--start", "@0"});
        EXPECT_EQ(r.exitCode, 2) << c.name;
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says))) << c.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.name;
    }
}

// Of several inputs, one that cannot be read stops the run before a line
// is printed; one with no whole slot is told by name, the others heard.
TEST(ListenVerb, AnUnreadableOrEmptyInputAmongSeveralIsNamed) {
    TempDir dir;
    const QString good = dir.file(QStringLiteral("good.wav")), text = dir.file(QStringLiteral("text.wav")),
                  brief = dir.file(QStringLiteral("brief.wav"));
    TempDir::write(good, WavBytes{}.make(recording()));
    TempDir::write(text, "no sound here\n");
    TempDir::write(brief, WavBytes{}.make(std::vector<float>(kRate / 2, 0.0f)));
    const QStringList from{"--start", "2026-12-10T12:00:05Z"};
    const CliRun unreadable = cli(QStringList{"-i", good, "--band", "14.1", "-i", text, "--band", "18.11"} + from);
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_TRUE(unreadable.err.contains("text.wav: not a recording that can be read")) << unreadable.err.toStdString();
    EXPECT_TRUE(unreadable.out.isEmpty());
    const CliRun empty = cli(QStringList{"-i", brief, "--band", "18.11", "-i", good, "--band", "14.1"} + from);
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains(brief + ": no whole slot")) << empty.err.toStdString();
    EXPECT_EQ(whatWasHeard(empty.out), kHeardInRecording);
}

// A receiver 1.5 s behind the air at -10 dB, recorded from 12:00:00 through
// the cycle: --delay auto hears the cycle from its first slot, finding the
// delay (told on stderr); --delay 1500 hears it with offsets from the delayed start; cut
// on time, most of it is lost (a few slots pass on their long dashes alone).
TEST(ListenVerb, TheDelayOptionHearsAReceiverBehindTheAir) {
    const std::int64_t cycleMs = 1'796'904'000'000;  // 2026-12-10T12:00:00Z
    const DelayedAir air{.delayMs = 1500, .snrDb = -10, .keyed = wholeCycle(), .leadMs = 0};
    TempDir dir;
    const QString file = dir.file(QStringLiteral("behind.wav"));
    TempDir::write(file, WavBytes{}.make(air.render(kRate, cycleMs, 41)));
    int lines = 0;
    const auto run = [&](const char* delay, int& heard, double& worstOffsetMs) {
        const CliRun r = cli({"-i", file, "--start", "2026-12-10T12:00:00Z", "--band", "14.10", "--delay", delay});
        EXPECT_EQ(r.exitCode, 0) << delay << r.err.toStdString();
        heard = lines = 0;
        worstOffsetMs = 0;
        for (const QString& line : r.out.trimmed().split(QLatin1Char('\n'))) {
            const QStringList f = fields(line);
            if (f.size() != 11 || f[0] < "2026-12-10T12:00:00Z" || f[0] > "2026-12-10T12:02:50Z") continue;
            ++lines;
            if (f[4] != "1") continue;
            ++heard;
            worstOffsetMs = std::max(worstOffsetMs, std::abs(f[10].toDouble()));
        }
        return r;
    };
    int heard = 0;
    double worst = 0;
    const CliRun automatic = run("auto", heard, worst);
    EXPECT_EQ(lines, 18) << automatic.out.toStdString();
    EXPECT_GE(heard, 17) << automatic.out.toStdString();
    const QRegularExpressionMatch told =
        QRegularExpression(QStringLiteral("orvane-cli listen: receive delay \\+(\\d+) ms from the slot at 12:00:"))
            .match(automatic.err);
    ASSERT_TRUE(told.hasMatch()) << automatic.err.toStdString();
    EXPECT_NEAR(told.captured(1).toDouble(), 1500, 30);

    run("1500", heard, worst);
    EXPECT_EQ(lines, 18);
    EXPECT_EQ(heard, 18);
    EXPECT_LE(worst, 30);
    run("0", heard, worst);
    EXPECT_LE(heard, 6);
}

// Two receivers, each with its own chain: one 1.5 s behind the air and
// found by auto, the other 300 ms behind and given so. Each is heard
// through the cycle, and the estimate names its input.
TEST(ListenVerb, EachInputHasItsOwnDelay) {
    const std::int64_t cycleMs = 1'796'904'000'000;  // 2026-12-10T12:00:00Z
    const DelayedAir remote{.delayMs = 1500, .snrDb = -10, .keyed = wholeCycle(), .leadMs = 0, .band = 0};
    const DelayedAir local{.delayMs = 300, .snrDb = -10, .keyed = wholeCycle(), .leadMs = 0, .band = 2};
    TempDir dir;
    const QString remoteFile = dir.file(QStringLiteral("remote.wav")), localFile = dir.file(QStringLiteral("local.wav"));
    TempDir::write(remoteFile, WavBytes{}.make(remote.render(kRate, cycleMs, 43)));
    TempDir::write(localFile, WavBytes{}.make(local.render(kRate, cycleMs, 47)));
    const CliRun r = cli({"-i", remoteFile, "--band", "14.10", "-i", localFile, "--band", "21.15", "--start",
                          "2026-12-10T12:00:00Z", "--delay", "auto", "--delay", "300"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::map<QString, int> heard, lines;
    for (const QString& line : r.out.trimmed().split(QLatin1Char('\n'))) {
        const QStringList f = fields(line);
        if (f.size() != 11 || f[0] > "2026-12-10T12:02:50Z") continue;
        ++lines[f[1]];
        heard[f[1]] += f[4] == "1";
    }
    EXPECT_EQ(lines["14.10"], 18);
    EXPECT_EQ(lines["21.15"], 18);
    EXPECT_GE(heard["14.10"], 17) << r.out.toStdString();
    EXPECT_EQ(heard["21.15"], 18) << r.out.toStdString();
    const QRegularExpressionMatch told =
        QRegularExpression(QStringLiteral("orvane-cli listen: %1: receive delay \\+(\\d+) ms")
                               .arg(QRegularExpression::escape(remoteFile)))
            .match(r.err);
    ASSERT_TRUE(told.hasMatch()) << r.err.toStdString();
    EXPECT_NEAR(told.captured(1).toDouble(), 1500, 30);
    EXPECT_FALSE(r.err.contains(localFile + QStringLiteral(": receive delay"))) << "a fixed delay is not estimated";
}

TEST(ListenVerb, BadArgumentsExitTwo) {
    const QStringList bad[] = {
        {},
        {"-i", "x.wav"},
        {"--start", "@0"},
        {"-i", "x.wav", "--start", "yesterday"},
        {"-i", "x.wav", "--start", "@0", "--band", "7.0"},
        {"-i", "x.wav", "--start", "@0", "--band", "14.10", "--follow", "W6WX"},
        {"-i", "x.wav", "--start", "@0", "--follow", "NOCALL"},
        {"-i", "x.wav", "--start", "@0", "--pitch", "200"},
        {"-i", "x.wav", "--start", "@0", "--pitch", "loud"},
        {"-i", "x.wav", "--start", "@0", "--bogus"},
        {"-i", "x.wav", "--start", "@0", "--channel", "centre"},
        {"-i", "x.wav", "--start", "@0", "--delay", "3001"},
        {"-i", "x.wav", "--start", "@0", "--delay", "-501"},
        {"-i", "x.wav", "--start", "@0", "--delay", "1.5"},
        {"-i", "x.wav", "--start", "@0", "--delay", "soon"},
        {"-i", "x.wav", "--start", "@0", "--delay", "auto:9000"},
        {"-i", "x.wav", "--start", "@0", "--delay", ""},
    };
    for (const QStringList& args : bad) EXPECT_EQ(cli(args).exitCode, 2) << args.join(' ').toStdString();
}

TEST(ListenVerb, HelpNamesTheVerb) {
    const CliRun r = runProgram(QStringLiteral(ORVANE_CLI), {"listen", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("listen -i FILE --start TIME [--channel left|right|mix]")) << r.out.toStdString();
}

}  // namespace
