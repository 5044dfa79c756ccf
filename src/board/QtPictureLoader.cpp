#include "board/QtPictureLoader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace quorvia {

const QImage* IconImages::best(int pixels) const {
    const QImage* chosen = nullptr;
    for (const QImage& img : sizes) {
        if (img.width() >= pixels && (!chosen || img.width() < chosen->width())) chosen = &img;
    }
    if (chosen) return chosen;
    for (const QImage& img : sizes) {
        if (!chosen || img.width() > chosen->width()) chosen = &img;
    }
    return chosen;
}

namespace {

std::optional<Picture> decode(QIODevice& device, const QByteArray& format, const std::string& source,
                              bool probeContent) {
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(probeContent);
    auto images = std::make_shared<IconImages>();
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage img = reader.read();
        if (img.isNull()) continue;
        images->sizes.push_back(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    if (images->sizes.empty()) return std::nullopt;
    std::sort(images->sizes.begin(), images->sizes.end(),
              [](const QImage& a, const QImage& b) { return a.width() < b.width(); });
    return Picture{source, std::shared_ptr<const void>(images, images.get())};
}

// Card faces and covers are icon files whatever their extension (".icn" too), so the icon
// reader goes first, alone. Anything else Qt can recognise by content is still shown; that
// probe is left for the rare other file because it loads every image plug-in there is.
std::optional<Picture> decodeIconFile(QIODevice& device, const std::string& source) {
    if (auto picture = decode(device, "ico", source, false)) return picture;
    if (!device.seek(0)) return std::nullopt;
    return decode(device, QByteArray(), source, true);
}

}  // namespace

std::optional<Picture> QtPictureLoader::load(const std::string& path) {
    const auto resolved = fs_.resolve(path);
    if (!resolved) return std::nullopt;
    QFile file(QString::fromStdString(*resolved));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return decodeIconFile(file, path);
}

std::optional<Picture> decodeIcon(const QByteArray& bytes, const std::string& source) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    return decodeIconFile(buffer, source);
}

Picture QtPictureLoader::fromResource(const QString& resource, const std::string& name) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) return Picture{name, nullptr};
    auto picture = decode(file, QFileInfo(resource).suffix().toLatin1(), name, false);
    return picture ? *picture : Picture{name, nullptr};
}

QImage resourceImage(const QString& resource) {
    QImageReader reader(resource, QFileInfo(resource).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

void drawPicture(QPainter& painter, const QRectF& target, const Picture& picture) {
    if (!picture.image) return;
    const auto* images = static_cast<const IconImages*>(picture.image.get());
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage* img = images->best(static_cast<int>(std::ceil(target.width() * dpr)));
    if (!img) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, *img);
    painter.restore();
}

}  // namespace quorvia
