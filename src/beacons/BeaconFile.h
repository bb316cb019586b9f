#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "beacons/BeaconRecord.h"
#include "common/OrvaneError.h"

namespace orvane::beacons {

// Responsibilities: the bytes of the beacon file, apart from any file IO.
// The file is a sequence of tagged values: the container's class name
// "TStCollection", its page size, then a list of (index, record) pairs in
// ascending index order. A record is a string with the two slot-id
// characters and five booleans, one per band. With all eighteen records the
// file is 217 bytes.
//
// Decoding treats every byte as untrusted: every length is checked against
// what is left before anything is allocated, and each malformed file fails
// with the message its users have always seen (BeaconFileError).

// The index-addressed store the file holds. Indexes may have gaps; indexes
// above 17 are kept (and written back) but never reach BeaconArray.
struct BeaconContainer {
    static constexpr std::int32_t kDefaultPageSize = kBeaconListCount;
    std::int32_t pageSize = kDefaultPageSize;
    std::map<std::int32_t, TBeaconRecord> records;

    friend bool operator==(const BeaconContainer&, const BeaconContainer&) = default;
};

class BeaconFileError : public OrvaneError {
public:
    using OrvaneError::OrvaneError;
};

// Value tags of the file.
enum class BeaconTag : std::uint8_t {
    EndOfList = 0,
    List = 1,
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    String = 6,
    False = 8,
    True = 9,
    LString = 12,
};

inline constexpr std::string_view kContainerClassName = "TStCollection";

// The messages of a malformed file.
namespace msg {
inline constexpr std::string_view kUnregisteredClass = "Container class name %s read from stream is unregistered";
inline constexpr std::string_view kClassDiffers = "Class name on stream differs from object's class";
inline constexpr std::string_view kInvalidValue = "Invalid property value";
inline constexpr std::string_view kReadError = "Stream read error";
inline constexpr std::string_view kIndexOutOfRange = "Index is out of range";
}  // namespace msg

// The exact bytes for the container, records in ascending index order.
std::string encodeBeaconFile(const BeaconContainer& container);

// Reads a beacon file into `container`, which is emptied when the file's page
// size differs from its own. Records read before a failure stay in the
// container; the error says what was wrong. Bytes after the end of the list
// are not looked at.
void decodeBeaconFile(std::string_view bytes, BeaconContainer& container);

// The container filled with the default table (indexes 0..17).
BeaconContainer defaultBeaconContainer();

}  // namespace orvane::beacons
