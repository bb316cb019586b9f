// libFuzzer entry for the import of the heard log (`orvane-cli history
// --import-csv`): one line of the CSV log. Beyond not crashing: a line taken
// as a slot is on a 10-second boundary within the years 1 to 9999, on one of
// the five bands, with an outcome the history knows (another beacon only
// with OtherCall) and finite figures; a line refused says why.
#include <cmath>

#include "FuzzSupport.h"
#include "history/HeardCsv.h"

using namespace orvane::history;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString reason;
    const std::optional<SlotRecord> r = parseHeardCsvLine(bytesOf(data, size), &reason);
    if (!r) return 0;
    require(r->slotStartMs % 10'000 == 0);
    require(r->slotStartMs >= -62'135'596'800'000LL && r->slotStartMs < 253'402'300'800'000LL);
    require(r->band >= 0 && r->band < 5);
    require(r->outcome == Outcome::NotHeard || r->outcome == Outcome::Heard || r->outcome == Outcome::OtherCall);
    require((r->outcome == Outcome::OtherCall) == (r->otherBeacon >= 0) && r->otherBeacon < 18);
    for (const auto& snr : r->dashSnrDb) require(!snr || std::isfinite(*snr));
    require(std::isfinite(r->toneOffsetHz) && std::isfinite(r->timeOffsetMs));
    return 0;
}
