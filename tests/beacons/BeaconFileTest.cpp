// The beacon file's bytes: the exact default file, round trips, and every
// malformed file with its message.
#include <gtest/gtest.h>

#include <random>

#include "beacons/BeaconFile.h"

using namespace orvane::beacons;

namespace {

std::string fromHex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

// The default table as the file has always held it: class name, page size
// 18, list start, 18 records of 11 bytes, list end: 217 bytes.
const std::string kDefaultFile = fromHex(
    "060d545374436f6c6c656374696f6e021201"
    "02000602303109090909090201060230320909090909020206023033090809080902030602303409080908090204060230350909090909"
    "02050602303609090909090206060230370909090909020706023038080808080802080602303908080808080209060231300908090909"
    "020a060231310909090909020b060231320909090909020c060231330909090909020d060231340909090909020e060231350909090909"
    "020f0602313609090909090210060231370909090909021106023138090909090900");

const std::string kHeader = fromHex("060d545374436f6c6c656374696f6e021201");

std::string record(const std::string& indexBytes, const std::string& slotIdBytes, const std::string& flags) {
    return indexBytes + slotIdBytes + flags;
}

BeaconContainer decode(const std::string& bytes) {
    BeaconContainer c;
    decodeBeaconFile(bytes, c);
    return c;
}

std::string errorOf(const std::string& bytes) {
    try {
        decode(bytes);
    } catch (const BeaconFileError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(BeaconFile, DefaultTableIsTheExact217Bytes) {
    ASSERT_EQ(kDefaultFile.size(), 217u);
    EXPECT_EQ(encodeBeaconFile(defaultBeaconContainer()), kDefaultFile);
    const BeaconContainer c = decode(kDefaultFile);
    EXPECT_EQ(c, defaultBeaconContainer());
    EXPECT_EQ(c.records.at(7).OnBand, (std::array<bool, 5>{false, false, false, false, false}));
    EXPECT_EQ(c.records.at(9).OnBand, (std::array<bool, 5>{true, false, true, true, true}));
    EXPECT_EQ(c.records.at(17).SlotId, "18");
}

TEST(BeaconFile, ValidFilesRoundTripByteForByte) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::string tail = fromHex("00");
    const Case cases[] = {
        {"Default", kDefaultFile},
        {"Empty list", kHeader + tail},
        {"Gaps", kHeader + record(fromHex("0203"), fromHex("06023034"), fromHex("0908090809")) +
                     record(fromHex("0210"), fromHex("06023137"), fromHex("0808080808")) + tail},
        {"IndexesAbove17", kHeader + record(fromHex("0212"), fromHex("06023139"), fromHex("0909090909")) +
                               record(fromHex("032c01"), fromHex("06023939"), fromHex("0809080908")) +
                               record(fromHex("0470110100"), fromHex("06024142"), fromHex("0909080808")) + tail},
        {"ShortSlotIds", kHeader + record(fromHex("0200"), fromHex("060131"), fromHex("0909090909")) +
                             record(fromHex("0201"), fromHex("0600"), fromHex("0808080808")) + tail},
        {"OtherPageSize", fromHex("060d545374436f6c6c656374696f6e03e80301") +
                              record(fromHex("0200"), fromHex("06023031"), fromHex("0909090909")) + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encodeBeaconFile(decode(c.bytes)), c.bytes);
    }
}

TEST(BeaconFile, ReaderAcceptsEveryEncodingOfAValue) {
    const std::string tail = fromHex("00");
    // Page size and index as 2- and 4-byte integers, the slot id as a long
    // string of three characters, a boolean byte that is neither tag.
    const std::string bytes = fromHex("060d545374436f6c6c656374696f6e0412000000") + fromHex("01") +
                              record(fromHex("030500"), fromHex("0c03000000313233"), fromHex("09550809ff")) +
                              record(fromHex("0205"), fromHex("06023036"), fromHex("0909090909")) + tail +
                              fromHex("deadbeef");
    const BeaconContainer c = decode(bytes);
    EXPECT_EQ(c.pageSize, 18);
    ASSERT_EQ(c.records.size(), 1u);  // the second record at index 5 replaced the first
    EXPECT_EQ(c.records.at(5).SlotId, "06");

    const BeaconContainer first = decode(fromHex("060d545374436f6c6c656374696f6e021201") +
                                         record(fromHex("0205"), fromHex("0c03000000313233"), fromHex("09550809ff")) +
                                         tail);
    EXPECT_EQ(first.records.at(5).SlotId, "12");
    EXPECT_EQ(first.records.at(5).OnBand, (std::array<bool, 5>{true, false, false, true, false}));
}

TEST(BeaconFile, PageSizeDecidesWhetherTheContainerIsEmptiedFirst) {
    BeaconContainer c = defaultBeaconContainer();
    decodeBeaconFile(kHeader + fromHex("00"), c);
    EXPECT_EQ(c.records.size(), 18u);  // same page size: records kept
    decodeBeaconFile(fromHex("060d545374436f6c6c656374696f6e021301") + fromHex("00"), c);
    EXPECT_TRUE(c.records.empty());
    EXPECT_EQ(c.pageSize, 19);
}

TEST(BeaconFile, MalformedFilesFailWithTheirMessages) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
    };
    const std::string flags = fromHex("0909090909");
    const Case cases[] = {
        {"Empty", "", "Stream read error"},
        {"UnknownClass", fromHex("0604") + "TFoo" + fromHex("021201") + fromHex("00"),
         "Container class name TFoo read from stream is unregistered"},
        {"OtherRegisteredClass", fromHex("0613") + "TStSortedCollection" + fromHex("021201") + fromHex("00"),
         "Class name on stream differs from object's class"},
        {"ClassNameNotAString", fromHex("020d"), "Invalid property value"},
        {"PageSizeNotAnInteger", fromHex("060d545374436f6c6c656374696f6e0600"), "Invalid property value"},
        {"NoListStart", fromHex("060d545374436f6c6c656374696f6e021209"), "Invalid property value"},
        {"IndexNotAnInteger", kHeader + fromHex("0601"), "Invalid property value"},
        {"NegativeIndex", kHeader + record(fromHex("02ff"), fromHex("06023031"), flags) + fromHex("00"),
         "Index is out of range"},
        {"MostNegativeIndex", kHeader + record(fromHex("0400000080"), fromHex("06023031"), flags) + fromHex("00"),
         "Index is out of range"},
        {"SlotIdNotAString", kHeader + fromHex("0200") + fromHex("0930"), "Invalid property value"},
        {"HugeLongString", kHeader + fromHex("0200") + fromHex("0cffffffff") + "01", "Stream read error"},
        {"HugeClassName", fromHex("0cffffff7f") + "TStCollection", "Stream read error"},
        {"StringPastEnd", kHeader + fromHex("0200") + fromHex("06ff3031"), "Stream read error"},
        {"NoListEnd", kHeader + record(fromHex("0200"), fromHex("06023031"), flags), "Stream read error"},
        {"FlagsCutShort", kHeader + fromHex("0200") + fromHex("06023031") + fromHex("0909"), "Stream read error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(errorOf(c.bytes), c.message);
    }
}

TEST(BeaconFile, EveryTruncationOfTheDefaultFileIsAReadError) {
    for (std::size_t n = 0; n < kDefaultFile.size(); ++n)
        ASSERT_EQ(errorOf(kDefaultFile.substr(0, n)), "Stream read error") << n << " bytes";
}

// The loader must survive any bytes: an error or a container, never a crash,
// a hang or a huge allocation (run also under AddressSanitizer). A fixed seed
// keeps the run repeatable; the count keeps it to a fraction of a second.
TEST(BeaconFileFuzz, MutatedAndRandomFilesFailCleanly) {
    std::mt19937 rng(20261210);
    const auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    const auto anyByte = [&] { return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng)); };
    const char interesting[] = {0, 1, 2, 3, 4, 6, 8, 9, 12, '\x7f', '\x80', '\xff'};
    int decoded = 0;
    for (int iteration = 0; iteration < 20000; ++iteration) {
        std::string bytes = kDefaultFile;
        if (iteration % 10 == 0) {
            bytes.resize(pick(300));
            for (char& b : bytes) b = anyByte();
        } else {
            const std::size_t mutations = 1 + pick(4);
            for (std::size_t m = 0; m < mutations; ++m) {
                switch (pick(4)) {
                    case 0: bytes[pick(bytes.size())] = anyByte(); break;
                    case 1: bytes[pick(bytes.size())] = interesting[pick(sizeof interesting)]; break;
                    case 2: bytes.erase(pick(bytes.size()), 1 + pick(8)); break;
                    default: bytes.insert(pick(bytes.size()), 1, interesting[pick(sizeof interesting)]); break;
                }
                if (bytes.empty()) bytes.push_back(anyByte());
            }
        }
        try {
            const BeaconContainer c = decode(bytes);
            ++decoded;
            // Whatever was accepted writes back to bytes that read the same.
            EXPECT_EQ(decode(encodeBeaconFile(c)), c);
        } catch (const BeaconFileError&) {
        }
    }
    EXPECT_GT(decoded, 0);
}
