// Against a real RFC 868 server: xinetd's built-in time service on this
// machine, so its answer is the machine's own clock. The PC clock here is a
// FakeClock set from the real time; the real clock is only read.
#include <gtest/gtest.h>

#include <memory>

#include "common/FakeClock.h"
#include "timesync/ClockAdjust.h"
#include "timesync/NetTestSupport.h"
#include "timesync/TimeClient.h"

using namespace orvane;
using namespace orvane::timesync;
using namespace timesync_test;

namespace {

class XinetdTimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new XinetdTimeServer;
        ASSERT_TRUE(server->waitReady()) << "xinetd's time service did not answer";
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    // One request; the fake clock is set to the real time plus `offsetMs` at
    // the moment the answer arrives. Returns false when the answer and the
    // clock reading fell into different seconds (the test then asks again).
    bool askWithOffset(UtcMs offsetMs, ClockAdjustment& result, FakeClock& fake) {
        const auto resolver = orvane::makeSystemHostResolver();
        TNMUDP endpoint(*resolver);
        endpoint.setRemotePort(server->port());
        endpoint.Loaded();
        TimeClient client(endpoint);
        const SystemClock real;  // read only
        UtcMs before = 0;
        UtcMs after = 0;
        bool answered = false;
        QObject::connect(&client, &TimeClient::replyReceived, [&](int length, const QString&, int) {
            after = real.nowUtcMs();
            char bytes[4] = {};
            endpoint.ReadBuffer(bytes, 4);
            EXPECT_EQ(length, 4);
            fake.set(after + offsetMs);
            result = AdjustClock(decodeTimeReply(QByteArray(bytes, 4)).value_or(0), fake);
            answered = true;
        });
        before = real.nowUtcMs();
        EXPECT_TRUE(client.request(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(waitUntil([&] { return answered; }));
        XinetdTimeServer::pauseAfterAnswer();
        return answered && before / 1000 == after / 1000;
    }

    static XinetdTimeServer* server;
};

XinetdTimeServer* XinetdTimeTest::server = nullptr;

}  // namespace

TEST_F(XinetdTimeTest, AClockSetToTheRealTimeMatches) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        FakeClock fake;
        ClockAdjustment result;
        if (!askWithOffset(0, result, fake)) continue;
        EXPECT_EQ(result.statusText(), QStringLiteral("Times Match"));
        EXPECT_TRUE(fake.recordedSets().empty());
        return;
    }
    FAIL() << "every answer straddled a second boundary";
}

TEST_F(XinetdTimeTest, AClockFiveSecondsAheadIsSetBack) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        FakeClock fake;
        ClockAdjustment result;
        if (!askWithOffset(5000, result, fake)) continue;
        EXPECT_EQ(result.statusText(), QStringLiteral("Local PC was 5 seconds ahead"));
        ASSERT_EQ(fake.recordedSets().size(), 1u);
        // The server's second (the real one), on the fake clock's date, at 600 ms.
        const UtcMs realSecondMs = (fake.recordedSets()[0] / 1000) * 1000;
        EXPECT_EQ(fake.recordedSets()[0] % 1000, 600);
        EXPECT_EQ(fake.recordedSets()[0], realSecondMs + 600);
        EXPECT_EQ(realSecondMs / 1000 % 86400, (static_cast<std::int64_t>(result.serverSeconds) - 2208988800LL) % 86400);
        return;
    }
    FAIL() << "every answer straddled a second boundary";
}
