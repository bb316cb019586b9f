#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <string_view>

namespace orvane::timesync {

// Responsibilities: the user's list of time servers ("Hosts.txt") and the
// editing rules of the host box. The list is kept in alphabetical order
// without regard to case; entries are compared exactly (case counts), so
// "Time.NIST.gov" and "time.nist.gov" are two entries. An empty entry is a
// legal entry (a file line may be empty).
//
// The host box (a window) forwards its key presses, text changes and focus
// loss here and mirrors the outcome; this class owns no widget.
//
// Errors: reading or writing the file throws OrvaneError with the text shown
// to the user.
class HostList {
public:
    static constexpr int kMaxTypedLength = 34;      // what can be typed into the box
    static constexpr qint64 kMaxFileBytes = 1 << 20;  // more is not a host list

    // Two public NTP services first (RFC 868 servers are going away, and
    // NTP gives milliseconds), then the public Time-protocol (RFC 868)
    // servers, in the order they are added: a national observatory, six of a
    // national standards laboratory (the first its main service name, the
    // default server) and one of a university. The "ntp:" entries sort to the
    // top of the list. A bare entry is asked by NTP first (see TimeQuery.h),
    // so the default server gets milliseconds where it answers NTP.
    static constexpr std::array<std::string_view, 10> kDefaultHosts{
        "ntp:pool.ntp.org",    "ntp:time.nist.gov",   "tick.usno.navy.mil",  "time.nist.gov",
        "time-a-g.nist.gov",   "time-b-g.nist.gov",   "time-c-g.nist.gov",   "time-a-wwv.nist.gov",
        "time-a-b.nist.gov",   "utcnist.colorado.edu"};
    static constexpr std::size_t kDefaultServerIndex = 3;
    static QString defaultServer() {
        const std::string_view name = kDefaultHosts[kDefaultServerIndex];
        return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }

    // The lines of a host file: CR, LF or CR LF end a line; a last line
    // without an end still counts; zero bytes give no lines.
    static QStringList parseHostFile(const QByteArray& bytes);
    // Every entry followed by CR LF.
    static QByteArray formatHostFile(const QStringList& entries);

    const QStringList& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }

    // Index of the first entry equal to `text`, telling case apart; -1 if none.
    int FindHost(const QString& text) const;
    // Inserts at the sorted place (after equal-sorting entries); returns the index.
    int addSorted(const QString& text);
    void removeAt(int index);
    // Replaces every entry (sorted on the way in).
    void setEntries(const QStringList& entries);

    // Start-up: the file's lines when it has any, else the defaults. Returns
    // the text the box should then show: the default server when the defaults
    // were used, else an empty string (the settings give the text).
    // Throws OrvaneError when the file exists but cannot be read whole (too
    // large, not a regular file, refused); that file is then never written
    // by SaveHostList, so the user's list is not lost at close.
    QString LoadHostList(const QString& fileName);
    // Adds the defaults; returns the default server.
    QString SetDefaultHosts();
    // Writes every entry, in list order, replacing the file atomically;
    // does nothing for a file the last LoadHostList could not read.
    // Throws OrvaneError("Unable to write to <file>").
    void SaveHostList(const QString& fileName) const;

    // --- editing rules of the host box -------------------------------------
    enum class Key { DeleteOrEnter, Other };

    int HostIndex = -1;       // entry equal to the text at the last key press
    bool HostTyping = true;   // false after Delete or Enter

    // A key went down in the box, before it changes the text.
    void keyDown(Key key, const QString& currentText);
    // The box's text changed; true when the change must be committed now.
    bool changeCommits() const { return !HostTyping; }

    struct CommitOutcome {
        enum class Kind { None, Added, Removed } kind = Kind::None;
        int index = -1;  // Added: where the text went; Removed: the index removed
        // After a removal (or an emptied box with nothing to remove), the box
        // shows the first entry when any remain.
        bool selectFirst = false;
    };
    // The box lost the focus (or a Delete/Enter change): add a new text,
    // drop the entry found at the last key press when the box is empty.
    CommitOutcome commit(const QString& text);

private:
    QStringList entries_;
    QString unreadableFile_;  // absolute; empty when the last load read its file
};

}  // namespace orvane::timesync
