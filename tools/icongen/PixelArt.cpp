// The program's own images: hand-set pixel art in the 16 colours of the classic (Windows)
// VGA palette, plus the application icon drawn smoothly at every size.
#include "Artwork.h"
#include "Raster.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvia::icongen {

namespace {

// The 16 VGA colours as Windows names them.
namespace vga {
constexpr QRgb black = 0xff000000;
constexpr QRgb maroon = 0xff800000;
constexpr QRgb green = 0xff008000;
constexpr QRgb olive = 0xff808000;
constexpr QRgb navy = 0xff000080;
constexpr QRgb purple = 0xff800080;
constexpr QRgb teal = 0xff008080;
constexpr QRgb silver = 0xffc0c0c0;
constexpr QRgb grey = 0xff808080;
constexpr QRgb red = 0xffff0000;
constexpr QRgb lime = 0xff00ff00;
constexpr QRgb yellow = 0xffffff00;
constexpr QRgb blue = 0xff0000ff;
constexpr QRgb fuchsia = 0xffff00ff;
constexpr QRgb aqua = 0xff00ffff;
constexpr QRgb white = 0xffffffff;
}  // namespace vga

constexpr QRgb kClear = 0x00000000;

QImage blank(int size = 32) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(kClear);
    return img;
}

void put(QImage& img, int x, int y, QRgb c) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) img.setPixel(x, y, c);
}

// Stamps a character map: '#' gets `ink`, 'o' gets `paper`, '.' stays as it is.
void stamp(QImage& img, int x0, int y0, std::initializer_list<const char*> rows, QRgb ink, QRgb paper = kClear) {
    int y = y0;
    for (const char* row : rows) {
        for (int x = 0; row[x]; ++x) {
            if (row[x] == '#')
                put(img, x0 + x, y, ink);
            else if (row[x] == 'o')
                put(img, x0 + x, y, paper);
        }
        ++y;
    }
}

// A bold question mark, 14 x 19 pixels.
// clang-format off
const std::initializer_list<const char *> kQuestionMark = {
    "....######....",
    "..##########..",
    ".####....####.",
    "####......####",
    "####......####",
    "..........####",
    ".........####.",
    "........####..",
    ".......####...",
    "......####....",
    ".....####.....",
    ".....####.....",
    ".....####.....",
    "..............",
    "..............",
    ".....####.....",
    ".....####.....",
    ".....####.....",
    "..............",
};
// clang-format on

// A raised tile filling the 32 x 32 image: 2 px light edges top-left, a grey then a black edge
// bottom-right, the corners split on the diagonal.
QImage raisedTile(QRgb face) {
    QImage img = blank();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            QRgb c = face;
            const bool light = x <= 1 || y <= 1;
            const bool dark = x >= 30 || y >= 30;
            if (light && dark)
                c = (x + y < 31) ? vga::white : (x == 31 || y == 31 ? vga::black : vga::grey);
            else if (light)
                c = vga::white;
            else if (dark)
                c = (x == 31 || y == 31) ? vga::black : vga::grey;
            img.setPixel(x, y, c);
        }
    return img;
}

QImage questionTile(QRgb mark, QRgb shadow) {
    QImage img = raisedTile(vga::silver);
    stamp(img, 10, 7, kQuestionMark, shadow);  // shadow one pixel down-right
    stamp(img, 9, 6, kQuestionMark, mark);
    return img;
}

// A playing card from (x0, y0) to (x1, y1) inclusive: black outline with cut corners, filled by
// `fill(x, y)` inside.
template <typename F>
void card(QImage& img, int x0, int y0, int x1, int y1, F fill) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const bool edgeX = x == x0 || x == x1;
            const bool edgeY = y == y0 || y == y1;
            if (edgeX && edgeY) continue;  // rounded corner
            if (edgeX || edgeY)
                put(img, x, y, vga::black);
            else
                put(img, x, y, fill(x, y));
        }
    // soften the corners from inside
    put(img, x0 + 1, y0 + 1, vga::black);
    put(img, x1 - 1, y0 + 1, vga::black);
    put(img, x0 + 1, y1 - 1, vga::black);
    put(img, x1 - 1, y1 - 1, vga::black);
}

bool insideStar(double px, double py, double cx, double cy, double outerR, double innerR) {
    // point in polygon (even-odd) for a 5-pointed star pointing up
    double xs[10], ys[10];
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? innerR : outerR;
        const double a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        xs[i] = cx + r * std::cos(a);
        ys[i] = cy + r * std::sin(a);
    }
    bool in = false;
    for (int i = 0, j = 9; i < 10; j = i++) {
        if ((ys[i] > py) != (ys[j] > py) && px < (xs[j] - xs[i]) * (py - ys[i]) / (ys[j] - ys[i]) + xs[i]) in = !in;
    }
    return in;
}

}  // namespace

QImage windowIcon() { return questionTile(vga::blue, vga::navy); }

QImage defaultCover() { return questionTile(vga::black, vga::grey); }

QImage pointingHand() {
    QImage img = blank();
    // '#' outline, 'o' white fill. The index finger's tip is the top row; its middle pixel,
    // (7, 1), is the hot spot.
    // clang-format off
    stamp(img, 0, 0,
          {
              "................................",
              ".....#####......................",
              "....#ooooo#.....................",
              "....#ooooo#.....................",
              "....#ooooo#.....................",
              "....#ooooo#.....................",
              "....#ooooo#.....................",
              "....#ooooo#.....................",
              "....#ooooo#####.................",
              "....#ooooo#oooo#####............",
              "....#ooooo#oooo#oooo#####.......",
              "....#ooooo#oooo#oooo#oooo#......",
              ".###oooooo#oooo#oooo#oooo#......",
              "#ooo#ooooooooooooooooooooo#.....",
              "#oooo#oooooooooooooooooooo#.....",
              "#ooooo#ooooooooooooooooooo#.....",
              ".#ooooo#oooooooooooooooooo#.....",
              ".#oooooooooooooooooooooooo#.....",
              "..#ooooooooooooooooooooooo#.....",
              "...#oooooooooooooooooooooo#.....",
              "....#oooooooooooooooooooo#......",
              ".....#ooooooooooooooooooo#......",
              "......#ooooooooooooooooo#.......",
              "......#ooooooooooooooooo#.......",
              ".......#ooooooooooooooo#........",
              ".......#################........",
              ".......#ooooooooooooooo#........",
              ".......#ooooooooooooooo#........",
              ".......#################........",
              "................................",
              "................................",
              "................................",
          },
          vga::black, vga::white);
    // clang-format on
    return img;
}

QImage logoLeft() {
    QImage img = blank();
    // The back card: a blue card back with a white inner frame.
    card(img, 1, 1, 19, 25, [](int x, int y) {
        if (x == 2 || y == 2 || x == 18 || y == 24) return vga::white;
        return ((x / 2 + y / 2) % 2) ? vga::blue : vga::navy;
    });
    // The front card: white, a red question mark.
    card(img, 11, 6, 30, 30, [](int, int) { return vga::white; });
    stamp(img, 15, 10, kQuestionMark, vga::maroon);
    stamp(img, 14, 9, kQuestionMark, vga::red);
    return img;
}

QImage logoRight() {
    QImage img = blank();
    card(img, 4, 0, 27, 31, [](int x, int y) {
        // a small red cross as the corner pip, top left and bottom right
        for (auto [px, py] : {std::pair{7, 3}, {24, 28}})
            if ((x == px && std::abs(y - py) <= 1) || (y == py && std::abs(x - px) <= 1)) return vga::red;
        return vga::white;
    });
    const double cx = 15.5, cy = 16.5, outerR = 10.5, innerR = 4.4;
    QImage mask = blank();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (insideStar(x + 0.5, y + 0.5, cx, cy, outerR, innerR)) mask.setPixel(x, y, vga::yellow);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (qAlpha(mask.pixel(x, y))) {
                // shade the lower right half of the star
                const bool shade = (x - cx) + (y - cy) * 0.6 > 3.0 &&
                                   !insideStar(x + 0.5, y + 0.5, cx, cy, outerR * 0.72, innerR * 0.72);
                put(img, x, y, shade ? vga::olive : vga::yellow);
                continue;
            }
            bool touches = false;
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                if (x + dx >= 0 && x + dx < 32 && y + dy >= 0 && y + dy < 32 && qAlpha(mask.pixel(x + dx, y + dy)))
                    touches = true;
            if (touches) put(img, x, y, vga::black);
        }
    return img;
}

// The 16 px application icon, set by hand: a smooth question mark is a blur at this size.
QImage appIcon16() {
    QImage img = blank(16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            QRgb c = vga::silver;
            if (x == 15 || y == 15)
                c = vga::black;
            else if ((x == 0 || y == 0) && x + y < 15)
                c = vga::white;
            else if (x == 14 || y == 14)
                c = (x == 0 || y == 0) ? vga::white : vga::grey;
            img.setPixel(x, y, c);
        }
    // clang-format off
    const std::initializer_list<const char *> mark = {
        ".#####.",
        "##...##",
        "##...##",
        ".....##",
        "....##.",
        "...##..",
        "...##..",
        ".......",
        "...##..",
        "...##..",
    };
    // clang-format on
    stamp(img, 5, 3, mark, vga::navy);
    stamp(img, 4, 2, mark, vga::blue);
    return img;
}

QImage appIcon(const Fonts& fonts, int size) {
    if (size == 16) return appIcon16();
    const QPainterPath mark = textPath(fonts.sansBold, QStringLiteral("?"));
    const QRectF mb = mark.boundingRect();

    return supersample(size, size >= 128 ? 4 : 8, [&](QPainter& p) {
        const double s = size;
        const double bevel = std::max(1.0, std::round(s / 16.0));
        const double rim = std::max(1.0, std::round(s / 64.0));
        p.setPen(Qt::NoPen);
        // dark rim, then the shadow (bottom-right) and light (top-left) bevels, then the face
        p.fillRect(QRectF(0, 0, s, s), QColor(0x20, 0x20, 0x20));
        const QRectF in1(0, 0, s - rim, s - rim);
        p.fillRect(in1, QColor(0x80, 0x80, 0x80));
        const QPointF light[6] = {in1.topLeft(),
                                  in1.topRight(),
                                  QPointF(in1.right() - bevel, in1.top() + bevel),
                                  QPointF(in1.left() + bevel, in1.top() + bevel),
                                  QPointF(in1.left() + bevel, in1.bottom() - bevel),
                                  in1.bottomLeft()};
        p.setBrush(QColor(0xff, 0xff, 0xff));
        p.drawPolygon(light, 6);
        const QRectF face = in1.adjusted(bevel, bevel, -bevel, -bevel);
        QLinearGradient g(face.topLeft(), face.bottomRight());
        g.setColorAt(0.0, QColor(0xd6, 0xd6, 0xd6));
        g.setColorAt(1.0, QColor(0xb4, 0xb4, 0xb4));
        p.fillRect(face, g);

        const double scale = face.height() * 0.74 / mb.height();
        QTransform t;
        t.translate(face.center().x(), face.center().y());
        t.scale(scale, scale);
        t.translate(-mb.center().x(), -mb.center().y());
        const QPainterPath placed = t.map(mark);
        const double drop = std::max(1.0, std::round(s / 40.0));
        p.fillPath(placed.translated(drop, drop), QColor(0x00, 0x00, 0x60));
        QLinearGradient blue(0, face.top(), 0, face.bottom());
        blue.setColorAt(0.0, QColor(0x3a, 0x5b, 0xff));
        blue.setColorAt(1.0, QColor(0x00, 0x10, 0xc8));
        p.fillPath(placed, blue);
    });
}

}  // namespace quorvia::icongen
