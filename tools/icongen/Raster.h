// Raster helpers for the icon generator: exact, machine-independent area resampling and
// supersampled drawing. All results are QImage::Format_ARGB32 (straight alpha).
//
// Promise: the same input pixels give the same output pixels on any machine (plain double
// arithmetic, no SIMD paths of QImage::scaled). Edge: pixels outside the source image count as
// transparent, and a fully transparent result pixel is always 0x00000000 (its colour is lost).
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <functional>

class QPainter;

namespace quorvia::icongen {

// Area-averaging resample: the part `srcRect` of `src` is fitted exactly onto `dstRect`
// (integer pixels) of a transparent image of `dstSize`. Averaging is done on premultiplied
// colours in double precision, so the result depends on nothing but the input pixels.
QImage resample(const QImage& src, const QRect& srcRect, const QSize& dstSize, const QRect& dstRect);

// The bounding rectangle of pixels with alpha > `threshold` (null rect if none).
QRect alphaBounds(const QImage& image, int threshold = 0);

// Fits the visible part of `image` (alpha bounding box), keeping its aspect ratio, centred
// in a transparent `size` x `size` square with `margin` pixels free on every side.
QImage fitSquare(const QImage& image, int size, int margin);

// Draws with antialiasing at `factor` times `size` and area-averages down to size x size.
// The painter passed to `draw` is already scaled so that one unit is one output pixel.
QImage supersample(int size, int factor, const std::function<void(QPainter&)>& draw);

}  // namespace quorvia::icongen
