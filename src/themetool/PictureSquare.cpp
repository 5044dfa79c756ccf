#include "themetool/PictureSquare.h"

#include "themetool/PictureWalk.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <libheif/heif.h>
#if LIBHEIF_HAVE_VERSION(1, 19, 0)
#include <libheif/heif_properties.h>
#if __has_include(<libheif/heif_tiling.h>)  // its own header from 1.20 on
#include <libheif/heif_tiling.h>
#endif
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

namespace quorvia::themes {

namespace fs = std::filesystem;

void PixelBudget::acquire(qint64 bytes) {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return free_ >= bytes; });
    free_ -= bytes;
}

void PixelBudget::release(qint64 bytes) {
    {
        const std::lock_guard lock(mutex_);
        free_ += bytes;
    }
    freed_.notify_all();
}

namespace {

// Gives the bytes taken from the budget back at the end of a scope.
struct Release {
    PixelBudget& budget;
    qint64 cost;
    ~Release() { budget.release(cost); }
};

// A HEIF file is read whole; a phone's photo is a few MiB.
constexpr qint64 kHeifBytes = qint64(64) << 20;

// An SVG, packed or not, is read whole and parsed into a tree several times its size.
constexpr qint64 kSvgBytes = qint64(8) << 20;

QString tooLarge(QSize size) { return QStringLiteral("zu groß (%1 x %2 Pixel)").arg(size.width()).arg(size.height()); }

// The SVG's text: unpacked when it is gzip-compressed, refused (nothing) when either form
// is over kSvgBytes.
std::optional<QByteArray> svgText(QIODevice& file, QString* why) {
    if (file.size() > kSvgBytes) {
        *why = QStringLiteral("zu groß (SVG über %1 MiB)").arg(kSvgBytes >> 20);
        return std::nullopt;
    }
    QByteArray raw = file.readAll();  // handed back as it is (moved) when not packed
    if (!raw.startsWith("\x1f\x8b")) return raw;
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) {
        *why = QStringLiteral("kein lesbares Bild (kein Speicher zum Entpacken)");
        return std::nullopt;
    }
    QByteArray text(kSvgBytes + 1, Qt::Uninitialized);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
    zs.avail_in = uInt(raw.size());
    zs.next_out = reinterpret_cast<Bytef*>(text.data());
    zs.avail_out = uInt(text.size());
    const int result = inflate(&zs, Z_FINISH);
    const qint64 unpacked = qint64(zs.total_out);
    inflateEnd(&zs);
    if (unpacked > kSvgBytes) {
        *why = QStringLiteral("zu groß (SVG entpackt über %1 MiB)").arg(kSvgBytes >> 20);
        return std::nullopt;
    }
    if (result != Z_STREAM_END) {
        *why = QStringLiteral("kein lesbares Bild (beschädigte Kompression)");
        return std::nullopt;
    }
    text.truncate(unpacked);
    return text;
}

// True when the SVG may draw something from somewhere else than its own text: a link that is
// neither to a part of the SVG itself ("#name") nor embedded data ("data:").
bool drawsOtherFiles(const QByteArray& svg) {
    static const QRegularExpression link(QStringLiteral(R"(\bhref\s*=\s*["']\s*([^"']*))"));
    const QString text = QString::fromUtf8(svg);
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QString target = it.next().captured(1);
        if (!target.startsWith(u'#') && !target.startsWith(QStringLiteral("data:"))) return true;
    }
    return false;
}

// What libjpeg keeps beside the output for a JPEG it cannot decode scan by scan: all
// coefficients of the picture (2 bytes each, 64 per block), whatever the output size. That
// is the case for progressive pictures and for sequential ones whose first scan does not
// hold every component. 0 for an ordinary sequential picture or a header it cannot read.
qint64 jpegCoefficientBytes(QIODevice& file) {
    // Segment by segment from the start (the headers before the first scan), reading only
    // their lengths and the frame header; the reader starts again at the beginning.
    struct Rewind {
        QIODevice& file;
        ~Rewind() { file.seek(0); }
    } rewind{file};
    auto read = [&](qint64 at, qint64 size) { return file.seek(at) ? file.read(size) : QByteArray(); };
    auto word = [](const QByteArray& bytes, qsizetype at) {
        return at + 1 < bytes.size() ? uchar(bytes[at]) << 8 | uchar(bytes[at + 1]) : 0;
    };
    qint64 coefficients = 0;
    int components = 0;
    bool whole = false;
    for (qint64 at = 2; at < (qint64(1) << 24);) {
        const QByteArray head = read(at, 4);
        if (head.size() < 4 || uchar(head[0]) != 0xFF) return 0;
        const int marker = uchar(head[1]);
        const int length = word(head, 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            const QByteArray f = read(at + 4, length - 2);
            const qint64 height = word(f, 1), width = word(f, 3);
            components = f.size() > 5 ? uchar(f[5]) : 0;
            auto sampling = [&](int c, int shift) {
                return 6 + 3 * c + 1 < f.size() ? std::max(1, (uchar(f[6 + 3 * c + 1]) >> shift) & 15) : 1;
            };
            qint64 maxH = 1, maxV = 1;
            for (int c = 0; c < components; ++c) {
                maxH = std::max<qint64>(maxH, sampling(c, 4));
                maxV = std::max<qint64>(maxV, sampling(c, 0));
            }
            for (int c = 0; c < components; ++c) {
                const qint64 columns = (width * sampling(c, 4) + 8 * maxH - 1) / (8 * maxH);
                const qint64 rows = (height * sampling(c, 0) + 8 * maxV - 1) / (8 * maxV);
                coefficients += columns * rows * 64 * 2;
            }
            // Progressive (and hierarchical) frames.
            whole = (marker & 3) == 2 || (marker >= 0xC5 && marker <= 0xC7) || marker >= 0xCD;
        } else if (marker == 0xDA) {  // the first scan
            const QByteArray scan = read(at + 4, 1);
            return whole || (!scan.isEmpty() && uchar(scan[0]) < components) ? coefficients : 0;
        }
        at += 2 + length;
    }
    return 0;
}

// The decoded picture cropped to its centred square, or letterboxed, at `side` pixels.
QImage toSquare(QImage image, int side, bool fit, const QColor& letterbox) {
    // Scaling works on premultiplied pixels; 32- and 64-bit pictures are converted in place.
    // 24-bit ones are cropped first when they can be, so only the square is converted.
    if (image.depth() == 64) {
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBX64);
    } else if (fit || image.format() != QImage::Format_RGB888) {
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }
    const int w = image.width();
    const int h = image.height();
    if (!fit) {
        // The centred square, seen in place (no copy of a large picture), then scaled.
        const int s = std::min(w, h);
        const QImage view(image.constScanLine((h - s) / 2) + qsizetype((w - s) / 2) * (image.depth() / 8), s, s,
                          image.bytesPerLine(), image.format());
        // A view of the right size already must still be copied: `image` goes at the return.
        return s == side ? view.copy() : view.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QSize fitted = image.size().scaled(side, side, Qt::KeepAspectRatio);
    fitted = fitted.expandedTo(QSize(1, 1));
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(letterbox);
    QPainter painter(&square);
    painter.drawImage(QPoint((side - fitted.width()) / 2, (side - fitted.height()) / 2),
                      image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return square;
}

// The file open for reading when it is a regular file; never opens anything else.
std::unique_ptr<QFile> openPicture(const fs::path& path, QString* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st = {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("keine Bilddatei");
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return file;
}

// "YYYY:MM:DD HH:MM:SS" when the picture was taken, from the EXIF data of a TIFF header and
// what follows it (DateTimeOriginal, else DateTime); empty when there is none.
QString exifDate(const QByteArray& tiff) {
    const bool little = tiff.startsWith("II");
    auto number = [&](qint64 at, int bytes) -> qint64 {
        if (at < 0 || at + bytes > tiff.size()) return -1;
        qint64 value = 0;
        for (int i = 0; i < bytes; ++i) value |= qint64(uchar(tiff[at + (little ? i : bytes - 1 - i)])) << (8 * i);
        return value;
    };
    // The value (or its offset) of `tag` in the folder of entries at `folder`, or -1.
    auto entry = [&](qint64 folder, int tag) -> qint64 {
        for (qint64 i = 0, n = number(folder, 2); i < n && i < 1000; ++i) {
            if (number(folder + 2 + 12 * i, 2) == tag) return number(folder + 2 + 12 * i + 8, 4);
        }
        return -1;
    };
    const qint64 first = number(4, 4);
    const qint64 exif = entry(first, 0x8769);
    for (qint64 at : {exif >= 0 ? entry(exif, 0x9003) : -1, entry(first, 0x0132)}) {
        if (at >= 0 && at + 19 <= tiff.size()) return QString::fromLatin1(tiff.mid(at, 19));
    }
    return {};
}

// The pixels libheif decoded (interleaved RGB, or RGBA with `alpha`), seen in place: valid
// while `decoded` lives.
QImage viewOf(const heif_image* decoded, bool alpha) {
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    return QImage(pixels, heif_image_get_width(decoded, heif_channel_interleaved),
                  heif_image_get_height(decoded, heif_channel_interleaved), stride,
                  alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
}

#if LIBHEIF_HAVE_VERSION(1, 19, 0)
// A HEIF picture stored in tiles, its tiles decoded as stored, turned and mirrored here as the
// container says (libheif 1.23 places a turned grid's cut edge wrongly when it turns the
// tiles itself). Nothing, for the picture to be decoded whole, when it is one piece, holds
// alpha (in tiles of its own), or is cropped by its container, which phones do not do.
std::optional<QImage> heifTiledSquare(const heif_context* context, const heif_image_handle* handle, int side, bool fit,
                                      const QColor& letterbox, PixelBudget& budget, QString* why) {
    heif_image_tiling tiling = {};
    if (heif_image_handle_get_image_tiling(handle, 0, &tiling).code != heif_error_Ok ||
        qint64(tiling.num_columns) * tiling.num_rows <= 1 || heif_image_handle_has_alpha_channel(handle) != 0) {
        return std::nullopt;
    }
    TiledPicture picture{QSize(int(tiling.image_width), int(tiling.image_height)),
                         QSize(int(tiling.tile_width), int(tiling.tile_height)),
                         int(tiling.num_columns),
                         int(tiling.num_rows),
                         {},
                         {}};
    const heif_item_id item = heif_image_handle_get_item_id(handle);
    std::vector<heif_property_id> steps(
        size_t(std::max(0, heif_item_get_transformation_properties(context, item, nullptr, 0))));
    steps.resize(
        size_t(std::max(0, heif_item_get_transformation_properties(context, item, steps.data(), int(steps.size())))));
    for (const heif_property_id step : steps) {
        switch (heif_item_get_property_type(context, item, step)) {
            case heif_item_property_type_transform_rotation:
                for (int turn = heif_item_get_property_transform_rotation_ccw(context, item, step); turn > 0;
                     turn -= 90)
                    picture.steps.push_back(TiledPicture::Step::TurnLeft);
                break;
            case heif_item_property_type_transform_mirror:
                picture.steps.push_back(heif_item_get_property_transform_mirror(context, item, step) ==
                                                heif_transform_mirror_direction_horizontal
                                            ? TiledPicture::Step::MirrorLeftRight
                                            : TiledPicture::Step::MirrorTopBottom);
                break;
            default:
                return std::nullopt;
        }
    }
    const std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> asStored(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    asStored->ignore_transformations = 1;
    picture.decode = [&](int column, int row) {
        heif_image* decoded = nullptr;
        const heif_error error = heif_image_handle_decode_image_tile(
            handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, asStored.get(), column, row);
        const std::unique_ptr<heif_image, decltype(&heif_image_release)> tile(decoded, heif_image_release);
        if (error.code != heif_error_Ok) {
            *why = QStringLiteral("kein lesbares Bild (%1)").arg(QString::fromUtf8(error.message));
            return QImage();
        }
        return viewOf(decoded, false).copy();
    };
    return tiledSquareOf(picture, side, fit, letterbox, budget, why);
}
#endif

// HEIF pictures (HEIC as phones save them, AVIF) through libheif, which turns and mirrors
// them as their container says. A thumbnail stored with the picture is decoded instead when
// it is large enough for the face; else a picture in tiles is put together from them where
// libheif decodes tiles one by one.
QImage heifSquare(QFile& file, int side, bool fit, const QColor& letterbox, PixelBudget& budget, QString* why) {
    static const bool ready = heif_init(nullptr).code == heif_error_Ok;  // once; its plug-ins stay to the end
    if (file.size() > kHeifBytes) {
        *why = QStringLiteral("zu groß (Datei über %1 MiB)").arg(kHeifBytes >> 20);
        return {};
    }
    const QByteArray data = file.readAll();
    using Context = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
    using Handle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;
    const Context context(heif_context_alloc(), heif_context_free);
    heif_image_handle* primary = nullptr;
    heif_error error = {ready ? heif_error_Ok : heif_error_Unsupported_feature, heif_suberror_Unspecified, "libheif"};
    if (error.code == heif_error_Ok) {
        error =
            heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr);
    }
    if (error.code == heif_error_Ok) error = heif_context_get_primary_image_handle(context.get(), &primary);
    const Handle picture(primary, heif_image_handle_release);
    if (error.code != heif_error_Ok) {
        *why = QStringLiteral("kein lesbares Bild (%1)").arg(QString::fromUtf8(error.message));
        return {};
    }
    auto reach = [fit](const heif_image_handle* handle) {
        const int w = heif_image_handle_get_width(handle), h = heif_image_handle_get_height(handle);
        return fit ? std::max(w, h) : std::min(w, h);
    };
    // What decoding costs: libheif's planes and the decoder's own (about 4.5 bytes a pixel in
    // all), the picture converted to 3 bytes (4 with alpha), and the part that is scaled
    // converted once more to 4.
    auto costOf = [fit](const heif_image_handle* handle) {
        const qint64 w = heif_image_handle_get_width(handle), h = heif_image_handle_get_height(handle);
        const qint64 bytes = heif_image_handle_has_alpha_channel(handle) ? 9 : 8;
        return w * h * bytes - w * h / 2 + (fit ? w * h : std::min(w, h) * std::min(w, h)) * 4;
    };
    // The thumbnails: the smallest that is large enough (a phone's 320 x 240 one is, at 15/16 of
    // the face), else the largest, for a picture too large to decode itself.
    Handle enough(nullptr, heif_image_handle_release), largest(nullptr, heif_image_handle_release);
    std::vector<heif_item_id> ids(size_t(std::max(0, heif_image_handle_get_number_of_thumbnails(primary))));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), int(ids.size()));
    for (const heif_item_id id : ids) {
        heif_image_handle* candidate = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &candidate).code != heif_error_Ok) continue;
        Handle held(candidate, heif_image_handle_release);
        if (reach(candidate) * 16 >= side * 15 && (!enough || reach(candidate) < reach(enough.get()))) {
            enough = std::move(held);
        } else if (!largest || reach(candidate) > reach(largest.get())) {
            largest = std::move(held);
        }
    }
#if LIBHEIF_HAVE_VERSION(1, 19, 0)
    if (!enough) {
        if (std::optional<QImage> tiled = heifTiledSquare(context.get(), primary, side, fit, letterbox, budget, why)) {
            return *tiled;
        }
    }
#endif
    const heif_image_handle* chosen = enough ? enough.get() : primary;
    if (costOf(chosen) > PixelBudget::kBytes && largest && costOf(largest.get()) <= PixelBudget::kBytes) {
        chosen = largest.get();
    }
    const bool alpha = heif_image_handle_has_alpha_channel(chosen) != 0;
    const qint64 cost = costOf(chosen);
    if (cost > PixelBudget::kBytes || reach(chosen) <= 0) {
        *why = tooLarge(QSize(heif_image_handle_get_width(chosen), heif_image_handle_get_height(chosen)));
        return {};
    }
    budget.acquire(cost);
    const Release release{budget, cost};
    heif_image* decoded = nullptr;
    error = heif_decode_image(chosen, &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    const std::unique_ptr<heif_image, decltype(&heif_image_release)> image(decoded, heif_image_release);
    if (error.code != heif_error_Ok) {
        *why = QStringLiteral("kein lesbares Bild (%1)").arg(QString::fromUtf8(error.message));
        return {};
    }
    return toSquare(viewOf(decoded, alpha), side, fit, letterbox);
}

}  // namespace

std::optional<QImage> tiledSquareOf(const TiledPicture& picture, int side, bool fit, const QColor& letterbox,
                                    PixelBudget& budget, QString* why) {
    const qint64 w = picture.size.width(), h = picture.size.height();
    const qint64 tw = picture.tile.width(), th = picture.tile.height();
    if (w <= 0 || h <= 0 || tw <= 0 || th <= 0 || side <= 0) return std::nullopt;
    // What the face shows, as stored: the whole, or the square in the middle, which turning and
    // mirroring keep in the middle.
    const qint64 s = std::min(w, h);
    const qint64 left = fit ? 0 : (w - s) / 2, top = fit ? 0 : (h - s) / 2;
    const qint64 width = fit ? w : s, height = fit ? h : s;
    qint64 k = 1;
    while (tw % (2 * k) == 0 && th % (2 * k) == 0 && (fit ? std::max(w, h) : s) / (2 * k) >= side) k *= 2;
    const qint64 c0 = left / tw, r0 = top / th;
    const qint64 c1 = std::min<qint64>((left + width - 1) / tw, picture.columns - 1);
    const qint64 r1 = std::min<qint64>((top + height - 1) / th, picture.rows - 1);
    if (c1 < c0 || r1 < r0) return std::nullopt;
    const QSize canvasSize(int((c1 - c0 + 1) * tw / k), int((r1 - r0 + 1) * th / k));
    // A tile decoded (counted as a whole picture is), the canvas, its part turned, the face.
    const qint64 cost =
        tw * th * 8 + qint64(canvasSize.width()) * canvasSize.height() * 4 * 3 + qint64(side) * side * 8;
    if (cost > PixelBudget::kBytes) return std::nullopt;
    budget.acquire(cost);
    const Release release{budget, cost};
    QImage canvas(canvasSize, QImage::Format_RGB32);
    QPainter painter(&canvas);
    for (qint64 r = r0; r <= r1; ++r) {
        for (qint64 c = c0; c <= c1; ++c) {
            const QImage tile = picture.decode(int(c), int(r));
            if (tile.isNull()) {
                if (why->isEmpty()) *why = QStringLiteral("kein lesbares Bild");
                return QImage();
            }
            const QPoint at(int((c - c0) * tw / k), int((r - r0) * th / k));
            painter.drawImage(at, k == 1 ? tile
                                         : tile.scaled((tile.size() / k).expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation));
        }
    }
    painter.end();
    QImage shown = canvas.copy(int((left - c0 * tw) / k), int((top - r0 * th) / k), std::max(1, int(width / k)),
                               std::max(1, int(height / k)));
    canvas = QImage();
    for (const TiledPicture::Step step : picture.steps) {
        if (step == TiledPicture::Step::TurnLeft) {
            shown = shown.transformed(QTransform().rotate(-90));
        } else {
            shown = shown.mirrored(step == TiledPicture::Step::MirrorLeftRight,
                                   step == TiledPicture::Step::MirrorTopBottom);
        }
    }
    return toSquare(shown, side, fit, letterbox);
}

QString dateTaken(const fs::path& path) {
    QString none;
    const std::unique_ptr<QFile> file = openPicture(path, &none);
    if (!file) return {};
    QString taken;
    const QByteArray head = file->peek(64);
    if (head.startsWith("\xFF\xD8")) {
        // The APP1 segments before the first scan; the one holding EXIF data starts so.
        for (qint64 at = 2; taken.isEmpty() && file->seek(at);) {
            const QByteArray segment = file->read(4);
            if (segment.size() < 4 || uchar(segment[0]) != 0xFF || uchar(segment[1]) == 0xDA) break;
            const int length = uchar(segment[2]) << 8 | uchar(segment[3]);
            if (uchar(segment[1]) == 0xE1) {
                const QByteArray body = file->read(length - 2);
                if (body.startsWith(QByteArray("Exif\0\0", 6))) taken = exifDate(body.mid(6));
            }
            at += 2 + length;
        }
    } else if (heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), int(head.size())) !=
               heif_filetype_no) {
        // Read from the file already open (and known to be a regular one), box by box: the
        // picture data itself is not read.
        const std::string open = "/proc/self/fd/" + std::to_string(file->handle());
        const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                                  heif_context_free);
        heif_image_handle* primary = nullptr;
        if (heif_context_read_from_file(context.get(), open.c_str(), nullptr).code == heif_error_Ok &&
            heif_context_get_primary_image_handle(context.get(), &primary).code == heif_error_Ok) {
            heif_item_id id = 0;
            if (heif_image_handle_get_list_of_metadata_block_IDs(primary, "Exif", &id, 1) == 1) {
                QByteArray block(qsizetype(heif_image_handle_get_metadata_size(primary, id)), Qt::Uninitialized);
                if (heif_image_handle_get_metadata(primary, id, block.data()).code == heif_error_Ok &&
                    block.size() > 4) {
                    // The block starts with the offset of the TIFF header behind these four bytes.
                    const qint64 skip =
                        qint64(uchar(block[0])) << 24 | uchar(block[1]) << 16 | uchar(block[2]) << 8 | uchar(block[3]);
                    taken = exifDate(block.mid(4 + skip));
                }
            }
            heif_image_handle_release(primary);
        }
    }
    if (!taken.isEmpty()) return taken;
    struct stat st = {};
    if (::fstat(file->handle(), &st) != 0) return {};
    char text[32];
    std::tm local{};
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", ::localtime_r(&st.st_mtime, &local));
    return QString::fromLatin1(text);
}

QImage squareOf(const fs::path& path, int side, bool fit, const QColor& letterbox, PixelBudget& budget, QString* why) {
    const std::unique_ptr<QFile> file = openPicture(path, why);
    if (!file) return {};
    // A download that never arrived, or broke off at once: no format holds a picture in
    // fewer than 12 bytes, and from 12 on every reader can tell its own files.
    if (file->size() < 12) {
        *why = file->size() == 0 ? QStringLiteral("kein lesbares Bild (leere Datei)")
                                 : QStringLiteral("kein lesbares Bild (nur %1 Bytes)").arg(file->size());
        return {};
    }
    const QByteArray head = file->peek(64);
    if (heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), int(head.size())) != heif_filetype_no) {
        return heifSquare(*file, side, fit, letterbox, budget, why);
    }
    QBuffer svg;
    QImageReader reader(file.get());
    const QByteArray format = reader.format();
    static const QByteArrayList known = {"jpeg", "png", "webp", "bmp", "gif", "svg", "svgz"};
    if (!known.contains(format)) {
        *why = format.isEmpty() ? QStringLiteral("kein lesbares Bild (%1)").arg(reader.errorString())
                                : QStringLiteral("kein unterstütztes Bildformat (%1)").arg(QString::fromLatin1(format));
        return {};
    }
    const bool vector = format.startsWith("svg");
    qint64 coefficients = 0;
    if (vector) {
        std::optional<QByteArray> text = svgText(*file, why);
        if (!text) return {};
        if (drawsOtherFiles(*text)) {
            *why = QStringLiteral("SVG zeigt andere Dateien");
            return {};
        }
        svg.setData(*text);  // opened by the reader
        reader.setDevice(&svg);
        reader.setFormat("svg");
    } else if (format == "jpeg") {
        coefficients = jpegCoefficientBytes(*file);
    }
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(PixelBudget::kBytes >> 20));
    const QSize raw = reader.size();
    if (!raw.isValid() || raw.isEmpty()) {
        *why = QStringLiteral("kein lesbares Bild (%1)").arg(reader.errorString());
        return {};
    }
    // Turning the picture (EXIF) changes neither its short nor its long side, so the size to
    // decode at can be worked out on the stored picture.
    const double scale =
        double(side) / (fit ? std::max(raw.width(), raw.height()) : std::min(raw.width(), raw.height()));
    // What the decoded picture costs: its own pixels, plus 32-bit ones for a picture of
    // fewer bits per pixel (palette, grey, 24-bit), which is converted before it is scaled.
    const int depth = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
    const int bytesPerPixel = depth >= 32 ? depth / 8 : 4 + std::max(1, depth / 8);
    QSize decoded = raw;
    if ((format == "jpeg" && scale < 1) || vector) {
        reader.setScaledSize(
            QSize(std::max(1, int(std::ceil(raw.width() * scale))), std::max(1, int(std::ceil(raw.height() * scale)))));
        // libjpeg decodes at 1/8 of the stored size at the least and the rest is scaled.
        decoded = vector ? reader.scaledSize() : reader.scaledSize().expandedTo(raw / 8);
    }
    const qint64 cost = qint64(decoded.width()) * decoded.height() * bytesPerPixel + coefficients;
    if (cost > PixelBudget::kBytes) {
        *why = tooLarge(raw);
        return {};
    }
    budget.acquire(cost);
    const Release release{budget, cost};

    QImage image = reader.read();
    if (image.isNull()) {
        *why = QStringLiteral("kein lesbares Bild (%1)").arg(reader.errorString());
        return {};
    }
    return toSquare(std::move(image), side, fit, letterbox);
}

}  // namespace quorvia::themes
