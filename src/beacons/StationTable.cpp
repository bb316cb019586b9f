#include "beacons/StationTable.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/OrvaneError.h"
#include "common/Printable.h"
#include "common/RegularFile.h"
#include "map/Maidenhead.h"

namespace orvane::beacons {
namespace {

// Built-in slots with no beacon in service on any band (the default table).
constexpr bool builtInOnAir(int slotNumber) { return slotNumber != 8 && slotNumber != 9; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool parseDouble(std::string_view s, double& value) {
    s = trim(s);
    if (s.empty()) return false;
    if (s.front() == '+') s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// One line into an entry, or the reason it is refused.
std::string parseLine(std::string_view line, StationEntry& out) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t bar = line.find('|', start);
        fields.push_back(trim(line.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start)));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    if (fields.size() != 5 && fields.size() != 6)
        return "expected 5 or 6 fields separated by \"|\" (slot | call | site | position | on-air [| time zone]), "
               "found " + std::to_string(fields.size());
    int slot = 0;
    const std::string_view slotText = fields[0];
    const auto [end, ec] = std::from_chars(slotText.data(), slotText.data() + slotText.size(), slot);
    if (ec != std::errc() || end != slotText.data() + slotText.size() || slot < 1 || slot > kBeaconListCount)
        return "slot \"" + std::string(slotText) + "\" is not a number from 1 to 18";

    std::string call(fields[1]);
    for (char& c : call) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const bool callOk = !call.empty() && call.size() <= kMaxCallLength &&
                        std::all_of(call.begin(), call.end(), [](char c) {
                            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/';
                        });
    if (!callOk) return "call \"" + std::string(fields[1]) + "\" is not 1 to 10 letters, digits or \"/\"";
    // Every call sign has a letter; a number alone names a slot wherever a
    // beacon is asked for by call or slot, so such a beacon could not be found.
    if (std::none_of(call.begin(), call.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
        return "call \"" + std::string(fields[1]) + "\" has no letter (a number alone names a slot)";

    const std::string_view site = fields[2];
    const bool siteOk = !site.empty() && site.size() <= kMaxSiteLength &&
                        std::all_of(site.begin(), site.end(), [](char c) { return c >= ' ' && c <= '~'; });
    if (!siteOk) return "site \"" + std::string(site) + "\" is not 1 to 25 printable characters";

    const std::string_view position = fields[3];
    double lat = 0, lon = 0;
    std::string locator;
    if (const std::size_t slash = position.find('/'); slash != std::string_view::npos) {
        if (!parseDouble(position.substr(0, slash), lat) || !parseDouble(position.substr(slash + 1), lon) ||
            std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0)
            return "position \"" + std::string(position) +
                   "\" is not LAT/LON in degrees (latitude -90..90, longitude -180..180)";
        locator = map::FormatLocator(lon, lat);
    } else if (const auto loc = map::ParseLocator(position)) {
        lat = loc->latDeg;
        lon = loc->lonDeg;
        locator = loc->text;
    } else {
        return "position \"" + std::string(position) + "\" is neither a locator (\"JO22dc\") nor LAT/LON";
    }

    const std::string flag = lower(fields[4]);
    if (flag != "on" && flag != "off") return "on-air \"" + std::string(fields[4]) + "\" is neither on nor off";

    // Without a zone the slot keeps its built-in one (a stations file
    // normally names a new beacon in the same region).
    std::string zone(kStations[static_cast<std::size_t>(slot - 1)].timeZone);
    if (fields.size() == 6) {
        zone = std::string(fields[5]);
        const bool nameOk = !zone.empty() && zone.size() <= kMaxTimeZoneLength &&
                            std::all_of(zone.begin(), zone.end(), [](char c) {
                                return std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '_' ||
                                       c == '-' || c == '+';
                            });
        if (!nameOk || !QTimeZone(QByteArray::fromStdString(zone)).isValid())
            return "time zone \"" + zone + "\" is not in the time-zone database (use a name such as Europe/Helsinki)";
    }

    out.slotNumber = slot;
    out.call = std::move(call);
    out.site = std::string(site);
    out.locator = std::move(locator);
    out.latDeg = lat;
    out.lonDeg = lon;
    out.onAir = flag == "on";
    out.timeZone = std::move(zone);
    out.overridden = true;
    return {};
}

std::string padded(std::string_view s, std::size_t width) {
    std::string out(s.substr(0, width));
    out.resize(width, ' ');
    return out;
}

}  // namespace

StationTable::StationTable() {
    for (int i = 0; i < kBeaconListCount; ++i) {
        const Station& st = kStations[static_cast<std::size_t>(i)];
        StationEntry& e = entries_[static_cast<std::size_t>(i)];
        e.slotNumber = st.slotNumber;
        e.call = std::string(st.callsign());
        e.site = std::string(st.site);
        e.latDeg = st.latDeg;
        e.lonDeg = st.lonDeg;
        e.locator = map::FormatLocator(st.lonDeg, st.latDeg);
        e.timeZone = std::string(st.timeZone);
        e.onAir = builtInOnAir(st.slotNumber);
    }
}

int StationTable::find(std::string_view callOrSlot) const {
    callOrSlot = trim(callOrSlot);
    int slot = 0;
    const auto [end, ec] = std::from_chars(callOrSlot.data(), callOrSlot.data() + callOrSlot.size(), slot);
    if (ec == std::errc() && end == callOrSlot.data() + callOrSlot.size())
        return slot >= 1 && slot <= kBeaconListCount ? slot - 1 : -1;
    const std::string wanted = lower(callOrSlot);
    for (int i = 0; i < kBeaconListCount; ++i)
        if (lower(entry(i).call) == wanted) return i;
    return -1;
}

std::vector<StationFileProblem> StationTable::apply(std::string_view text) {
    std::vector<StationFileProblem> problems;
    // A UTF-8 byte order mark, as some editors write one, is no part of line 1.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    int lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        // CR LF, LF and CR alone each end a line.
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
        ++lineNumber;
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        StationEntry e;
        if (std::string why = parseLine(line, e); !why.empty()) {
            // Past the ones shown, a problem is counted, not described: a
            // file of junk must not cost memory in proportion to its lines.
            if (problems.size() >= kDescribedStationProblems) why.clear();
            problems.push_back({lineNumber, std::move(why)});
            continue;
        }
        entries_[static_cast<std::size_t>(e.slotNumber - 1)] = std::move(e);
    }
    return problems;
}

std::vector<StationFileProblem> StationTable::load(const QString& fileName) {
    const std::string name = fileName.toStdString();
    // Never a blocking open: a FIFO or a device would hold the reader.
    const FileBytes file = readRegularFile(fileName, kMaxStationFileBytes);
    switch (file.status) {
        case FileBytes::Status::Read: break;
        case FileBytes::Status::Missing: throw OrvaneError("Cannot open file " + name);
        case FileBytes::Status::NotRegular: throw OrvaneError("Stations file " + name + " is not a regular file");
        case FileBytes::Status::TooLarge: throw OrvaneError("Stations file " + name + " is larger than 1 MiB");
        case FileBytes::Status::Unreadable:
            throw OrvaneError("Cannot open file " + name + ": " + file.reason.toStdString());
    }
    StationTable copy = *this;
    auto problems = copy.apply(std::string_view(file.bytes.constData(), static_cast<std::size_t>(file.bytes.size())));
    *this = std::move(copy);
    return problems;
}

bool StationTable::siteMoved(int index) const {
    const StationEntry& e = entry(index);
    const Station& st = kStations[static_cast<std::size_t>(index)];
    return e.overridden && (std::fabs(e.latDeg - st.latDeg) > 0.25 || std::fabs(e.lonDeg - st.lonDeg) > 0.25);
}

std::string StationTable::labelCaption(int index) const {
    const std::string& call = entry(index).call;
    return kStations[static_cast<std::size_t>(index)].caretLeft() ? "^" + call : call + "^";
}

std::string StationTable::labelHint(int index) const {
    const StationEntry& e = entry(index);
    const std::string number = std::to_string(e.slotNumber);
    return number + (number.size() == 1 ? "  " : " ") + e.site;
}

std::string StationTable::utcOffset(int index, UtcMs at) const {
    const QTimeZone zone(QByteArray::fromStdString(entry(index).timeZone));
    if (!zone.isValid()) return {};
    const int seconds = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(at, Qt::UTC));
    const int minutes = std::abs(seconds) / 60;
    char text[8];
    std::snprintf(text, sizeof text, "%c%02d:%02d", seconds < 0 ? '-' : '+', minutes / 60 % 100, minutes % 60);
    return text;
}

std::string StationTable::checkListItem(int index, UtcMs at) const {
    const StationEntry& e = entry(index);
    // Slot (3), site (25), call (10), the site's UTC offset at the moment (6).
    return padded(std::to_string(e.slotNumber), 3) + padded(e.site, 25) + padded(e.call, 10) +
           padded(utcOffset(index, at), 6);
}

QString describeProblems(const QString& fileName, const std::vector<StationFileProblem>& problems) {
    QStringList lines;
    const std::size_t shown = std::min(problems.size(), kDescribedStationProblems);
    for (std::size_t i = 0; i < shown; ++i)
        lines << QStringLiteral("%1, line %2: %3 (built-in entry kept)")
                     .arg(fileName)
                     .arg(problems[i].line)
                     .arg(printable(QString::fromStdString(problems[i].message)));  // never raw control bytes
    if (problems.size() > shown) lines << QStringLiteral("and %1 more").arg(problems.size() - shown);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace orvane::beacons
