#include "themes/PictureSquare.h"

#include "themes/PictureWalk.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

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
    const QByteArray raw = file.readAll();
    if (!raw.startsWith("\x1f\x8b")) return raw;
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
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

// True when the SVG draws a picture from somewhere else than its own text.
bool drawsOtherFiles(const QByteArray& svg) {
    static const QRegularExpression image(QStringLiteral(R"(<(?:[\w-]+:)?image\b[^>]*>)"));
    static const QRegularExpression embedded(QStringLiteral(R"(\bhref\s*=\s*["']\s*data:)"));
    static const QRegularExpression anyLink(QStringLiteral(R"(\bhref\s*=)"));
    const QString text = QString::fromUtf8(svg);
    for (auto it = image.globalMatch(text); it.hasNext();) {
        const QString tag = it.next().captured();
        if (tag.contains(anyLink) && !tag.contains(embedded)) return true;
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
            int maxH = 1, maxV = 1;
            for (int c = 0; c < components; ++c) {
                maxH = std::max(maxH, sampling(c, 4));
                maxV = std::max(maxV, sampling(c, 0));
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

// The file open for reading when it is a regular file; never opens anything else.
std::unique_ptr<QFile> openPicture(const fs::path& path, QString* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("keine Bilddatei");
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return file;
}

}  // namespace

QImage squareOf(const fs::path& path, int side, bool fit, const QColor& letterbox, PixelBudget& budget, QString* why) {
    const std::unique_ptr<QFile> file = openPicture(path, why);
    if (!file) return {};
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
        svg.setData(*text);
        svg.open(QIODevice::ReadOnly);
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
    struct Release {
        PixelBudget& budget;
        qint64 cost;
        ~Release() { budget.release(cost); }
    } release{budget, cost};

    QImage image = reader.read();
    if (image.isNull()) {
        *why = QStringLiteral("kein lesbares Bild (%1)").arg(reader.errorString());
        return {};
    }
    // Scaling works on premultiplied pixels; 32- and 64-bit pictures are converted in place.
    if (image.depth() == 64) {
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBX64);
    } else {
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

}  // namespace quorvia::themes
