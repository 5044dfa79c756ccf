#include "IcoWriter.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

using quorvia::icongen::IcoWriter;

namespace {

// A test image of side `size`: filled with `fill`, its top-left pixel `corner`, its bottom-right
// pixel fully transparent and the pixel right of the corner half transparent.
QImage testImage(int size, QRgb fill, QRgb corner) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(fill);
    img.setPixel(0, 0, corner);
    img.setPixel(size - 1, size - 1, qRgba(0, 0, 0, 0));
    img.setPixel(1, 0, qRgba(10, 200, 30, 128));
    return img;
}

QRgb cornerFor(int size) { return qRgba(size, 255 - size, (size * 7) % 256, 255); }

QList<QImage> standardImages() {
    QList<QImage> images;
    for (int size : {16, 32, 48, 64}) images.append(testImage(size, qRgba(20, 40, 200, 255), cornerFor(size)));
    return images;
}

}  // namespace

// Qt's ico reader finds every size the writer put into the file, each with its own pixels,
// partial transparency included.
TEST(IcoWriter, QtReadsEverySizeWithItsPixels) {
    const QList<QImage> images = standardImages();
    QByteArray ico = IcoWriter::encode(images);
    ASSERT_FALSE(ico.isEmpty());
    QBuffer buffer(&ico);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    ASSERT_EQ(reader.imageCount(), 4);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        const int size = images[i].width();
        EXPECT_EQ(reader.size(), QSize(size, size));
        const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
        ASSERT_EQ(read.size(), QSize(size, size));
        EXPECT_EQ(read.pixel(0, 0), cornerFor(size)) << "size " << size;
        EXPECT_EQ(read.pixel(size / 2, size / 2), qRgba(20, 40, 200, 255));
        EXPECT_EQ(qAlpha(read.pixel(size - 1, size - 1)), 0);
        EXPECT_EQ(read.pixel(1, 0), qRgba(10, 200, 30, 128));
    }
}
