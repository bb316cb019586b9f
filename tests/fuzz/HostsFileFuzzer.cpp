// libFuzzer entry for the list of time servers ("Hosts.txt"). Beyond not
// crashing: no entry holds a line end; the lines written back read as the
// same entries; a list loaded from the file, saved and loaded again is the
// same sorted list.
#include <algorithm>

#include "FuzzSupport.h"
#include "common/OrvaneError.h"
#include "timesync/HostList.h"

using orvane::timesync::HostList;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile file("Hosts.txt");
    static const ScratchFile saved("Hosts-saved.txt");
    const QByteArray bytes = bytesOf(data, size);

    const QStringList lines = HostList::parseHostFile(bytes);
    require(lines.size() <= bytes.size());
    for (const QString& line : lines) require(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
    require(HostList::parseHostFile(HostList::formatHostFile(lines)) == lines);

    file.write(bytes);
    HostList list;
    try {
        list.LoadHostList(file.name());
    } catch (const orvane::OrvaneError&) {
        return 0;
    }
    require(!list.entries().isEmpty());  // the file's lines, or the defaults
    if (!lines.isEmpty()) require(list.count() == lines.size());
    require(std::is_sorted(list.entries().begin(), list.entries().end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));
    list.SaveHostList(saved.name());
    HostList again;
    again.LoadHostList(saved.name());
    require(again.entries() == list.entries());
    return 0;
}
