// IcoWriter: a small multi-size Windows icon (.ico) writer with PNG-compressed entries.
//
// Contract
// --------
// encode(images) returns the bytes of one .ico file holding every image in `images`, in the
// order given, or an empty QByteArray (and a message in *error) when the input breaks a rule:
//   * 1 to 64 images, each at least 1 x 1 and at most 256 x 256 pixels;
//   * no two images of the same width x height.
// Layout written (all integers little-endian):
//   ICONDIR       6 bytes   reserved = 0, type = 1 (icon), count = number of images
//   ICONDIRENTRY 16 bytes   per image, in input order: width, height (a byte each, 256 is
//                           written as 0), colour count 0, reserved 0, planes 1, bit count 32,
//                           byte size of the image data, offset of the image data from the
//                           start of the file
//   image data              per image, in input order, back to back: a PNG file (8-bit RGBA,
//                           colour type 6, straight alpha, no text chunks; zlib level 9 for
//                           the smallest file, or a fast level where speed matters more)
// Pixels are kept exactly: each image is converted to 32-bit ARGB with straight alpha, so
// fully transparent pixels read back as 0x00000000 only if they were written that way.
// Output is deterministic: the same pixels give the same bytes (no timestamps, no metadata
// beyond a fixed 96 dpi pHYs chunk).
// Qt's own ico reader (QImageReader, format "ico") reads the result: imageCount() is the
// number of images and jumpToImage(i) selects entry i.
// writeFile() writes encode()'s bytes to `path` (replacing it) and returns false with a
// message in *error on any failure, leaving no partial file behind.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace quorvia::themes {

class IcoWriter {
public:
    static constexpr int kMaxImages = 64;
    static constexpr int kMaxSide = 256;

    // Smallest: zlib level 9, for icons made once and shipped. Fast: level 3, for icons made
    // while a player waits (about a fifth of the time, a few per cent larger).
    enum class Compression { Smallest, Fast };

    static QByteArray encode(const QList<QImage>& images, QString* error = nullptr,
                             Compression compression = Compression::Smallest);
    static bool writeFile(const QString& path, const QList<QImage>& images, QString* error = nullptr,
                          Compression compression = Compression::Smallest);

    // One image as the PNG bytes an entry holds (exposed for the generator's plain PNG output).
    static QByteArray encodePng(const QImage& image, QString* error = nullptr,
                                Compression compression = Compression::Smallest);
};

}  // namespace quorvia::themes
