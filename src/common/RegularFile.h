#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

// Responsibilities: reads the program's own small files (settings, beacon
// file, host list) without trusting what lies at their names. A FIFO, a
// device or a directory in a file's place is reported, never opened for a
// blocking read (a FIFO with no writer would hold the program in open() before
// any window shows); the size read is bounded.
struct FileBytes {
    enum class Status {
        Read,        // bytes holds the whole file
        Missing,     // no file of that name
        NotRegular,  // a FIFO, device, socket or directory
        TooLarge,    // more than the bound; bytes holds the first maxBytes
        Unreadable,  // the system refused (permissions, I/O error)
    };
    Status status = Status::Missing;
    QByteArray bytes;
    QString reason;  // why it was not read whole, for the user; empty when Read or Missing

    bool readWhole() const { return status == Status::Read; }
};

// Follows a symbolic link to a regular file; never blocks on a FIFO.
FileBytes readRegularFile(const QString& fileName, qint64 maxBytes);

}  // namespace orvane
