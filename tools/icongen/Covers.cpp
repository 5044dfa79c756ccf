#include "Artwork.h"
#include "Raster.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvia::icongen {

namespace {

using Pattern = std::function<void(QPainter& p, const QRectF& r, int size)>;

constexpr double kPi = std::numbers::pi;

// Motifs per row: few on the smallest size so they stay readable.
int cells(int size) { return size <= 16 ? 2 : size <= 32 ? 3 : 4; }

// A card back: a rounded tile with a plain frame of `border` and the pattern inside.
QImage cardBack(int size, const QColor& border, const Pattern& pattern) {
    return supersample(size, 8, [&](QPainter& p) {
        const double s = size;
        const double radius = s * 0.12;
        const QRectF outer(0, 0, s, s);
        QPainterPath outerPath;
        outerPath.addRoundedRect(outer, radius, radius);
        p.fillPath(outerPath, border);

        const double b = std::max(1.0, std::round(s / 16.0));
        const QRectF inner = outer.adjusted(b, b, -b, -b);
        QPainterPath innerPath;
        const double innerRadius = std::max(0.0, radius - b);
        innerPath.addRoundedRect(inner, innerRadius, innerRadius);
        p.save();
        p.setClipPath(innerPath);
        pattern(p, inner, size);
        p.restore();

        if (size >= 32) {
            p.setPen(QPen(border.darker(160), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
        }
    });
}

// ---- motif shapes (centred on c, about w wide) ----

QPainterPath heartPath(QPointF c, double w) {
    const double h = w * 0.9;
    QPainterPath path;
    const double top = c.y() - h * 0.5;
    path.moveTo(c.x(), c.y() + h * 0.5);
    path.cubicTo(c.x() - w * 0.2, c.y() + h * 0.25, c.x() - w * 0.5, c.y() + h * 0.05, c.x() - w * 0.5, top + h * 0.3);
    path.cubicTo(c.x() - w * 0.5, top + h * 0.05, c.x() - w * 0.28, top - h * 0.02, c.x() - w * 0.22, top);
    path.cubicTo(c.x() - w * 0.08, top, c.x(), top + h * 0.12, c.x(), top + h * 0.22);
    path.cubicTo(c.x(), top + h * 0.12, c.x() + w * 0.08, top, c.x() + w * 0.22, top);
    path.cubicTo(c.x() + w * 0.28, top - h * 0.02, c.x() + w * 0.5, top + h * 0.05, c.x() + w * 0.5, top + h * 0.3);
    path.cubicTo(c.x() + w * 0.5, c.y() + h * 0.05, c.x() + w * 0.2, c.y() + h * 0.25, c.x(), c.y() + h * 0.5);
    path.closeSubpath();
    return path;
}

QPainterPath stemPath(QPointF c, double w) {
    QPainterPath stem;
    const double y0 = c.y() + w * 0.1;
    const double y1 = c.y() + w * 0.5;
    stem.moveTo(c.x() - w * 0.06, y0);
    stem.quadTo(c.x() - w * 0.08, y1 - w * 0.08, c.x() - w * 0.25, y1);
    stem.lineTo(c.x() + w * 0.25, y1);
    stem.quadTo(c.x() + w * 0.08, y1 - w * 0.08, c.x() + w * 0.06, y0);
    stem.closeSubpath();
    return stem;
}

QPainterPath spadePath(QPointF c, double w) {
    // An upside-down heart with a flared stem.
    QTransform flip;
    flip.translate(c.x(), c.y() - w * 0.1);
    flip.scale(1, -1);
    flip.translate(-c.x(), -(c.y() - w * 0.1));
    QPainterPath body = flip.map(heartPath(QPointF(c.x(), c.y() - w * 0.1), w * 0.95));
    return body.united(stemPath(c, w));
}

QPainterPath clubPath(QPointF c, double w) {
    const double r = w * 0.22;
    QPainterPath path;
    path.addEllipse(QPointF(c.x(), c.y() - w * 0.24), r, r);
    path.addEllipse(QPointF(c.x() - w * 0.25, c.y() + w * 0.06), r, r);
    path.addEllipse(QPointF(c.x() + w * 0.25, c.y() + w * 0.06), r, r);
    path.addEllipse(QPointF(c.x(), c.y() - w * 0.02), r * 0.7, r * 0.7);
    path.setFillRule(Qt::WindingFill);
    return path.simplified().united(stemPath(c, w));
}

QPainterPath diamondPath(QPointF c, double w, double h) {
    QPainterPath path;
    path.moveTo(c.x(), c.y() - h / 2);
    path.lineTo(c.x() + w / 2, c.y());
    path.lineTo(c.x(), c.y() + h / 2);
    path.lineTo(c.x() - w / 2, c.y());
    path.closeSubpath();
    return path;
}

// A closed polygon of `corners` points around c, corner i at radius r(i) and at angle
// start + i * step.
template <typename Radius>
QPainterPath polygonPath(QPointF c, int corners, double start, double step, Radius r) {
    QPainterPath path;
    for (int i = 0; i < corners; ++i) {
        const double a = start + i * step;
        const QPointF pt(c.x() + r(i) * std::cos(a), c.y() + r(i) * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

QPainterPath starPath(QPointF c, double outerR, double innerR, int points = 5, double rotation = 0) {
    return polygonPath(c, points * 2, -kPi / 2 + rotation, kPi / points,
                       [&](int i) { return (i % 2 == 0) ? outerR : innerR; });
}

QPainterPath hexagonPath(QPointF c, double r) {
    return polygonPath(c, 6, kPi / 6, kPi / 3, [&](int) { return r; });
}

// Calls f(centre, cell) for a grid of n x n cells over r, every other row shifted half a cell
// when `offsetRows` (one extra motif per shifted row, the clip cuts it).
template <typename F>
void grid(const QRectF& r, int n, bool offsetRows, F f) {
    const double cw = r.width() / n;
    const double ch = r.height() / n;
    for (int j = 0; j < n; ++j) {
        const bool shifted = offsetRows && (j % 2 == 1);
        for (int i = shifted ? -1 : 0; i < n; ++i) {
            const double x = r.left() + (i + 0.5 + (shifted ? 0.5 : 0.0)) * cw;
            const double y = r.top() + (j + 0.5) * ch;
            f(QPointF(x, y), cw);
        }
    }
}

// A tiny deterministic random sequence (no dependence on the C library).
struct Lcg {
    quint32 state;
    double next() {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24);
    }
};

// ---- the shared covers ----

void blueDiamonds(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x1c, 0x45, 0x95));
    const int n = cells(size);
    grid(r, n, false, [&](QPointF c, double cw) {
        p.fillPath(diamondPath(c, cw * 0.92, cw * 0.92), QColor(0x3a, 0x6d, 0xcc));
        p.fillPath(diamondPath(c, cw * 0.4, cw * 0.4), QColor(0x9c, 0xc0, 0xf5));
    });
}

void redLattice(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xb3, 0x1b, 0x25));
    const int n = cells(size) + (size <= 16 ? 0 : 1);
    const double step = r.width() / n;
    p.setPen(QPen(QColor(0xf6, 0xc6, 0xc9), std::max(1.0, size / 24.0)));
    for (int k = -n; k <= 2 * n; ++k) {
        const double x = r.left() + k * step;
        p.drawLine(QPointF(x, r.top()), QPointF(x + r.height(), r.bottom()));
        p.drawLine(QPointF(x, r.top()), QPointF(x - r.height(), r.bottom()));
    }
    grid(r, n, false, [&](QPointF c, double cw) {
        p.fillPath(diamondPath(QPointF(c.x(), c.y() - cw * 0.5), cw * 0.3, cw * 0.3), QColor(0xff, 0xe0, 0x82));
    });
}

void candyStripes(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xfa, 0xfa, 0xfa));
    const double period = r.width() / (size <= 16 ? 2.5 : 4.0);
    p.setPen(QPen(QColor(0xd3, 0x2f, 0x2f), period / 2, Qt::SolidLine, Qt::FlatCap));
    for (double x = r.left() - r.height(); x < r.right() + period; x += period)
        p.drawLine(QPointF(x, r.bottom() + 1), QPointF(x + r.height() + 2, r.top() - 1));
}

void greenStripes(QPainter& p, const QRectF& r, int size) {
    const int bands = size <= 16 ? 4 : 8;
    const double w = r.width() / bands;
    for (int i = 0; i < bands; ++i)
        p.fillRect(QRectF(r.left() + i * w, r.top(), w, r.height()),
                   i % 2 ? QColor(0x2e, 0x7d, 0x32) : QColor(0x81, 0xc7, 0x84));
    if (size >= 32) {
        p.setPen(QPen(QColor(0xe8, 0xf5, 0xe9), 1.0));
        for (int i = 0; i < bands; i += 2)
            p.drawLine(QPointF(r.left() + (i + 0.5) * w, r.top()), QPointF(r.left() + (i + 0.5) * w, r.bottom()));
    }
}

void blueChecks(QPainter& p, const QRectF& r, int size) {
    const int n = size <= 16 ? 4 : 8;
    const double w = r.width() / n;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            p.fillRect(QRectF(r.left() + i * w, r.top() + j * w, w, w),
                       (i + j) % 2 ? QColor(0x0d, 0x47, 0xa1) : QColor(0x90, 0xca, 0xf9));
}

void harlequin(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x4a, 0x14, 0x8c));
    const int n = size <= 16 ? 2 : 3;
    const double w = r.width() / n;
    const double h = r.height() / n;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const QPointF c(r.left() + i * w, r.top() + j * h);
            p.fillPath(diamondPath(c, w, h), (i + j) % 2 ? QColor(0xff, 0xc1, 0x07) : QColor(0xe9, 0x1e, 0x63));
        }
}

void tartan(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xb0, 0x12, 0x1e));
    const int n = size <= 16 ? 2 : 3;
    const double period = r.width() / n;
    const QColor band(0x0b, 0x3d, 0x1f, 150);
    for (int i = 0; i < n; ++i) {
        const double o = r.left() + i * period + period * 0.3;
        p.fillRect(QRectF(o, r.top(), period * 0.4, r.height()), band);
        p.fillRect(QRectF(r.left(), r.top() + (o - r.left()), r.width(), period * 0.4), band);
    }
    if (size >= 32) {
        p.setPen(QPen(QColor(0xff, 0xd5, 0x4f), 1.0));
        for (int i = 0; i < n; ++i) {
            const double o = r.left() + i * period + period * 0.5;
            p.drawLine(QPointF(o, r.top()), QPointF(o, r.bottom()));
            p.drawLine(QPointF(r.left(), r.top() + (o - r.left())), QPointF(r.right(), r.top() + (o - r.left())));
        }
    }
}

void purpleGradient(QPainter& p, const QRectF& r, int) {
    QRadialGradient g(r.left() + r.width() * 0.3, r.top() + r.height() * 0.3, r.width() * 0.95);
    g.setColorAt(0.0, QColor(0xd1, 0x9a, 0xf0));
    g.setColorAt(0.45, QColor(0x8e, 0x44, 0xc4));
    g.setColorAt(1.0, QColor(0x2e, 0x0b, 0x52));
    p.fillRect(r, g);
}

void sunset(QPainter& p, const QRectF& r, int size) {
    QLinearGradient sky(0, r.top(), 0, r.bottom());
    sky.setColorAt(0.0, QColor(0x5b, 0x2a, 0x86));
    sky.setColorAt(0.45, QColor(0xf0, 0x5a, 0x5a));
    sky.setColorAt(0.62, QColor(0xff, 0xb3, 0x47));
    sky.setColorAt(0.63, QColor(0x1e, 0x3c, 0x72));
    sky.setColorAt(1.0, QColor(0x12, 0x25, 0x4a));
    p.fillRect(r, sky);
    const double horizon = r.top() + r.height() * 0.625;
    const QPointF sun(r.center().x(), horizon);
    p.save();
    p.setClipRect(QRectF(r.left(), r.top(), r.width(), horizon - r.top()), Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x82));
    p.drawEllipse(sun, r.width() * 0.24, r.width() * 0.24);
    p.restore();
    if (size >= 32) {
        p.setPen(QPen(QColor(0xff, 0xb3, 0x47, 200), 1.0));
        for (int i = 1; i <= 3; ++i) {
            const double y = horizon + i * r.height() * 0.09;
            const double half = r.width() * (0.22 - i * 0.05);
            p.drawLine(QPointF(sun.x() - half, y), QPointF(sun.x() + half, y));
        }
    }
}

void seaWaves(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x00, 0x6d, 0x7a));
    const int rows = size <= 16 ? 3 : 5;
    const double rowH = r.height() / rows;
    const double waveLen = r.width() / (size <= 16 ? 1.5 : 2.5);
    p.setPen(QPen(QColor(0xb2, 0xeb, 0xf2), std::max(1.0, size / 21.0), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int j = 0; j < rows; ++j) {
        QPainterPath wave;
        const double y = r.top() + (j + 0.5) * rowH;
        const double phase = (j % 2) * waveLen / 2;
        for (double x = r.left() - waveLen; x <= r.right() + waveLen; x += 0.25) {
            const QPointF pt(x, y + rowH * 0.28 * std::sin(2 * kPi * (x - r.left() + phase) / waveLen));
            if (x == r.left() - waveLen)
                wave.moveTo(pt);
            else
                wave.lineTo(pt);
        }
        p.drawPath(wave);
    }
}

void polkaDots(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x1a, 0x23, 0x7e));
    const int n = cells(size);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xff, 0xff));
    grid(r, n, true, [&](QPointF c, double cw) { p.drawEllipse(c, cw * 0.24, cw * 0.24); });
}

void hearts(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xff, 0xd6, 0xdc));
    grid(r, cells(size), true,
         [&](QPointF c, double cw) { p.fillPath(heartPath(c, cw * 0.7), QColor(0xd3, 0x14, 0x2a)); });
}

void spades(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xe6, 0xe6, 0xe6));
    grid(r, cells(size), true,
         [&](QPointF c, double cw) { p.fillPath(spadePath(c, cw * 0.72), QColor(0x14, 0x14, 0x14)); });
}

void clubs(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xd4, 0xef, 0xce));
    grid(r, cells(size), true,
         [&](QPointF c, double cw) { p.fillPath(clubPath(c, cw * 0.75), QColor(0x1b, 0x5e, 0x20)); });
}

void cardSuits(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xff, 0xf8, 0xe1));
    const int n = cells(size);
    const double cw = r.width() / n;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const QPointF c(r.left() + (i + 0.5) * cw, r.top() + (j + 0.5) * cw);
            const double w = cw * 0.66;
            switch ((i + 2 * j) % 4) {
                case 0:
                    p.fillPath(spadePath(c, w), QColor(0x21, 0x21, 0x21));
                    break;
                case 1:
                    p.fillPath(heartPath(c, w), QColor(0xd3, 0x14, 0x2a));
                    break;
                case 2:
                    p.fillPath(diamondPath(c, w * 0.75, w), QColor(0xd3, 0x14, 0x2a));
                    break;
                default:
                    p.fillPath(clubPath(c, w), QColor(0x21, 0x21, 0x21));
                    break;
            }
        }
}

void stars(QPainter& p, const QRectF& r, int size) {
    QLinearGradient night(0, r.top(), 0, r.bottom());
    night.setColorAt(0.0, QColor(0x0b, 0x16, 0x3f));
    night.setColorAt(1.0, QColor(0x1f, 0x3a, 0x8a));
    p.fillRect(r, night);
    const int n = cells(size);
    grid(r, n, true,
         [&](QPointF c, double cw) { p.fillPath(starPath(c, cw * 0.36, cw * 0.15), QColor(0xff, 0xd5, 0x4f)); });
}

void honeycomb(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x8d, 0x55, 0x00));
    const int n = size <= 16 ? 2 : 3;
    const double hexR = r.width() / n / std::sqrt(3.0);
    const double dx = hexR * std::sqrt(3.0);
    const double dy = hexR * 1.5;
    for (int j = -1; j * dy < r.height() + dy; ++j)
        for (int i = -1; i * dx < r.width() + dx; ++i) {
            const QPointF c(r.left() + i * dx + ((j % 2 + 2) % 2) * dx / 2, r.top() + j * dy + dy / 2);
            p.fillPath(hexagonPath(c, hexR * 0.86),
                       ((i + j) % 3 == 0) ? QColor(0xff, 0xe0, 0x82) : QColor(0xff, 0xb3, 0x00));
        }
}

void sunburst(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xff, 0x98, 0x00));
    const QPointF c = r.center();
    const int rays = size <= 16 ? 8 : 16;
    const double far = r.width();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    for (int i = 0; i < rays; i += 2) {
        const double a0 = 2 * kPi * i / rays;
        const double a1 = 2 * kPi * (i + 1) / rays;
        const QPointF pts[3] = {c, QPointF(c.x() + far * std::cos(a0), c.y() + far * std::sin(a0)),
                                QPointF(c.x() + far * std::cos(a1), c.y() + far * std::sin(a1))};
        p.drawPolygon(pts, 3);
    }
    p.setBrush(QColor(0xe6, 0x51, 0x00));
    p.drawEllipse(c, r.width() * 0.16, r.width() * 0.16);
}

void targetRings(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xfa, 0xfa, 0xfa));
    const QPointF c = r.center();
    const int rings = size <= 16 ? 3 : 5;
    const double step = r.width() * 0.72 / rings;
    p.setPen(Qt::NoPen);
    for (int i = rings; i >= 1; --i) {
        p.setBrush(i % 2 ? QColor(0xc6, 0x28, 0x28) : QColor(0xfa, 0xfa, 0xfa));
        p.drawEllipse(c, i * step, i * step);
    }
}

void zigzag(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x00, 0x89, 0x7b));
    const int rows = size <= 16 ? 3 : 5;
    const double rowH = r.height() / rows;
    const int teeth = size <= 16 ? 2 : 4;
    const double toothW = r.width() / teeth;
    p.setPen(QPen(QColor(0xff, 0x8a, 0x3d), rowH * 0.36, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    for (int j = 0; j < rows; ++j) {
        QPainterPath z;
        const double y = r.top() + (j + 0.5) * rowH;
        z.moveTo(r.left() - toothW, y + rowH * 0.22);
        for (int i = -1; i <= teeth; ++i) {
            z.lineTo(r.left() + (i + 0.5) * toothW, y - rowH * 0.22);
            z.lineTo(r.left() + (i + 1) * toothW, y + rowH * 0.22);
        }
        p.drawPath(z);
    }
}

void bricks(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0xe0, 0xd6, 0xc8));
    const int rows = size <= 16 ? 4 : 7;
    const double h = r.height() / rows;
    const double w = h * 2.0;
    const double mortar = std::max(0.75, size / 40.0);
    Lcg rng{7};
    for (int j = 0; j < rows; ++j) {
        const double shift = (j % 2) * w / 2;
        for (double x = r.left() - shift; x < r.right(); x += w) {
            const int tone = int(rng.next() * 3);
            const QColor brick = tone == 0   ? QColor(0xb2, 0x3a, 0x22)
                                 : tone == 1 ? QColor(0xa0, 0x32, 0x1c)
                                             : QColor(0xc2, 0x4b, 0x2c);
            p.fillRect(QRectF(x + mortar / 2, r.top() + j * h + mortar / 2, w - mortar, h - mortar), brick);
        }
    }
}

void rainbow(QPainter& p, const QRectF& r, int) {
    const QColor colours[] = {QColor(0xe5, 0x39, 0x35), QColor(0xfb, 0x8c, 0x00), QColor(0xfd, 0xd8, 0x35),
                              QColor(0x43, 0xa0, 0x47), QColor(0x1e, 0x88, 0xe5), QColor(0x8e, 0x24, 0xaa)};
    const double h = r.height() / 6;
    for (int i = 0; i < 6; ++i) p.fillRect(QRectF(r.left(), r.top() + i * h, r.width(), h + 0.01), colours[i]);
}

void flowers(QPainter& p, const QRectF& r, int size) {
    p.fillRect(r, QColor(0x55, 0x8b, 0x2f));
    p.setPen(Qt::NoPen);
    grid(r, cells(size), true, [&](QPointF c, double cw) {
        const double petal = cw * 0.15;
        p.setBrush(QColor(0xff, 0xff, 0xff));
        for (int k = 0; k < 5; ++k) {
            const double a = -kPi / 2 + k * 2 * kPi / 5;
            p.drawEllipse(QPointF(c.x() + petal * 1.15 * std::cos(a), c.y() + petal * 1.15 * std::sin(a)), petal,
                          petal);
        }
        p.setBrush(QColor(0xff, 0xc1, 0x07));
        p.drawEllipse(c, petal * 0.85, petal * 0.85);
    });
}

void mosaic(QPainter& p, const QRectF& r, int size) {
    const QColor tones[] = {QColor(0x00, 0x69, 0x5c), QColor(0x00, 0x96, 0x88), QColor(0x4d, 0xb6, 0xac),
                            QColor(0x26, 0x32, 0x38), QColor(0x80, 0xcb, 0xc4)};
    const int n = size <= 16 ? 3 : 5;
    const double w = r.width() / n;
    Lcg rng{2024};
    p.setPen(Qt::NoPen);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const QPointF a(r.left() + i * w, r.top() + j * w);
            const QPointF b(a.x() + w, a.y());
            const QPointF c(a.x() + w, a.y() + w);
            const QPointF d(a.x(), a.y() + w);
            const bool flip = rng.next() < 0.5;
            const QPointF t1[3] = {a, b, flip ? c : d};
            const QPointF t2[3] = {flip ? a : b, c, d};
            p.setBrush(tones[int(rng.next() * 5)]);
            p.drawPolygon(t1, 3);
            p.setBrush(tones[int(rng.next() * 5)]);
            p.drawPolygon(t2, 3);
        }
}

void clouds(QPainter& p, const QRectF& r, int size) {
    QLinearGradient sky(0, r.top(), 0, r.bottom());
    sky.setColorAt(0.0, QColor(0x29, 0x79, 0xff));
    sky.setColorAt(1.0, QColor(0x82, 0xb1, 0xff));
    p.fillRect(r, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    grid(r, size <= 16 ? 2 : 3, true, [&](QPointF c, double cw) {
        const double u = cw * 0.16;
        p.drawEllipse(QPointF(c.x() - u * 1.2, c.y() + u * 0.3), u * 1.0, u * 0.8);
        p.drawEllipse(QPointF(c.x(), c.y() - u * 0.2), u * 1.3, u * 1.2);
        p.drawEllipse(QPointF(c.x() + u * 1.3, c.y() + u * 0.35), u * 0.9, u * 0.75);
        p.drawRect(QRectF(c.x() - u * 1.2, c.y() + u * 0.2, u * 2.5, u * 0.9));
    });
}

}  // namespace

QList<Cover> sharedCovers() {
    auto make = [](const char* file, QColor border, const Pattern& pattern) {
        return Cover{QString::fromLatin1(file),
                     [border, pattern](int size) { return cardBack(size, border, pattern); }};
    };
    const QColor white(0xfa, 0xfa, 0xfa);
    const QColor ivory(0xff, 0xf3, 0xd6);
    const QColor navy(0x1a, 0x23, 0x7e);
    return {
        make("blue-diamonds.ico", white, blueDiamonds),
        make("red-lattice.ico", white, redLattice),
        make("candy-stripes.ico", QColor(0xd3, 0x2f, 0x2f), candyStripes),
        make("green-stripes.ico", white, greenStripes),
        make("blue-checks.ico", white, blueChecks),
        make("harlequin.ico", ivory, harlequin),
        make("tartan.ico", ivory, tartan),
        make("purple-gradient.ico", white, purpleGradient),
        make("sunset.ico", white, sunset),
        make("sea-waves.ico", white, seaWaves),
        make("polka-dots.ico", white, polkaDots),
        make("hearts.ico", QColor(0xd3, 0x14, 0x2a), hearts),
        make("spades.ico", QColor(0x21, 0x21, 0x21), spades),
        make("clubs.ico", QColor(0x1b, 0x5e, 0x20), clubs),
        make("card-suits.ico", QColor(0x42, 0x42, 0x42), cardSuits),
        make("stars.icn", ivory, stars),
        make("honeycomb.icn", QColor(0x5d, 0x37, 0x00), honeycomb),
        make("sunburst.icn", white, sunburst),
        make("target-rings.ico", navy, targetRings),
        make("zigzag.ico", white, zigzag),
        make("bricks.ico", QColor(0x5d, 0x40, 0x37), bricks),
        make("rainbow.ico", white, rainbow),
        make("flowers.ico", white, flowers),
        make("mosaic.ico", white, mosaic),
        make("clouds.ico", white, clouds),
    };
}

QImage quorviaCover(const Fonts& fonts, int size) {
    return cardBack(size, QColor(0xf5, 0xf7, 0xff), [&](QPainter& p, const QRectF& r, int s) {
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0.0, QColor(0x2f, 0x62, 0xd0));
        g.setColorAt(1.0, QColor(0x15, 0x2f, 0x86));
        p.fillRect(r, g);
        const QColor motif(0xff, 0xff, 0xff, 46);
        if (s <= 16) {
            grid(r, 2, false, [&](QPointF c, double cw) { p.fillPath(diamondPath(c, cw * 0.5, cw * 0.5), motif); });
            return;
        }
        // Faint question marks on a diamond lattice: "what is on the other side?"
        const QPainterPath q = textPath(fonts.sansBold, QStringLiteral("?"));
        const QRectF qb = q.boundingRect();
        const int n = 3;
        grid(r, n, true, [&](QPointF c, double cw) {
            const double scale = cw * 0.62 / qb.height();
            QTransform t;
            t.translate(c.x(), c.y());
            t.scale(scale, scale);
            t.translate(-qb.center().x(), -qb.center().y());
            p.fillPath(t.map(q), motif);
        });
        p.setPen(QPen(QColor(0xff, 0xff, 0xff, 70), std::max(1.0, s / 40.0)));
        p.setBrush(Qt::NoBrush);
        const double inset = r.width() * 0.06;
        p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), r.width() * 0.06, r.width() * 0.06);
    });
}

QImage zahlenCover(int size) {
    // Squared exercise-book paper with a red margin line.
    return cardBack(size, QColor(0x00, 0x60, 0x64), [](QPainter& p, const QRectF& r, int s) {
        p.fillRect(r, QColor(0xfd, 0xfa, 0xee));
        const int lines = s <= 16 ? 3 : 7;
        const double step = r.width() / (lines + 1);
        p.setPen(QPen(QColor(0x64, 0x9c, 0xd6), std::max(0.6, s / 64.0)));
        for (int i = 1; i <= lines; ++i) {
            p.drawLine(QPointF(r.left() + i * step, r.top()), QPointF(r.left() + i * step, r.bottom()));
            p.drawLine(QPointF(r.left(), r.top() + i * step), QPointF(r.right(), r.top() + i * step));
        }
        p.setPen(QPen(QColor(0xe5, 0x39, 0x35), std::max(1.0, s / 32.0)));
        const double margin = r.right() - step * 1.5;
        p.drawLine(QPointF(margin, r.top()), QPointF(margin, r.bottom()));
    });
}

}  // namespace quorvia::icongen
