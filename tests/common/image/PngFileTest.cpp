#include "common/image/PngFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include "support/TempDir.h"

using orvane::encodePng;
using orvane::writePngFile;

namespace {

// A picture with what a map and a plot hold: smooth gradients, hard edges,
// every value of every channel somewhere, an odd size.
QImage samplePicture(QImage::Format format) {
    QImage image(301, 157, format);
    image.fill(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = format == QImage::Format_ARGB32 ? (x * 7 + y) % 256 : 255;
            image.setPixel(x, y, qRgba((x * 3) % 256, (y * 5 + x) % 256, (x ^ y) % 256, alpha));
        }
    QPainter painter(&image);
    painter.fillRect(40, 30, 90, 50, QColor(10, 200, 30));
    return image;
}

QImage decoded(const QByteArray& bytes) {
    QImage image = QImage::fromData(bytes, "PNG");
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

}  // namespace

TEST(PngFile, EveryPixelReadsBackAsWrittenWithAndWithoutTransparency) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8}) {
        SCOPED_TRACE(static_cast<int>(format));
        QImage original = samplePicture(format == QImage::Format_Indexed8 ? QImage::Format_RGB32 : format);
        if (format == QImage::Format_Indexed8) original = original.convertToFormat(format);
        QString reason;
        const QByteArray bytes = encodePng(original, &reason);
        ASSERT_FALSE(bytes.isEmpty()) << reason.toStdString();
        const QImage back = decoded(bytes);
        ASSERT_EQ(back.size(), original.size());
        EXPECT_EQ(back.hasAlphaChannel(), original.hasAlphaChannel());
        const QImage expected =
            original.convertToFormat(original.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                ASSERT_EQ(back.pixel(x, y), expected.pixel(x, y)) << "at " << x << "," << y;
    }
}

TEST(PngFile, NothingToWriteIsAFailureWithAReason) {
    QString reason;
    EXPECT_TRUE(encodePng(QImage(), &reason).isEmpty());
    EXPECT_FALSE(reason.isEmpty());
}

TEST(PngFile, AFileIsReplacedWholeOrLeftAsItWas) {
    TempDir dir;
    const QString file = dir.file("map.png");
    const QImage first = samplePicture(QImage::Format_RGB32);
    QString reason;
    ASSERT_TRUE(writePngFile(file, first, &reason)) << reason.toStdString();
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(decoded(in.readAll()), first);

    // A folder that does not exist: the failure is told, nothing is left.
    const QString nowhere = dir.file("missing/map.png");
    reason.clear();
    EXPECT_FALSE(writePngFile(nowhere, first, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"map.png"});
}
