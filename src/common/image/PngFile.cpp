#include "common/image/PngFile.h"

#include <libdeflate.h>

#include <QtEndian>
#include <cstring>
#include <limits>
#include <memory>

#include "common/AtomicFile.h"

namespace orvane {
namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr int kFastestLevel = 1;
// PNG limits a chunk to 2^31 - 1 bytes; an image whose filtered rows exceed
// that in one go is not a map this program draws.
constexpr qsizetype kMaxFilteredBytes = std::numeric_limits<qint32>::max() / 2;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

void appendBigEndian(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// Length, type, data, and the CRC of type and data.
void appendChunk(QByteArray& out, const char type[4], const char* data, qsizetype size) {
    appendBigEndian(out, static_cast<quint32>(size));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out.append(data, size);
    const auto* crcFrom = reinterpret_cast<const unsigned char*>(out.constData() + typeAt);
    appendBigEndian(out, libdeflate_crc32(0, crcFrom, static_cast<std::size_t>(size) + 4));
}

// Each row: the filter byte, then every byte less the same byte of the pixel
// to its left (modulo 256).
QByteArray filteredRows(const QImage& image, bool alpha) {
    const int channels = alpha ? 4 : 3;
    const qsizetype rowBytes = 1 + qsizetype(image.width()) * channels;
    QByteArray rows(rowBytes * image.height(), Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(rows.data());
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        *p++ = 1;  // Sub
        QRgb left = alpha ? 0u : 0xFF000000u;
        for (int x = 0; x < width; ++x) {
            const QRgb c = line[x];
            p[0] = static_cast<unsigned char>(qRed(c) - qRed(left));
            p[1] = static_cast<unsigned char>(qGreen(c) - qGreen(left));
            p[2] = static_cast<unsigned char>(qBlue(c) - qBlue(left));
            if (alpha) p[3] = static_cast<unsigned char>(qAlpha(c) - qAlpha(left));
            p += channels;
            left = c;
        }
    }
    return rows;
}

}  // namespace

QByteArray encodePng(const QImage& image, QString* reason) {
    auto fail = [reason](const QString& why) {
        if (reason) *reason = why;
        return QByteArray();
    };
    if (image.isNull()) return fail(QStringLiteral("there is no picture to write"));
    const bool alpha = image.hasAlphaChannel();
    const qsizetype filteredSize = (1 + qsizetype(image.width()) * (alpha ? 4 : 3)) * image.height();
    if (filteredSize > kMaxFilteredBytes) return fail(QStringLiteral("the picture is too large for one file"));
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull()) return fail(QStringLiteral("out of memory"));
    const QByteArray rows = filteredRows(pixels, alpha);

    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(kFastestLevel));
    if (!compressor) return fail(QStringLiteral("out of memory"));
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), static_cast<std::size_t>(rows.size()));
    QByteArray packed(static_cast<qsizetype>(bound), Qt::Uninitialized);
    const std::size_t packedSize = libdeflate_zlib_compress(compressor.get(), rows.constData(),
                                                            static_cast<std::size_t>(rows.size()), packed.data(), bound);
    if (packedSize == 0) return fail(QStringLiteral("the picture could not be compressed"));

    char header[13];
    qToBigEndian(static_cast<quint32>(pixels.width()), header);
    qToBigEndian(static_cast<quint32>(pixels.height()), header + 4);
    header[8] = 8;                 // bits per sample
    header[9] = alpha ? 6 : 2;     // RGBA or RGB
    header[10] = header[11] = 0;   // deflate, adaptive filtering
    header[12] = 0;                // not interlaced

    QByteArray file;
    file.reserve(static_cast<qsizetype>(packedSize) + 64);
    file.append(kSignature, 8);
    appendChunk(file, "IHDR", header, sizeof header);
    appendChunk(file, "IDAT", packed.constData(), static_cast<qsizetype>(packedSize));
    appendChunk(file, "IEND", nullptr, 0);
    return file;
}

bool writePngFile(const QString& fileName, const QImage& image, QString* reason) {
    const QByteArray bytes = encodePng(image, reason);
    return !bytes.isEmpty() && writeFileAtomically(fileName, bytes, reason);
}

}  // namespace orvane
