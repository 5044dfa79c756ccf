#include "Raster.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quorvia::icongen;

namespace {

QImage filled(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    return img;
}

}  // namespace

TEST(Resample, AveragesOnPremultipliedColours) {
    struct Case {
        const char* what;
        QRgb left, right, expected;
    };
    const Case cases[] = {
        // Transparent neighbours must not darken an edge: only the alpha halves.
        {"opaque red beside clear black", qRgba(255, 0, 0, 255), qRgba(0, 0, 0, 0), qRgba(255, 0, 0, 128)},
        {"opaque red beside clear white", qRgba(255, 0, 0, 255), qRgba(255, 255, 255, 0), qRgba(255, 0, 0, 128)},
        {"two opaque colours mix evenly", qRgba(200, 0, 100, 255), qRgba(0, 200, 100, 255), qRgba(100, 100, 100, 255)},
        {"nothing visible stays zero", qRgba(90, 90, 90, 0), qRgba(30, 30, 30, 0), qRgba(0, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        QImage src(2, 1, QImage::Format_ARGB32);
        src.setPixel(0, 0, c.left);
        src.setPixel(1, 0, c.right);
        const QImage out = resample(src, src.rect(), QSize(1, 1), QRect(0, 0, 1, 1));
        EXPECT_EQ(out.pixel(0, 0), c.expected) << c.what;
    }
}

TEST(Resample, KeepsUniformAreasAndHonoursFractionalCells) {
    const QImage flat =
        resample(filled(12, 12, qRgba(10, 120, 230, 255)), QRect(0, 0, 12, 12), QSize(5, 5), QRect(0, 0, 5, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) ASSERT_EQ(flat.pixel(x, y), qRgba(10, 120, 230, 255)) << x << "," << y;

    // 3 source columns onto 2: the middle column is split between both output pixels.
    QImage stripes(3, 1, QImage::Format_ARGB32);
    stripes.setPixel(0, 0, qRgba(0, 0, 0, 255));
    stripes.setPixel(1, 0, qRgba(255, 255, 255, 255));
    stripes.setPixel(2, 0, qRgba(0, 0, 0, 255));
    const QImage two = resample(stripes, stripes.rect(), QSize(2, 1), QRect(0, 0, 2, 1));
    EXPECT_EQ(two.pixel(0, 0), qRgba(85, 85, 85, 255));
    EXPECT_EQ(two.pixel(1, 0), qRgba(85, 85, 85, 255));
}

TEST(Resample, LeavesEverythingOutsideTheTargetTransparent) {
    const QImage out = resample(filled(4, 4, qRgba(255, 0, 0, 255)), QRect(0, 0, 4, 4), QSize(6, 6), QRect(1, 2, 4, 3));
    EXPECT_EQ(out.pixel(0, 0), 0u);
    EXPECT_EQ(out.pixel(1, 2), qRgba(255, 0, 0, 255));
    EXPECT_EQ(out.pixel(4, 4), qRgba(255, 0, 0, 255));
    EXPECT_EQ(out.pixel(5, 4), 0u);
    EXPECT_EQ(out.pixel(4, 5), 0u);
}

TEST(FitSquare, CentresTheVisiblePartAndFillsTheBox) {
    struct Case {
        QRect shape;  // opaque part of a 40 x 40 canvas
        int size, margin;
        QRect expected;  // where it must land
    };
    const Case cases[] = {
        {QRect(3, 20, 10, 5), 16, 1, QRect(1, 4, 14, 7)},  // wide: full width, centred vertically
        {QRect(30, 2, 4, 8), 32, 2, QRect(9, 2, 14, 28)},  // tall: full height, centred horizontally
        {QRect(5, 5, 9, 9), 48, 2, QRect(2, 2, 44, 44)},   // square: the whole box
    };
    for (const Case& c : cases) {
        QImage canvas = filled(40, 40, 0);
        for (int y = c.shape.top(); y <= c.shape.bottom(); ++y)
            for (int x = c.shape.left(); x <= c.shape.right(); ++x) canvas.setPixel(x, y, qRgba(0, 128, 0, 255));
        const QImage out = fitSquare(canvas, c.size, c.margin);
        ASSERT_EQ(out.size(), QSize(c.size, c.size));
        EXPECT_EQ(alphaBounds(out), c.expected) << c.size;
        EXPECT_EQ(out.pixel(c.expected.center()), qRgba(0, 128, 0, 255)) << c.size;
    }
}

TEST(AlphaBounds, FindsPixelsAboveTheThreshold) {
    QImage img = filled(10, 10, 0);
    img.setPixel(2, 3, qRgba(0, 0, 0, 10));
    img.setPixel(7, 8, qRgba(0, 0, 0, 200));
    EXPECT_EQ(alphaBounds(img), QRect(QPoint(2, 3), QPoint(7, 8)));
    EXPECT_EQ(alphaBounds(img, 10), QRect(7, 8, 1, 1));
    EXPECT_TRUE(alphaBounds(img, 200).isNull());
}
