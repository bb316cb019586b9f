#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace orvane {

// Responsibilities: the program's PNG output (the maps and plots written by
// the command line). Qt's writer lets libpng try every row filter on every
// row and deflates with zlib, which for a 1920 x 960 map costs three times
// drawing it. Here every row takes the filter that suits pictures of smooth
// areas ("Sub") and libdeflate compresses the whole at its fastest level:
// the file is smaller than Qt's and written several times quicker. Opaque
// images are written as 8-bit RGB, others as RGBA; any PNG reader reads
// them back pixel for pixel.
//
// encodePng gives the whole file, or an empty array with the reason;
// writePngFile replaces `fileName` atomically (the old file stays whole when
// anything fails).
QByteArray encodePng(const QImage& image, QString* reason = nullptr);
bool writePngFile(const QString& fileName, const QImage& image, QString* reason = nullptr);

}  // namespace orvane
