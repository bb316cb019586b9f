// libFuzzer entry for the command line's value arguments: TIME
// ("YYYY-MM-DDTHH:MM:SSZ" or "@SECONDS"), a band's MHz and a map size
// ("WxH"). Beyond not crashing: a time read is within the years 1 to 9999,
// prints back (ISO and "@") to text that reads the same, an ISO time prints
// back to the very text read, and it reads the same in ms; a band is 0..4; a size read is within its bounds and prints back to
// the same size.
#include <QDateTime>

#include <string>

#include "FuzzSupport.h"
#include "app/cli/CliVerb.h"
#include "map/MapSizeArgument.h"

using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(bytesOf(data, size));

    long long seconds = 0;
    if (orvane::cli::parseTimeArgument(text, seconds)) {
        require(seconds >= -62'135'596'800LL && seconds < 253'402'300'800LL);
        long long again = 0;
        require(orvane::cli::parseTimeArgument(QStringLiteral("@%1").arg(seconds), again) && again == seconds);
        const QString iso = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
        require(orvane::cli::parseTimeArgument(iso, again) && again == seconds);
        // The ISO form has one spelling per moment: the text was that spelling.
        if (!text.startsWith(QLatin1Char('@'))) require(text == iso);
        long long ms = 0;
        require(orvane::cli::parseMomentArgument(text, ms) && ms == seconds * 1000);
    }

    const int band = orvane::cli::bandOfMHz(text);
    require(band >= -1 && band < 5);

    int width = 0, height = 0;
    if (orvane::map::parseMapSize(text.toStdString(), width, height)) {
        require(width >= 2 && height >= 2 && width <= orvane::map::kMaxMapSide && height <= orvane::map::kMaxMapSide);
        int w = 0, h = 0;
        require(orvane::map::parseMapSize(std::to_string(width) + "x" + std::to_string(height), w, h) && w == width &&
                h == height);
    }
    return 0;
}
