// libFuzzer entry for the beacon file loader:
//   beacon_file_fuzzer -max_total_time=60 -max_len=4096
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "beacons/BeaconFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvane::beacons::BeaconContainer c;
    try {
        orvane::beacons::decodeBeaconFile(std::string_view(reinterpret_cast<const char*>(data), size), c);
        orvane::beacons::BeaconContainer again;
        orvane::beacons::decodeBeaconFile(orvane::beacons::encodeBeaconFile(c), again);
        if (!(again == c)) __builtin_trap();
    } catch (const orvane::beacons::BeaconFileError&) {
    }
    return 0;
}
