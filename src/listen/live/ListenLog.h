#pragma once

#include <QByteArray>
#include <QString>

namespace orvane::listen {

// Responsibilities: the CSV log of what was heard, one line per slot. The
// file is opened with O_APPEND and each line goes out in a single write(), so
// a crash (of this program or of the machine between lines) never leaves half
// a line, and lines from two runs never interleave. The header line is
// written once, when the file is new or empty. A line that could not be
// written whole is reported, never counted as written.
class ListenLog {
public:
    // Lines longer than this are refused: a line is a handful of numbers.
    static constexpr int kMaxLineBytes = 512;

    ListenLog(QString fileName, QByteArray headerLine);
    ~ListenLog();
    ListenLog(const ListenLog&) = delete;
    ListenLog& operator=(const ListenLog&) = delete;

    const QString& fileName() const { return fileName_; }

    // Appends `line` (without its end-of-line). False with the system's reason
    // when the file cannot be opened or the line was not written whole.
    bool append(const QByteArray& line, QString* reason = nullptr);

private:
    bool open(QString* reason);

    QString fileName_;
    QByteArray header_;
    int fd_ = -1;
};

}  // namespace orvane::listen
