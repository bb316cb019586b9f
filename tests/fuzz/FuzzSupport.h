#pragma once

// Shared by the libFuzzer entries: the input as Qt bytes and text, the check
// that stops a run on a broken property (libFuzzer keeps the input as a crash),
// and a scratch file for the parsers that read from a file name.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include <unistd.h>

namespace orvane::fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline std::string_view viewOf(const std::uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// A property every accepted input must have; a violation is a finding.
inline void require(bool holds) {
    if (!holds) __builtin_trap();
}

// The input cut in two at its first NUL: a few parameters in front, the
// bytes under test after it. Without a NUL, everything is the payload.
struct Split {
    QByteArray head;
    QByteArray payload;
};
inline Split splitAtNul(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    if (nul < 0) return {QByteArray(), bytes};
    return {bytes.left(nul), bytes.mid(nul + 1)};
}

// Reads a little-endian value off the front of the input (zero past its end).
template <typename T>
T take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

// A file of this process, for parsers that read by name; `tag` tells several
// apart. Kept as a static of the entry, so it is removed when the fuzzer
// exits. In memory (/dev/shm) where there is one: the program's writes end
// with fsync(), which on a disk under load can take longer than the whole
// time an input is allowed.
class ScratchFile {
public:
    explicit ScratchFile(const char* tag)
        : name_(folder() + QStringLiteral("/orvane-fuzz-%1-%2").arg(::getpid()).arg(QLatin1String(tag))) {}
    ~ScratchFile() { QFile::remove(name_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const QString& name() const { return name_; }
    // Replaces the file's content with `bytes`.
    void write(const QByteArray& bytes) const {
        QFile file(name_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            __builtin_trap();
    }

private:
    static QString folder() {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    }
    QString name_;
};

}  // namespace orvane::fuzz
