// The NTP arithmetic: request, reply checks, eras, offset and delay, the
// status text and the decision to step the clock, on a fake clock.
#include <gtest/gtest.h>

#include "common/FakeClock.h"
#include "timesync/ClockAdjust.h"
#include "timesync/NtpPacket.h"

using namespace orvane;
using namespace orvane::timesync;

namespace {

// 2036-02-07 06:28:16 UTC, where the 32-bit count of seconds since 1900 wraps
// (2^32 - 2208988800, RFC 5905 section 6).
constexpr std::int64_t kEra1StartUnix = 2'085'978'496;

UtcMs at(int year, int month, int day, int hour, int minute, int second, int ms) {
    return msFromSystemTime(SystemTime{static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month), 0,
                                       static_cast<std::uint16_t>(day), static_cast<std::uint16_t>(hour),
                                       static_cast<std::uint16_t>(minute), static_cast<std::uint16_t>(second),
                                       static_cast<std::uint16_t>(ms)});
}

std::uint32_t since1900(std::int64_t unixSeconds) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(unixSeconds + kNtpEpochToUnixSeconds) & 0xFFFFFFFFu);
}

}  // namespace

// ---- eras -------------------------------------------------------------------

struct EraCase {
    const char* name;
    std::uint32_t count;
    std::int64_t nearUnix;
    std::int64_t expectedUnix;
};

class EraCases : public ::testing::TestWithParam<EraCase> {};

TEST_P(EraCases, TheCountIsReadInTheEraNearestThePcClock) {
    const EraCase& c = GetParam();
    EXPECT_EQ(unixSecondsNearest(c.count, c.nearUnix), c.expectedUnix);
}

INSTANTIATE_TEST_SUITE_P(
    Ntp, EraCases,
    ::testing::Values(
        // 2026-12-10 12:00:00 UTC = 1796904000 (date -d @...), a plain era-0 reply.
        EraCase{"Era0Today", since1900(1'796'904'000), 1'796'904'000 + 3, 1'796'904'000},
        EraCase{"Era1FiveSecondsAfterTheWrap", 5, kEra1StartUnix + 86400, kEra1StartUnix + 5},
        EraCase{"Era0LastSecondSeenJustAfterTheWrap", 0xFFFFFFFFu, kEra1StartUnix + 4, kEra1StartUnix - 1},
        EraCase{"Era1SeenJustBeforeTheWrap", 3, kEra1StartUnix - 10, kEra1StartUnix + 3},
        EraCase{"Before1970", since1900(-5), -1000, -5},
        EraCase{"HalfAnEraAwayStillNearest", since1900(0), kEraSeconds / 2 - 1, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Ntp, TimestampsRoundTripToTheMicrosecond) {
    for (const double ms : {0.0, 1'796'904'000'123.456, -12'345.5, static_cast<double>(kEra1StartUnix) * 1000 + 250.75}) {
        SCOPED_TRACE(ms);
        const NtpTimestamp t = unixMsToNtp(ms);
        EXPECT_NEAR(ntpToUnixMs(t, static_cast<UtcMs>(ms)), ms, 0.001);
    }
    // The fraction is binary: half a second is 2^31.
    EXPECT_EQ(unixMsToNtp(500.0).fraction, 0x80000000u);
    EXPECT_EQ(unixMsToNtp(0.0).seconds, static_cast<std::uint32_t>(kNtpEpochToUnixSeconds));
}

// ---- request and reply ------------------------------------------------------

TEST(Ntp, TheRequestIsAVersion4ClientPacketCarryingOnlyOurTimestamp) {
    const QByteArray request = makeNtpRequest({0x01020304u, 0xA0B0C0D0u});
    ASSERT_EQ(request.size(), 48);
    EXPECT_EQ(static_cast<std::uint8_t>(request[0]), 0x23);  // LI 0, VN 4, mode 3
    EXPECT_EQ(request.mid(40), QByteArray::fromHex("01020304a0b0c0d0"));
    EXPECT_EQ(request.mid(1, 39), QByteArray(39, '\0'));
}

namespace {

constexpr NtpTimestamp kSent{0x12345678u, 0x9ABCDEF0u};

struct ReplyFields {
    int leap = 0;
    int version = 4;
    int mode = 4;
    int stratum = 2;
    const char* refid = "GPS\0";
    NtpTimestamp originate = kSent;
    NtpTimestamp transmit{0xED000000u, 1};
    std::optional<NtpTimestamp> receive;  // nothing: the transmit moment
    std::uint32_t rootDelay = 0;          // 16.16 seconds
    std::uint32_t rootDispersion = 0;
    int size = 48;
};

QByteArray build(const ReplyFields& f) {
    QByteArray d(std::max(f.size, 48), '\0');
    d[0] = static_cast<char>((f.leap << 6) | (f.version << 3) | f.mode);
    d[1] = static_cast<char>(f.stratum);
    for (int i = 0; i < 4; ++i) d[12 + i] = f.refid[i];
    const auto put = [&](int at, std::uint32_t v) {
        for (int i = 3; i >= 0; --i, v >>= 8) d[at + i] = static_cast<char>(v & 0xFF);
    };
    put(4, f.rootDelay);
    put(8, f.rootDispersion);
    put(24, f.originate.seconds);
    put(28, f.originate.fraction);
    put(32, f.receive.value_or(f.transmit).seconds);
    put(36, f.receive.value_or(f.transmit).fraction);
    put(40, f.transmit.seconds);
    put(44, f.transmit.fraction);
    return d.left(f.size);
}

struct ParseCase {
    const char* name;
    ReplyFields fields;
    std::optional<NtpRefusal> refusal;  // nothing: accepted
    const char* kissCode = "";
};

ReplyFields with(std::function<void(ReplyFields&)> change) {
    ReplyFields f;
    change(f);
    return f;
}

}  // namespace

class ParseCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCases, OnlyAnEchoingSynchronisedServerReplyIsAccepted) {
    const ParseCase& c = GetParam();
    const auto parsed = parseNtpReply(build(c.fields), kSent);
    if (!c.refusal) {
        ASSERT_TRUE(std::holds_alternative<NtpReply>(parsed));
        EXPECT_EQ(std::get<NtpReply>(parsed).stratum, c.fields.stratum);
        EXPECT_EQ(std::get<NtpReply>(parsed).transmit, c.fields.transmit);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<NtpRejected>(parsed));
    EXPECT_EQ(std::get<NtpRejected>(parsed).refusal, *c.refusal);
    EXPECT_EQ(std::get<NtpRejected>(parsed).kissCode, QString::fromLatin1(c.kissCode));
}

INSTANTIATE_TEST_SUITE_P(
    Ntp, ParseCases,
    ::testing::Values(
        ParseCase{"Version4", {}, std::nullopt},
        ParseCase{"Version3", with([](auto& f) { f.version = 3; }), std::nullopt},
        ParseCase{"Stratum15", with([](auto& f) { f.stratum = 15; }), std::nullopt},
        ParseCase{"LongerWithExtensionFields", with([](auto& f) { f.size = 68; }), std::nullopt},
        ParseCase{"FortySevenBytes", with([](auto& f) { f.size = 47; }), NtpRefusal::WrongLength},
        ParseCase{"Empty", with([](auto& f) { f.size = 0; }), NtpRefusal::WrongLength},
        ParseCase{"Mode3Client", with([](auto& f) { f.mode = 3; }), NtpRefusal::WrongMode},
        ParseCase{"Mode5Broadcast", with([](auto& f) { f.mode = 5; }), NtpRefusal::WrongMode},
        ParseCase{"Version2", with([](auto& f) { f.version = 2; }), NtpRefusal::WrongVersion},
        ParseCase{"WrongOriginate", with([](auto& f) { f.originate.fraction ^= 1; }), NtpRefusal::WrongOriginate},
        ParseCase{"Leap3", with([](auto& f) { f.leap = 3; }), NtpRefusal::Unsynchronised},
        ParseCase{"Stratum16", with([](auto& f) { f.stratum = 16; }), NtpRefusal::BadStratum},
        ParseCase{"ZeroTransmit", with([](auto& f) { f.transmit = {}; }), NtpRefusal::ZeroTransmit},
        ParseCase{"KissRate", with([](auto& f) { f.stratum = 0; f.refid = "RATE"; }), NtpRefusal::KissOfDeath, "RATE"},
        ParseCase{"KissDeny", with([](auto& f) { f.stratum = 0; f.refid = "DENY"; }), NtpRefusal::KissOfDeath, "DENY"},
        ParseCase{"KissNotPrintable", with([](auto& f) { f.stratum = 0; f.refid = "\x01Z\xFF\0"; }),
                  NtpRefusal::KissOfDeath, "?Z??"},
        ParseCase{"RootDelayAndDispersionJustBelowSixteenSeconds",
                  with([](auto& f) { f.rootDelay = f.rootDispersion = (16u << 16) - 1; }), std::nullopt},
        ParseCase{"RootDelaySixteenSeconds", with([](auto& f) { f.rootDelay = 16u << 16; }), NtpRefusal::BadRootDistance},
        ParseCase{"RootDispersionHuge", with([](auto& f) { f.rootDispersion = 0xFFFFFFFFu; }), NtpRefusal::BadRootDistance},
        ParseCase{"HeldForAMinute", with([](auto& f) { f.receive = NtpTimestamp{f.transmit.seconds - 60, 1}; }), std::nullopt},
        ParseCase{"HeldForAMinuteAndAMoment",
                  with([](auto& f) { f.receive = NtpTimestamp{f.transmit.seconds - 60, 0}; }), NtpRefusal::InconsistentTimes},
        // Received ten years before it was sent: the probe's absurd answer.
        ParseCase{"ReceivedTenYearsBeforeSent",
                  with([](auto& f) { f.receive = NtpTimestamp{f.transmit.seconds - 315'360'000u, 1}; }),
                  NtpRefusal::InconsistentTimes},
        ParseCase{"ReceivedAfterSent", with([](auto& f) { f.receive = NtpTimestamp{f.transmit.seconds, 2}; }),
                  NtpRefusal::InconsistentTimes},
        // Receive and transmit on either side of the 2036 wrap.
        ParseCase{"HeldAcrossTheEraWrap",
                  with([](auto& f) {
                      f.receive = NtpTimestamp{0xFFFFFFFFu, 0x80000000u};
                      f.transmit = NtpTimestamp{0, 0x10000000u};
                  }),
                  std::nullopt},
        // Someone else's kiss must not end our wait.
        ParseCase{"KissWithWrongOriginate", with([](auto& f) { f.stratum = 0; f.refid = "DENY"; f.originate = {}; }),
                  NtpRefusal::WrongOriginate}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- offset and delay -------------------------------------------------------

struct MeasureCase {
    const char* name;
    double t1, t2, t3, t4;
    double offsetMs, delayMs;
};

class MeasureCases : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(MeasureCases, OffsetAndDelayFromTheFourTimestamps) {
    const MeasureCase& c = GetParam();
    const NtpMeasurement m = measure(c.t1, c.t2, c.t3, c.t4);
    EXPECT_DOUBLE_EQ(m.offsetMs, c.offsetMs);
    EXPECT_DOUBLE_EQ(m.delayMs, c.delayMs);
}

INSTANTIATE_TEST_SUITE_P(
    Ntp, MeasureCases,
    ::testing::Values(
        // Server 100 ms ahead, 5 ms each way, 1 ms in the server (RFC 5905 section 8).
        MeasureCase{"ServerAhead", 0, 105, 106, 11, 100, 10},
        MeasureCase{"PcAhead", 1000, 2, 3, 1008, -1001.5, 7},
        MeasureCase{"Loopback", 500, 500.25, 500.5, 500.75, 0, 0.5},
        // A server that answers "before" it was asked: the delay is not believed.
        MeasureCase{"NegativeDelayIsZero", 0, 10, 30, 5, 17.5, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Ntp, AnExchangeWhoseRoundTripIsShorterThanTheServersHoldIsRefused) {
    const double t1 = 1'796'904'000'000.0;
    struct Case {
        const char* name;
        double receiveAfterMs, transmitAfterMs, t4AfterMs;
        bool refused;
    };
    const Case cases[] = {
        {"Plain", 5, 6, 11, false},
        {"ServerFarAhead", 100'000, 100'001, 11, false},
        {"NegativeWithinTheSlack", 5, 10, 5 - kNtpDelaySlackMs + 0.5, false},  // delay -4.5 ms
        // The server says it held the request 50 s; we waited 10 ms.
        {"HoldLongerThanTheRoundTrip", 0, 50'000, 10, true},
        {"NegativeBeyondTheSlack", 5, 20, 15 - kNtpDelaySlackMs - 1, true},  // delay -6 ms
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NtpReply reply;
        reply.receive = unixMsToNtp(t1 + c.receiveAfterMs);
        reply.transmit = unixMsToNtp(t1 + c.transmitAfterMs);
        EXPECT_EQ(checkExchangeTimes(reply, t1, t1 + c.t4AfterMs).has_value(), c.refused);
    }
}

TEST(Ntp, AReplyInEra1MeasuresAgainstAPcInEra1) {
    const UtcMs t1 = (kEra1StartUnix + 100) * 1000;
    NtpReply reply;
    reply.receive = unixMsToNtp(static_cast<double>(t1) + 1500.0);
    reply.transmit = unixMsToNtp(static_cast<double>(t1) + 1501.0);
    ASSERT_LT(reply.receive.seconds, 200u);  // the count has wrapped
    const NtpMeasurement m = measureReply(reply, t1, t1 + 3);
    EXPECT_NEAR(m.offsetMs, 1499.0, 0.01);  // ((1500) + (1501 - 3)) / 2
    EXPECT_NEAR(m.delayMs, 2.0, 0.01);
}

// ---- status text and the clock ---------------------------------------------

TEST(Ntp, StatusTexts) {
    struct Case {
        const char* name;
        NtpMeasurement m;
        int stratum;
        const char* text;
    };
    const Case cases[] = {
        {"Ahead", {-1237.0, 24.0}, 2, "Local PC was 1.237 s ahead (NTP, \u00B112 ms, server stratum 2)"},
        {"Behind", {4200.4, 3.0}, 1, "Local PC was 4.200 s behind (NTP, \u00B12 ms, server stratum 1)"},
        {"BehindBelowASecond", {7.0, 0.2}, 8, "Local PC was 0.007 s behind (NTP, \u00B10 ms, server stratum 8)"},
        {"Match", {0.4, 0.6}, 8, "Times Match (NTP, \u00B10 ms, server stratum 8)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ntpStatusText(c.m, c.stratum), QString::fromUtf8(c.text));
    }
}

struct StepCase {
    const char* name;
    double offsetMs;
    const char* activeSync;
    const char* failReason;
    bool expectSet;
    const char* textEnd;
};

class StepCases : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepCases, TheClockIsSteppedByTheOffsetUnlessASyncKeepsItClose) {
    const StepCase& c = GetParam();
    const UtcMs now = at(2026, 12, 10, 12, 0, 3, 999);
    FakeClock clock(now);
    if (*c.failReason) clock.failSetsWith(c.failReason);
    const NtpAdjustment a = AdjustClockNtp({c.offsetMs, 24.0}, 2, QString::fromLatin1(c.activeSync), clock);
    EXPECT_EQ(a.setAttempted, c.expectSet);
    if (c.expectSet) {
        ASSERT_EQ(clock.recordedSets().size(), 1u);
        EXPECT_EQ(clock.recordedSets()[0], now + std::llround(c.offsetMs));
    } else {
        EXPECT_TRUE(clock.recordedSets().empty());
    }
    EXPECT_TRUE(a.statusText().endsWith(QString::fromUtf8(c.textEnd))) << a.statusText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Ntp, StepCases,
    ::testing::Values(
        StepCase{"NoSyncStepsToTheMillisecond", -1237.4, "", "", true, "1.237 s ahead (NTP, \u00B112 ms, server stratum 2)"},
        StepCase{"SyncActiveSmallOffsetLeftAlone", -300.0, "chronyd", "", false, "; chronyd keeps the time, clock left alone"},
        StepCase{"SyncActiveHalfASecondLeftAlone", 500.0, "the kernel", "", false, "; the kernel keeps the time, clock left alone"},
        StepCase{"SyncActiveLargeOffsetStepsAndSaysSo", 800.0, "chronyd", "", true,
                 "; clock stepped although chronyd keeps the time"},
        StepCase{"MatchToTheMillisecondLeftAlone", 0.4, "", "", false, "Times Match (NTP, \u00B112 ms, server stratum 2)"},
        StepCase{"RefusedSetSaysWhy", 2500.0, "", "Operation not permitted", true,
                 ", but the clock could not be set: Operation not permitted"},
        StepCase{"ADayBehindSteps", 86'400'000.0, "", "", true, "(NTP, \u00B112 ms, server stratum 2)"},
        StepCase{"MoreThanADayAheadLeftAlone", -86'400'001.0, "", "", false,
                 "; more than a day: clock left alone, set the date by hand"},
        StepCase{"TenYearsLeftAlone", -315'360'000'000.0, "chronyd", "", false,
                 "; more than a day: clock left alone, set the date by hand"}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- RFC 868 replies after 2036 ---------------------------------------------

TEST(TimeProtocolEra, AReplyAfterTheWrapIsReadInEra1) {
    // PC at 2036-02-08 12:00:03.999, the server says 12:00:05 of that day:
    // its 32-bit count has wrapped and is small.
    FakeClock clock(at(2036, 2, 8, 12, 0, 3, 999));
    const std::uint32_t reply = since1900(at(2036, 2, 8, 12, 0, 5, 0) / 1000);
    ASSERT_LT(reply, 200'000u);
    const ClockAdjustment a = AdjustClock(reply, clock);
    EXPECT_EQ(a.statusText(), QStringLiteral("Local PC was 2 seconds behind"));
    ASSERT_EQ(clock.recordedSets().size(), 1u);
    EXPECT_EQ(clock.recordedSets()[0], at(2036, 2, 8, 12, 0, 5, 600));
}
