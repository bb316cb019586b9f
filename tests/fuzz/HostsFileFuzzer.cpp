// libFuzzer entry for the list of time servers ("Hosts.txt"). Beyond not
// crashing: no entry holds a line end; the lines written back read as the
// same entries; a list loaded from the file, saved and loaded again is the
// same sorted list; the host box's editing rules keep it sorted.
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

    // The host box's editing rules driven by the file's lines: a line typed
    // and committed, or (every third) the box emptied after naming it. The
    // list stays sorted, an entry added is where the outcome says, one
    // removed is gone.
    for (qsizetype i = 0; i < lines.size() && i < 32; ++i) {
        const bool empties = i % 3 == 2;
        list.keyDown(empties ? HostList::Key::DeleteOrEnter : HostList::Key::Other, lines[i]);
        const int before = list.count();
        const HostList::CommitOutcome outcome = list.commit(empties ? QString() : lines[i]);
        require(std::is_sorted(list.entries().begin(), list.entries().end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }));
        switch (outcome.kind) {
        case HostList::CommitOutcome::Kind::Added:
            require(list.count() == before + 1 && list.entries()[outcome.index] == lines[i]);
            break;
        case HostList::CommitOutcome::Kind::Removed:
            require(list.count() == before - 1 && outcome.index >= 0 && outcome.index <= list.count());
            break;
        case HostList::CommitOutcome::Kind::None:
            require(list.count() == before);
            break;
        }
        require(list.HostIndex >= -1 && list.HostIndex < std::max(list.count(), 1));
    }
    return 0;
}
