#pragma once
// One picture file as a square card face, read safely whatever the file holds.
//
// Contract
// --------
// squareOf() opens regular files only (never a FIFO, a socket or a device, so it cannot block)
// and decodes JPEG, PNG, WebP, BMP, GIF, SVG (also gzip-compressed) and HEIF, recognised by
// their content, not their name; anything else is refused. Before a picture is decoded, what
// decoding it costs in memory is worked out from its header and taken from a budget shared by
// all workers; a picture that could never fit is refused as too large. That covers the
// decoder's own buffers where they are known to grow with the picture: a progressive JPEG keeps
// all its coefficients whatever size it is decoded at, and a compressed SVG is unpacked here,
// within a fixed limit, rather than by the renderer. An SVG that draws another file (an <image>
// not embedded in the SVG itself) is refused: a dropped picture must not show whatever else the
// player can read, and a file it names might block.
// - A picture is cropped to a square around its centre, or, with `fit`, letterboxed on
//   `letterbox`. EXIF orientation is applied (for HEIF, the container's). JPEG and SVG
//   pictures are decoded straight at (about) the size needed, HEIF from a thumbnail large
//   enough or tile by tile where it can be; other formats are decoded whole.

#include <QColor>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvia::themes {

// Bytes of decoded pictures in flight at once, over all workers.
class PixelBudget {
public:
    static constexpr qint64 kBytes = qint64(128) << 20;

    void acquire(qint64 bytes);
    void release(qint64 bytes);

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    qint64 free_ = kBytes;
};

// The picture as a `side` x `side` square, or a null image and the reason in *why.
QImage squareOf(const std::filesystem::path& path, int side, bool fit, const QColor& letterbox, PixelBudget& budget,
                QString* why);

// A picture stored in tiles, as cameras store large photos: `columns` x `rows` tiles of
// `tile` pixels, cut to `size` at the right and bottom, then brought upright by `steps` in
// their order. `decode` gives one tile as stored, or a null image when it cannot.
struct TiledPicture {
    enum class Step { TurnLeft, MirrorLeftRight, MirrorTopBottom };
    QSize size, tile;
    int columns = 0, rows = 0;
    std::vector<Step> steps;
    std::function<QImage(int column, int row)> decode;
};

// squareOf() for a tiled picture: only the tiles the face shows are decoded, one at a time,
// each at once shrunk by a whole factor that divides the tile sizes (so that the shrunk tiles
// meet without a seam). The picture is thus held at no more than twice the face's size where
// the tile sizes allow, not at its own. Nothing when even so it would not fit the budget.
std::optional<QImage> tiledSquareOf(const TiledPicture& picture, int side, bool fit, const QColor& letterbox,
                                    PixelBudget& budget, QString* why);

// When the picture was taken, "YYYY:MM:DD HH:MM:SS": from its EXIF data (JPEG, HEIF), else
// the file's last change; empty when the file cannot be opened. Texts of this form sort in
// time order.
QString dateTaken(const std::filesystem::path& path);

}  // namespace quorvia::themes
