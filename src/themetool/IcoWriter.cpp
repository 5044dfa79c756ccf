#include "IcoWriter.h"

#include "app/Theme.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>
#include <QSet>
#include <QtEndian>

#include <cstring>

namespace quorvia::themes {

namespace {

void setError(QString* error, const QString& message) {
    if (error) *error = message;
}

// A fresh ARGB32 (straight alpha) copy carrying nothing but the pixels and a fixed resolution,
// so the PNG writer has no text, colour space or other metadata to add.
QImage plainArgb32(const QImage& image) {
    const QImage converted = image.convertToFormat(QImage::Format_ARGB32);
    QImage plain(converted.size(), QImage::Format_ARGB32);
    const qsizetype rowBytes = qsizetype(converted.width()) * 4;
    for (int y = 0; y < converted.height(); ++y)
        std::memcpy(plain.scanLine(y), converted.constScanLine(y), size_t(rowBytes));
    plain.setDotsPerMeterX(3780);  // 96 dpi
    plain.setDotsPerMeterY(3780);
    return plain;
}

void putLe16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void putLe32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

}  // namespace

QByteArray IcoWriter::encodePng(const QImage& image, QString* error, Compression compression) {
    if (image.isNull()) {
        setError(error, QStringLiteral("cannot encode a null image"));
        return {};
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Qt maps a quality q to zlib level (100 - q) * 9 / 91: 0 gives 9, 67 gives 3.
    writer.setQuality(compression == Compression::Smallest ? 0 : 67);
    if (!writer.write(plainArgb32(image))) {
        setError(error, QStringLiteral("PNG encoding failed: ") + writer.errorString());
        return {};
    }
    return png;
}

QByteArray IcoWriter::encode(const QList<QImage>& images, QString* error, Compression compression) {
    if (images.isEmpty() || images.size() > kMaxImages) {
        setError(error, QStringLiteral("an icon needs 1 to %1 images, got %2").arg(kMaxImages).arg(images.size()));
        return {};
    }

    QSet<quint32> seenSizes;
    QList<QByteArray> pngs;
    pngs.reserve(images.size());
    for (const QImage& image : images) {
        const int w = image.width();
        const int h = image.height();
        if (image.isNull() || w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
            setError(error, QStringLiteral("image size %1 x %2 is outside 1..%3").arg(w).arg(h).arg(kMaxSide));
            return {};
        }
        const quint32 key = quint32(w) << 16 | quint32(h);
        if (seenSizes.contains(key)) {
            setError(error, QStringLiteral("two images of size %1 x %2").arg(w).arg(h));
            return {};
        }
        seenSizes.insert(key);
        QByteArray png = encodePng(image, error, compression);
        if (png.isEmpty()) return {};
        pngs.append(png);
    }

    const int count = int(images.size());
    QByteArray out;
    putLe16(out, 0);               // reserved
    putLe16(out, 1);               // type: icon
    putLe16(out, quint16(count));  // number of images

    quint32 offset = quint32(theme::kIcoHeaderSize + theme::kIcoEntrySize * count);
    for (int i = 0; i < count; ++i) {
        const int w = images[i].width();
        const int h = images[i].height();
        out.append(char(w & 0xFF));  // one byte each: 256 is stored as 0
        out.append(char(h & 0xFF));
        out.append(char(0));  // colour count: 0 for true colour
        out.append(char(0));  // reserved
        putLe16(out, 1);      // planes
        putLe16(out, 32);     // bits per pixel
        putLe32(out, quint32(pngs[i].size()));
        putLe32(out, offset);
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray& png : pngs) out.append(png);
    return out;
}

bool IcoWriter::writeFile(const QString& path, const QList<QImage>& images, QString* error, Compression compression) {
    const QByteArray bytes = encode(images, error, compression);
    if (bytes.isEmpty()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

}  // namespace quorvia::themes
