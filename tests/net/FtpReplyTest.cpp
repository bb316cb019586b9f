// The text rules of the line protocol and FTP replies, and the socket error
// table, without any socket.
#include <gtest/gtest.h>

#include <cerrno>

#include "net/FtpReply.h"
#include "net/Nmftp.h"
#include "common/SocketErrors.h"

using namespace orvane;
using namespace orvane::net;

namespace {

struct NumberCase {
    const char* name;
    const char* line;
    std::optional<int16_t> expected;
};

const NumberCase kNumberCases[] = {
    {"Ordinary", "226 Transfer complete.", 226},
    {"NoDigits", "Hello there", 0},
    {"Empty", "", 0},
    {"DigitsRunOn", "2261 odd", 2261},
    {"LargestValue", "32767 x", 32767},
    {"TooLargeForSixteenBits", "32768 x", std::nullopt},
    {"OnlyTheFirstTenCharacters", "00000000012345", 1},
    {"Continuation", "220-Welcome", 220},
};

class ReplyNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReplyNumber, ReadsTheLeadingDigits) {
    EXPECT_EQ(replyNumberOf(QString::fromLatin1(GetParam().line)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, ReplyNumber, ::testing::ValuesIn(kNumberCases),
                         [](const auto& row) { return std::string(row.param.name); });

struct SizeCase {
    const char* name;
    const char* line;
    int64_t expected;
};

const SizeCase kSizeCases[] = {
    {"InParentheses", "150 Opening BINARY mode data connection for AK.txt (1234 bytes).", 1234},
    {"AnyCase", "150 Opening data connection (77 ByTeS)", 77},
    {"NoByteWord", "125 Data connection already open. Transfer starting.", 0},
    {"NoDigitBeforeByte", "Size: bytes 1234 follow", 0},
    {"DigitsBeforeTheWordCount", "150 bytes 1234 follow", 150},
    {"NearestRunBeforeByte", "150 file 12 of size 345 bytes", 345},
    {"FirstByteWordCounts", "150 (9 bytes) then 10 bytes", 9},
    {"TooLargeToRead", "150 (99999999999999999999999 bytes)", 0},
};

class BytesTotal : public ::testing::TestWithParam<SizeCase> {};

TEST_P(BytesTotal, FindsTheAnnouncedSize) {
    EXPECT_EQ(bytesTotalOf(QString::fromLatin1(GetParam().line)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, BytesTotal, ::testing::ValuesIn(kSizeCases),
                         [](const auto& row) { return std::string(row.param.name); });

struct CodeCase {
    const char* name;
    const char* line;
    std::optional<int> expected;
};

const CodeCase kCodeCases[] = {
    {"Ordinary", "226 Transfer complete.", 226},
    {"MultiLineOpener", "220-Welcome", 220},
    {"CodeAlone", "250", 250},
    {"LowestClass", "100 x", 100},
    {"HighestClass", "599 x", 599},
    {"NoDigits", "OK", std::nullopt},
    {"Empty", "", std::nullopt},
    {"ClassNine", "999 x", std::nullopt},
    {"ClassSix", "600 x", std::nullopt},
    {"ClassZero", "099 x", std::nullopt},
    {"Signed", "-331 x", std::nullopt},
    {"FourDigits", "2261 odd", std::nullopt},
    {"TwoDigits", "22 x", std::nullopt},
    {"LeadingSpace", " 226 x", std::nullopt},
};

class ReplyCode : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ReplyCode, IsThreeDigitsOfClassOneToFive) {
    EXPECT_EQ(ftpReplyCode(QString::fromLatin1(GetParam().line)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, ReplyCode, ::testing::ValuesIn(kCodeCases),
                         [](const auto& row) { return std::string(row.param.name); });

struct ExactSizeCase {
    const char* name;
    const char* line;
    std::optional<int64_t> expected;
};

const ExactSizeCase kExactSizeCases[] = {
    {"InParentheses", "150 Opening BINARY mode data connection for AK.txt (1234 bytes).", 1234},
    {"AnyCase", "150 Opening data connection (77 ByTeS)", 77},
    {"OtherUnits", "150 0.5 kbytes to download", std::nullopt},
    {"NoParentheses", "150 1234 bytes follow", std::nullopt},
    {"NoSize", "125 Data connection already open. Transfer starting.", std::nullopt},
    {"TooLargeToRead", "150 (99999999999999999999999 bytes)", std::nullopt},
};

class ExactSize : public ::testing::TestWithParam<ExactSizeCase> {};

TEST_P(ExactSize, TakesOnlyTheBracketedByteCount) {
    EXPECT_EQ(exactAnnouncedBytes(QString::fromLatin1(GetParam().line)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, ExactSize, ::testing::ValuesIn(kExactSizeCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ContinuationLine, FollowsTheSpaceAndHyphenRules) {
    EXPECT_TRUE(isContinuationLine(QStringLiteral("220-Welcome")));
    EXPECT_TRUE(isContinuationLine(QStringLiteral(" more text")));
    EXPECT_TRUE(isContinuationLine(QStringLiteral(" ")));
    EXPECT_FALSE(isContinuationLine(QStringLiteral("220 Ready")));
    EXPECT_FALSE(isContinuationLine(QString()));
    EXPECT_FALSE(isContinuationLine(QStringLiteral("22-")));  // fewer than four characters
    EXPECT_TRUE(closesMultiLineReply(QStringLiteral("220-Welcome"), QStringLiteral("220 Ready")));
    EXPECT_FALSE(closesMultiLineReply(QStringLiteral("220-Welcome"), QStringLiteral("230 Other")));
    EXPECT_FALSE(closesMultiLineReply(QStringLiteral("220-Welcome"), QStringLiteral("220-Again")));
}

TEST(TakeLine, SplitsArrivalsIntoLines) {
    QByteArray buffer("226 first\r\n227 sec");
    QByteArray line;
    ASSERT_EQ(takeLine(buffer, line), LineTake::Line);
    EXPECT_EQ(line, QByteArray("226 first\r\n"));  // the line keeps its CR LF
    EXPECT_EQ(takeLine(buffer, line), LineTake::NeedMore);
    EXPECT_EQ(buffer, QByteArray("227 sec"));
    buffer.append("ond\n");
    ASSERT_EQ(takeLine(buffer, line), LineTake::Line);
    EXPECT_EQ(chompLine(line), QStringLiteral("227 second"));
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(TakeLine, RefusesALineLongerThanTheBound) {
    QByteArray buffer(MaxLineBytes, 'x');
    QByteArray line;
    EXPECT_EQ(takeLine(buffer, line), LineTake::TooLong);
    buffer.chop(1);
    EXPECT_EQ(takeLine(buffer, line), LineTake::NeedMore);
    buffer.append("x\n");  // the line feed arrived one byte too late
    EXPECT_EQ(takeLine(buffer, line), LineTake::TooLong);
}

TEST(Addresses, BuildThePortCommand) {
    EXPECT_EQ(portCommand(0x7F000001u, 49153), QStringLiteral("PORT 127,0,0,1,192,1"));
    EXPECT_EQ(commaAddress(0xC0000207u), QStringLiteral("192,0,2,7"));
    EXPECT_EQ(commaPort(21), QStringLiteral(",0,21"));
    EXPECT_EQ(parseDottedIpv4(QStringLiteral("192.0.2.7")), std::optional<uint32_t>(0xC0000207u));
    for (const char* notDotted : {"localhost", "1.2.3", "1.2.3.256", "1.2.3.4.5", "1..3.4", "1.2.3.-4", "1.2.3.0x1"})
        EXPECT_FALSE(parseDottedIpv4(QString::fromLatin1(notDotted))) << notDotted;
}

TEST(CommandType, FollowsTheFirstWord) {
    EXPECT_EQ(commandTypeOf(QStringLiteral("CWD /pub/latest")), TCmdType::cmdChangeDir);
    EXPECT_EQ(commandTypeOf(QStringLiteral("MKD x")), TCmdType::cmdMakeDir);
    EXPECT_EQ(commandTypeOf(QStringLiteral("DELE x")), TCmdType::cmdDelete);
    EXPECT_EQ(commandTypeOf(QStringLiteral("RMD x")), TCmdType::cmdRemoveDir);
    EXPECT_EQ(commandTypeOf(QStringLiteral("PWD")), TCmdType::cmdCurrentDir);
    EXPECT_EQ(commandTypeOf(QStringLiteral("CWDX /a")), TCmdType::cmdDoCommand);
    EXPECT_EQ(commandTypeOf(QStringLiteral("NOOP")), TCmdType::cmdDoCommand);
}

TEST(SocketErrors, ReadAsTheTableSays) {
    EXPECT_EQ(SocketErrorStr(0), QString());
    EXPECT_EQ(SocketErrorStr(10061), QStringLiteral("10061:Connection refused"));
    EXPECT_EQ(SocketErrorStr(11004), QStringLiteral("11004:Valid name, no data record of requested type"));
    EXPECT_EQ(SocketErrorStr(12345), QStringLiteral("Unknown Error No. 12345"));
    EXPECT_EQ(WinsockMessage.back().number, 0);
    EXPECT_EQ(SocketErrorStr(socketErrorFromErrno(ECONNREFUSED)), QStringLiteral("10061:Connection refused"));
    EXPECT_EQ(socketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(socketErrorFromErrno(EAGAIN), 10035);
    EXPECT_EQ(socketErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(socketErrorFromErrno(0), 0);
}

}  // namespace
