#include "Raster.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvia::icongen {

namespace {

struct Tap {
    int index;
    double weight;
};

// For each of `dstCount` output cells covering [srcStart, srcStart + srcLength), the source
// pixels it overlaps and by how much (weights of one cell sum to 1).
std::vector<std::vector<Tap>> areaTaps(int srcStart, int srcLength, int dstCount) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(dstCount));
    const double step = double(srcLength) / double(dstCount);
    for (int d = 0; d < dstCount; ++d) {
        const double lo = srcStart + d * step;
        const double hi = srcStart + (d + 1) * step;
        for (int s = int(std::floor(lo)); s < int(std::ceil(hi)); ++s) {
            const double overlap = std::min(hi, double(s + 1)) - std::max(lo, double(s));
            if (overlap > 1e-12) taps[size_t(d)].push_back({s, overlap / step});
        }
    }
    return taps;
}

}  // namespace

QImage resample(const QImage& src, const QRect& srcRect, const QSize& dstSize, const QRect& dstRect) {
    const QImage pm = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(dstSize, QImage::Format_ARGB32);
    out.fill(0);
    if (srcRect.isEmpty() || dstRect.isEmpty()) return out;

    const auto xTaps = areaTaps(srcRect.x(), srcRect.width(), dstRect.width());
    const auto yTaps = areaTaps(srcRect.y(), srcRect.height(), dstRect.height());

    for (int dy = 0; dy < dstRect.height(); ++dy) {
        const int oy = dstRect.y() + dy;
        if (oy < 0 || oy >= dstSize.height()) continue;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(oy));
        for (int dx = 0; dx < dstRect.width(); ++dx) {
            const int ox = dstRect.x() + dx;
            if (ox < 0 || ox >= dstSize.width()) continue;
            double acc[4] = {0, 0, 0, 0};
            for (const Tap& ty : yTaps[size_t(dy)]) {
                if (ty.index < 0 || ty.index >= pm.height()) continue;
                const auto* srcLine = reinterpret_cast<const QRgb*>(pm.constScanLine(ty.index));
                for (const Tap& tx : xTaps[size_t(dx)]) {
                    if (tx.index < 0 || tx.index >= pm.width()) continue;
                    const QRgb p = srcLine[tx.index];
                    const double w = tx.weight * ty.weight;
                    acc[0] += w * qAlpha(p);
                    acc[1] += w * qRed(p);
                    acc[2] += w * qGreen(p);
                    acc[3] += w * qBlue(p);
                }
            }
            const int a = std::clamp(int(std::lround(acc[0])), 0, 255);
            if (a == 0) {
                line[ox] = 0;
                continue;
            }
            auto unpremultiply = [&](double c) { return std::clamp(int(std::lround(c * 255.0 / acc[0])), 0, 255); };
            line[ox] = qRgba(unpremultiply(acc[1]), unpremultiply(acc[2]), unpremultiply(acc[3]), a);
        }
    }
    return out;
}

QRect alphaBounds(const QImage& image, int threshold) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int left = argb.width(), right = -1, top = argb.height(), bottom = -1;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) > threshold) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage fitSquare(const QImage& image, int size, int margin) {
    const QRect bounds = alphaBounds(image);
    const int box = size - 2 * margin;
    if (bounds.isEmpty() || box <= 0) {
        QImage empty(size, size, QImage::Format_ARGB32);
        empty.fill(0);
        return empty;
    }
    const double scale = double(box) / double(std::max(bounds.width(), bounds.height()));
    const int w = std::clamp(int(std::lround(bounds.width() * scale)), 1, box);
    const int h = std::clamp(int(std::lround(bounds.height() * scale)), 1, box);
    // Integer placement keeps edges crisp; an odd leftover pixel goes to the right / bottom.
    const QRect target((size - w) / 2, (size - h) / 2, w, h);
    return resample(image, bounds, QSize(size, size), target);
}

QImage supersample(int size, int factor, const std::function<void(QPainter&)>& draw) {
    QImage big(size * factor, size * factor, QImage::Format_ARGB32_Premultiplied);
    big.fill(0);
    {
        QPainter painter(&big);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.scale(factor, factor);
        draw(painter);
    }
    return resample(big, big.rect(), QSize(size, size), QRect(0, 0, size, size));
}

}  // namespace quorvia::icongen
