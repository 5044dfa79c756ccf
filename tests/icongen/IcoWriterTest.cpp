#include "IcoWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>

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

struct Entry {
    int width, height, colours, reserved, planes, bitCount;
    quint32 bytes, offset;
};

Entry entryAt(const QByteArray& ico, int index) {
    const auto* p = reinterpret_cast<const uchar*>(ico.constData()) + 6 + 16 * index;
    return {p[0],
            p[1],
            p[2],
            p[3],
            qFromLittleEndian<quint16>(p + 4),
            qFromLittleEndian<quint16>(p + 6),
            qFromLittleEndian<quint32>(p + 8),
            qFromLittleEndian<quint32>(p + 12)};
}

quint16 word(const QByteArray& ico, int at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(ico.constData()) + at);
}

}  // namespace

TEST(IcoWriter, HeaderHasOneEntryPerImage) {
    QString error;
    const QByteArray ico = IcoWriter::encode(standardImages(), &error);
    ASSERT_FALSE(ico.isEmpty()) << error.toStdString();
    ASSERT_GE(ico.size(), 6 + 4 * 16);
    EXPECT_EQ(word(ico, 0), 0);  // reserved
    EXPECT_EQ(word(ico, 2), 1);  // icon
    EXPECT_EQ(word(ico, 4), 4);  // count

    const QByteArray pngMagic("\x89PNG\r\n\x1a\n", 8);
    quint32 expectedOffset = 6 + 4 * 16;
    const int sizes[] = {16, 32, 48, 64};
    for (int i = 0; i < 4; ++i) {
        const Entry e = entryAt(ico, i);
        EXPECT_EQ(e.width, sizes[i]);
        EXPECT_EQ(e.height, sizes[i]);
        EXPECT_EQ(e.colours, 0);
        EXPECT_EQ(e.reserved, 0);
        EXPECT_EQ(e.planes, 1);
        EXPECT_EQ(e.bitCount, 32);
        EXPECT_EQ(e.offset, expectedOffset) << "entry " << i;
        ASSERT_LE(qint64(e.offset) + e.bytes, ico.size());
        EXPECT_EQ(ico.mid(e.offset, 8), pngMagic) << "entry " << i << " is not PNG data";
        expectedOffset += e.bytes;
    }
    EXPECT_EQ(expectedOffset, quint32(ico.size())) << "image data must end the file";
}

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
