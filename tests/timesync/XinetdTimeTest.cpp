// Against a real RFC 868 server: xinetd's built-in time service on this
// machine, so its answer is the machine's own clock. The PC clock here is a
// FakeClock set from the real time plus an offset; the real clock is only read.
#include <gtest/gtest.h>

#include "common/FakeClock.h"
#include "timesync/ClockAdjust.h"
#include "timesync/NetTestSupport.h"
#include "timesync/TimeClient.h"

using namespace orvane;
using namespace orvane::timesync;
using namespace timesync_test;

namespace {

struct XinetdCase {
    const char* name;
    UtcMs pcOffsetMs;    // the fake PC clock against the real one
    const char* status;  // what the comparison says
    bool clockSet;
};

// Test names carry the row's name; gtest would print its bytes.
void PrintTo(const XinetdCase& row, std::ostream* os) { *os << row.name; }

class XinetdTimeTest : public ::testing::TestWithParam<XinetdCase> {
protected:
    static void SetUpTestSuite() {
        server = new XinetdTimeServer;
        ASSERT_TRUE(server->waitReady()) << "xinetd's time service did not answer";
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    struct Answer {
        ClockAdjustment result;
        UtcMs realMs = 0;  // the real clock when the answer arrived
        bool sameSecond = false;
    };

    // One request; the fake clock is set to the real time plus `offsetMs` at
    // the moment the answer arrives. sameSecond is false when the request and
    // the answer fell into different seconds of the real clock, so that the
    // server's second is not known exactly (the test then asks again).
    Answer askWithOffset(UtcMs offsetMs, FakeClock& fake) {
        const auto resolver = orvane::makeSystemHostResolver();
        TNMUDP endpoint(*resolver);
        endpoint.setRemotePort(server->port());
        endpoint.Loaded();
        TimeClient client(endpoint);
        const SystemClock real;  // read only
        Answer answer;
        bool answered = false;
        QObject::connect(&client, &TimeClient::replyReceived, [&](int length, const QString&, int) {
            answer.realMs = real.nowUtcMs();
            char bytes[4] = {};
            endpoint.ReadBuffer(bytes, 4);
            EXPECT_EQ(length, 4);
            fake.set(answer.realMs + offsetMs);
            answer.result = AdjustClock(decodeTimeReply(QByteArray(bytes, 4)).value_or(0), fake);
            answered = true;
        });
        const UtcMs before = real.nowUtcMs();
        EXPECT_TRUE(client.request(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(waitUntil([&] { return answered; }));
        XinetdTimeServer::pauseAfterAnswer();
        answer.sameSecond = answered && before / 1000 == answer.realMs / 1000;
        return answer;
    }

    static XinetdTimeServer* server;
};

XinetdTimeServer* XinetdTimeTest::server = nullptr;

constexpr std::int64_t kSecondsFrom1900To1970 = 2208988800LL;

}  // namespace

TEST_P(XinetdTimeTest, TheClockIsComparedAndSetToTheServersSecond) {
    const XinetdCase& c = GetParam();
    for (int attempt = 0; attempt < 5; ++attempt) {
        FakeClock fake;
        const Answer answer = askWithOffset(c.pcOffsetMs, fake);
        if (!answer.sameSecond) continue;
        // The server read the same clock within the second the test saw.
        const UtcMs realSecondMs = answer.realMs / 1000 * 1000;
        EXPECT_EQ(static_cast<std::int64_t>(answer.result.serverSeconds) - kSecondsFrom1900To1970,
                  realSecondMs / 1000);
        EXPECT_EQ(answer.result.statusText(), QString::fromLatin1(c.status));
        if (!c.clockSet) {
            EXPECT_TRUE(fake.recordedSets().empty());
            return;
        }
        // The server's second, on the real date, at 600 ms.
        ASSERT_EQ(fake.recordedSets().size(), 1u);
        EXPECT_EQ(fake.recordedSets()[0], realSecondMs + 600);
        EXPECT_EQ(fake.nowUtcMs(), realSecondMs + 600);
        return;
    }
    FAIL() << "every answer straddled a second boundary";
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, XinetdTimeTest,
    ::testing::Values(XinetdCase{"SetToTheRealTimeMatches", 0, "Times Match", false},
                      XinetdCase{"FiveSecondsAheadIsSetBack", 5000, "Local PC was 5 seconds ahead", true},
                      XinetdCase{"ThreeSecondsBehindIsSetForward", -3000, "Local PC was 3 seconds behind", true},
                      // Another date, the same time of day: only the time of day counts.
                      XinetdCase{"TwoDaysOffMatches", 2 * 86'400'000, "Times Match", false}),
    [](const ::testing::TestParamInfo<XinetdCase>& row) { return std::string(row.param.name); });
