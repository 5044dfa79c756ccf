#include "qt/QtPictureLoader.h"

#include "app/Theme.h"

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

// What one picture may cost. Card faces and covers are icons, at most 256 x 256 pixels per
// image; 16 MiB of file and 16 MiB per decoded image leave room for a 2048 x 2048 cover, and
// stop a small file that claims a huge image before Qt allocates it.
constexpr std::size_t kMaxFileBytes = 16 << 20;
constexpr int kMaxImageMiB = 16;

// `icon`: the bytes of an icon file whose directory was checked, which tells each image's
// bits per pixel.
std::optional<Picture> decode(QIODevice& device, const QByteArray& format, const std::string& source, bool probeContent,
                              const QByteArray* icon = nullptr) {
    QImageReader::setAllocationLimit(kMaxImageMiB);  // process-wide; every picture goes through here
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(probeContent);
    std::vector<std::pair<QImage, int>> read;  // each image, and its bits per pixel where known
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage img = reader.read();
        if (img.isNull()) continue;
        const qsizetype bits = theme::kIcoHeaderSize + qsizetype(i) * theme::kIcoEntrySize + 6;
        read.emplace_back(img.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                          icon && bits + 1 < icon->size() ? uchar(icon->at(bits)) | uchar(icon->at(bits + 1)) << 8 : 0);
    }
    // Icons often hold a size several times, in 16 colours, in 256 and in true colour: of
    // each size the one with the most colours is kept, the first of those.
    std::stable_sort(read.begin(), read.end(), [](const auto& a, const auto& b) {
        return a.first.width() != b.first.width() ? a.first.width() < b.first.width() : a.second > b.second;
    });
    auto images = std::make_shared<IconImages>();
    for (const auto& entry : read) {
        const QImage& img = entry.first;
        if (images->sizes.empty() || images->sizes.back().width() != img.width()) images->sizes.push_back(img);
    }
    if (images->sizes.empty()) return std::nullopt;
    return Picture{source, std::shared_ptr<const void>(images, images.get())};
}

enum class IconDirectory { None, Sound, Broken };

// An icon file's directory checked against the file's real size, before Qt trusts it: the
// images it counts must fit the file (an entry each after the header), and each image must
// lie inside it. A 70-byte file claiming 65,535 images is Broken.
IconDirectory checkIconDirectory(const QByteArray& b) {
    constexpr quint64 header = theme::kIcoHeaderSize, entrySize = theme::kIcoEntrySize;
    const auto byte = [&](qsizetype i) { return static_cast<quint64>(static_cast<unsigned char>(b[i])); };
    const auto u16 = [&](qsizetype i) { return byte(i) | byte(i + 1) << 8; };
    const auto u32 = [&](qsizetype i) { return u16(i) | u16(i + 2) << 16; };
    if (b.size() < qsizetype(header) || u16(0) != 0 || (u16(2) != 1 && u16(2) != 2)) return IconDirectory::None;
    const quint64 count = u16(4), size = static_cast<quint64>(b.size());
    if (count == 0 || header + count * entrySize > size) return IconDirectory::Broken;
    for (qsizetype entry = header; entry < static_cast<qsizetype>(header + count * entrySize); entry += entrySize) {
        if (u32(entry + 12) + u32(entry + 8) > size) return IconDirectory::Broken;
    }
    return IconDirectory::Sound;
}

}  // namespace

std::optional<Picture> QtPictureLoader::load(const std::string& path) {
    // Read through the file system, which opens regular files only (a FIFO or a device is
    // never opened) and takes names as bytes, Windows-1252 ones included.
    const auto bytes = fs_.readFile(path, kMaxFileBytes);
    if (!bytes) return std::nullopt;
    return decodeIcon(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())), path);
}

// Card faces and covers are icon files whatever their extension (".icn" too), so the icon
// reader goes first, alone. Anything else Qt can recognise by content is still shown; that
// probe is left for the rare other file because it loads every image plug-in there is.
std::optional<Picture> decodeIcon(const QByteArray& bytes, const std::string& source) {
    const IconDirectory directory = checkIconDirectory(bytes);
    if (directory == IconDirectory::Broken) return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    if (directory == IconDirectory::Sound) {
        if (auto picture = decode(buffer, "ico", source, false, &bytes)) return picture;
        if (!buffer.seek(0)) return std::nullopt;
    }
    return decode(buffer, QByteArray(), source, true);
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
