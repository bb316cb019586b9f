#include "timesync/HostList.h"

#include <QFileInfo>
#include <algorithm>

#include "common/AtomicFile.h"
#include "common/OrvaneError.h"
#include "common/RegularFile.h"

namespace orvane::timesync {

namespace {

bool sortsBefore(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

// Lines are UTF-8; a line that is not (a list written by an older, 8-bit
// program) is read as Latin-1, so that no byte is lost.
QString decodeLine(const QByteArray& line) {
    const QString text = QString::fromUtf8(line);
    if (text.contains(QChar::ReplacementCharacter) && !line.contains("\xEF\xBF\xBD"))
        return QString::fromLatin1(line);
    return text;
}

}  // namespace

QStringList HostList::parseHostFile(const QByteArray& bytes) {
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(decodeLine(bytes.mid(start, i - start)));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) lines.append(decodeLine(bytes.mid(start)));
    return lines;
}

QByteArray HostList::formatHostFile(const QStringList& entries) {
    QByteArray bytes;
    for (const QString& entry : entries) bytes += entry.toUtf8() + "\r\n";
    return bytes;
}

int HostList::FindHost(const QString& text) const {
    return static_cast<int>(entries_.indexOf(text));
}

int HostList::addSorted(const QString& text) {
    const auto at = std::upper_bound(entries_.begin(), entries_.end(), text, sortsBefore);
    const auto index = at - entries_.begin();
    entries_.insert(index, text);
    return static_cast<int>(index);
}

void HostList::removeAt(int index) {
    if (index >= 0 && index < count()) entries_.removeAt(index);
}

void HostList::setEntries(const QStringList& entries) {
    entries_ = entries;
    std::stable_sort(entries_.begin(), entries_.end(), sortsBefore);
}

QString HostList::SetDefaultHosts() {
    for (const std::string_view host : kDefaultHosts)
        addSorted(QString::fromLatin1(host.data(), static_cast<qsizetype>(host.size())));
    return defaultServer();
}

QString HostList::LoadHostList(const QString& fileName) {
    unreadableFile_.clear();
    const FileBytes file = readRegularFile(fileName, kMaxFileBytes);
    if (file.status != FileBytes::Status::Missing) {
        if (!file.readWhole()) {
            // Never written back: the close would otherwise replace the
            // user's file with whatever list this run ends with.
            unreadableFile_ = QFileInfo(fileName).absoluteFilePath();
            throw OrvaneError("Unable to read " + fileName.toStdString() + ": " + file.reason.toStdString() +
                              "; the file will be left as it is");
        }
        setEntries(parseHostFile(file.bytes));
        if (!entries_.isEmpty()) return {};
    }
    return SetDefaultHosts();
}

void HostList::SaveHostList(const QString& fileName) const {
    if (!unreadableFile_.isEmpty() && QFileInfo(fileName).absoluteFilePath() == unreadableFile_) return;
    if (!writeFileAtomically(fileName, formatHostFile(entries_)))
        throw OrvaneError("Unable to write to " + fileName.toStdString());
}

void HostList::keyDown(Key key, const QString& currentText) {
    HostIndex = FindHost(currentText);
    HostTyping = key != Key::DeleteOrEnter;
}

HostList::CommitOutcome HostList::commit(const QString& text) {
    CommitOutcome outcome;
    if (!text.isEmpty()) {
        if (FindHost(text) == -1) {
            outcome.kind = CommitOutcome::Kind::Added;
            outcome.index = addSorted(text);
        }
        return outcome;
    }
    // An emptied box removes the entry its text named at the last key press.
    // The index is checked: after the last entry went, a second commit of the
    // empty box must not remove anything.
    if (HostIndex >= 0 && HostIndex < count()) {
        outcome.kind = CommitOutcome::Kind::Removed;
        outcome.index = HostIndex;
        removeAt(HostIndex);
    }
    if (entries_.isEmpty()) {
        HostIndex = -1;
    } else {
        outcome.selectFirst = true;
        HostIndex = 0;
    }
    return outcome;
}

}  // namespace orvane::timesync
