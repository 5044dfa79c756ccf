#include "themes/ThemeMaker.h"

#include "app/Text.h"
#include "themes/IcoWriter.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace quorvia::themes {

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 256;
constexpr int kSizes[] = {256, 128, 64, 48, 32, 16};
constexpr int kLargestBoardPairs = 243;  // 18 x 27 cards
const std::string kWorkPrefix = ".quorvia-theme-";

// Decoded pixels of whole pictures in flight at once, over all workers. Pictures that are
// decoded straight at the size needed (JPEG, SVG) cost next to nothing of it.
constexpr qint64 kPixelBudget = qint64(128) << 20;

QString shown(const fs::path& path) { return QString::fromStdString(repairUtf8(path.string())); }

bool isPictureName(const fs::path& path) {
    static const std::set<std::string> known = {".jpg", ".jpeg", ".jpe", ".png", ".webp",
                                                ".bmp", ".gif",  ".svg", ".svgz"};
    return known.count(toLower(path.extension().string())) > 0;
}

bool isHidden(const fs::path& path) { return path.filename().string().starts_with('.'); }

// Folders recursively, in name order; a picture named on its own is taken whatever its name.
void collect(const fs::path& path, bool named, std::vector<fs::path>& out) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
        if (named || isPictureName(path)) out.push_back(path);
        return;
    }
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(path, ec)) {
        if (!isHidden(entry.path())) entries.push_back(entry.path());
    }
    std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
        return lessIgnoreCase(repairUtf8(a.filename().string()), repairUtf8(b.filename().string()));
    });
    for (const fs::path& entry : entries) collect(entry, false, out);
}

// A file name made of the picture's name, safe on any file system and in the game.
QString safeName(const fs::path& picture) {
    const QString stem = QString::fromStdString(repairUtf8(picture.stem().string()));
    QString out;
    for (const QChar c : stem) {
        const bool keep = c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'_' || c == u'.';
        out += keep ? c : QChar(u'-');
    }
    while (out.startsWith(u'.') || out.startsWith(u' ')) out.remove(0, 1);
    while (out.endsWith(u'.') || out.endsWith(u' ')) out.chop(1);
    out.truncate(100);
    return out.isEmpty() ? QStringLiteral("bild") : out;
}

class PixelBudget {
public:
    void acquire(qint64 bytes) {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return free_ >= bytes; });
        free_ -= bytes;
    }
    void release(qint64 bytes) {
        {
            const std::lock_guard lock(mutex_);
            free_ += bytes;
        }
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    qint64 free_ = kPixelBudget;
};

// The picture as a kSide x kSide square, or a null image and the reason in *why.
QImage squareOf(const fs::path& path, bool fit, const QColor& letterbox, PixelBudget& budget, QString* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(kPixelBudget >> 20));
    const QSize raw = reader.size();
    if (!raw.isValid() || raw.isEmpty()) {
        *why = QStringLiteral("kein lesbares Bild (%1)").arg(reader.errorString());
        return {};
    }
    // Turning the picture (EXIF) changes neither its short nor its long side, so the size to
    // decode at can be worked out on the stored picture.
    const double scale =
        double(kSide) / (fit ? std::max(raw.width(), raw.height()) : std::min(raw.width(), raw.height()));
    // Only libjpeg (in steps of 1/8) and the SVG renderer decode straight at a smaller size;
    // other readers that take a size decode the whole picture first and then scale it.
    const bool vector = reader.format().startsWith("svg");
    // What the decoded picture costs: its own pixels, plus 32-bit ones for a picture of
    // fewer bits per pixel (palette, grey, 24-bit), which is converted before it is scaled.
    const int depth = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
    const int bytesPerPixel = depth >= 32 ? depth / 8 : 4 + std::max(1, depth / 8);
    QSize decoded = raw;
    if ((reader.format() == "jpeg" && scale < 1) || vector) {
        decoded =
            QSize(std::max(1, int(std::ceil(raw.width() * scale))), std::max(1, int(std::ceil(raw.height() * scale))));
        reader.setScaledSize(decoded);
    }
    const qint64 cost = qint64(decoded.width()) * decoded.height() * bytesPerPixel;
    if (cost > kPixelBudget) {
        *why = QStringLiteral("zu groß (%1 x %2 Pixel)").arg(raw.width()).arg(raw.height());
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
        return s == kSide ? view.copy() : view.scaled(kSide, kSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QSize fitted = image.size().scaled(kSide, kSide, Qt::KeepAspectRatio);
    fitted = fitted.expandedTo(QSize(1, 1));
    QImage square(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    square.fill(letterbox);
    QPainter painter(&square);
    painter.drawImage(QPoint((kSide - fitted.width()) / 2, (kSide - fitted.height()) / 2),
                      image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return square;
}

// Writes the picture as a multi-size icon; empty on success, else why not.
QString writeFace(const fs::path& picture, const fs::path& target, const ThemeRequest& request, PixelBudget& budget) {
    QString why;
    const QImage square = squareOf(picture, request.fit, request.letterbox, budget, &why)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (square.isNull()) return why;
    QList<QImage> images;
    for (int size : kSizes) {
        images.append(size == kSide ? square
                                    : square.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    const QByteArray bytes = IcoWriter::encode(images, &why, IcoWriter::Compression::Fast);
    if (bytes.isEmpty()) return why;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
    out.close();
    if (!out) return QStringLiteral("kann %1 nicht schreiben").arg(shown(target));
    return {};
}

fs::path withoutTrailingSeparator(fs::path path) {
    path = path.lexically_normal();
    return path.filename().empty() ? path.parent_path() : path;
}

// `name`'s folder below `root`; each level that exists in another case keeps its spelling.
std::optional<fs::path> themeFolder(const fs::path& root, const QString& name) {
    fs::path out = root;
    const QStringList levels = QString(name).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    if (levels.isEmpty() || levels.first() == QStringLiteral("@")) return std::nullopt;
    for (const QString& level : levels) {
        if (level == QStringLiteral(".") || level == QStringLiteral("..")) return std::nullopt;
        std::string spelled = level.toStdString();
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(out, ec)) {
            if (equalsIgnoreCase(entry.path().filename().string(), spelled)) {
                spelled = entry.path().filename().string();
                break;
            }
        }
        out /= spelled;
    }
    return out;
}

fs::path newWorkFolder(const fs::path& besides) {
    std::random_device random;
    for (;;) {
        const fs::path candidate =
            besides / (kWorkPrefix + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) return candidate;
        if (ec) return {};
    }
}

}  // namespace

fs::path themesFolderFor(const Locations& where) {
    return where.installed ? fs::path(where.playerIcons) : fs::path(where.programFolder) / "icons";
}

void sweepStaleWorkFolders(const fs::path& themesFolder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(withoutTrailingSeparator(themesFolder).parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kWorkPrefix)) continue;
        const long pid = std::strtol(name.c_str() + kWorkPrefix.size(), nullptr, 10);
        if (pid > 0 && pid != ::getpid() && ::kill(pid_t(pid), 0) == 0) continue;  // its run still lives
        if (pid > 0 && pid != ::getpid() && errno == EPERM) continue;
        fs::remove_all(entry.path(), ec);
    }
}

QString progressText(int done, int total, double seconds) {
    const double rate = seconds > 0 ? done / seconds : 0;
    const int left = rate > 0 ? int((total - done) / rate + 0.5) : 0;
    return QStringLiteral("%1/%2  %3 Bilder/s  noch %4:%5")
        .arg(done)
        .arg(total)
        .arg(rate, 0, 'f', 1)
        .arg(left / 60)
        .arg(left % 60, 2, 10, QChar(u'0'));
}

QString boardSizeLine(int faces) {
    const QString pictures = faces == 1 ? QStringLiteral("1 Bild") : QStringLiteral("%1 Bilder").arg(faces);
    if (faces >= kLargestBoardPairs) return pictures + QStringLiteral(": genug für alle Spielfelder ohne Wiederholung");
    return pictures + QStringLiteral(": genug für Spielfelder bis %1 Karten ohne Wiederholung").arg(2 * faces);
}

ThemeReport makeTheme(const ThemeRequest& request, const ThemeProgress& progress, const std::atomic<bool>* cancel) {
    ThemeReport report;
    const fs::path root = withoutTrailingSeparator(request.themesFolder);
    const auto target = themeFolder(root, request.name);
    if (!target) {
        report.error = QStringLiteral("„%1“ ist kein möglicher Name für ein Thema").arg(request.name);
        return report;
    }
    report.folder = *target;
    std::error_code ec;
    if (fs::exists(*target, ec) && !request.replace) {
        report.error = QStringLiteral("Das Thema %1 gibt es schon (--replace ersetzt es)").arg(shown(*target));
        return report;
    }

    // Replacing takes the whole folder: never one that holds further themes.
    for (const auto& entry : fs::directory_iterator(*target, ec)) {
        if (entry.is_directory()) {
            report.error = QStringLiteral("%1 enthält weitere Themen und wird nicht ersetzt").arg(shown(*target));
            return report;
        }
    }

    std::vector<fs::path> pictures;
    for (const fs::path& input : request.inputs) collect(input, true, pictures);
    if (pictures.empty()) {
        report.error = QStringLiteral("Keine Bilder gefunden");
        return report;
    }

    // Names are fixed before the work starts, so that the workers never meet.
    std::vector<QString> names;
    std::set<std::string> taken;
    for (const fs::path& picture : pictures) {
        const QString base = safeName(picture);
        QString name = base;
        for (int n = 2; !taken.insert(toLower(name.toStdString())).second; ++n) {
            name = QStringLiteral("%1-%2").arg(base).arg(n);
        }
        names.push_back(name + QStringLiteral(".ico"));
    }

    fs::create_directories(root.parent_path(), ec);
    sweepStaleWorkFolders(root);
    const fs::path work = newWorkFolder(root.parent_path());
    if (work.empty()) {
        report.error = QStringLiteral("Kann in %1 nicht schreiben").arg(shown(root.parent_path()));
        return report;
    }

    PixelBudget budget;
    std::mutex mutex;
    std::vector<QString> reasons(pictures.size());
    std::atomic<std::size_t> next = 0;
    std::size_t done = 0;
    const int total = int(pictures.size());
    auto worker = [&] {
        for (std::size_t i; (i = next++) < pictures.size();) {
            if (cancel && cancel->load()) return;
            QString why = writeFace(pictures[i], work / names[i].toStdString(), request, budget);
            const std::lock_guard lock(mutex);
            reasons[i] = std::move(why);
            ++done;
            if (progress) progress(int(done), total);
        }
    };
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t count =
        std::min<std::size_t>(request.workers > 0 ? unsigned(request.workers) : cores, pictures.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < count; ++i) workers.emplace_back(worker);
    worker();
    for (std::thread& t : workers) t.join();

    if (cancel && cancel->load()) {
        fs::remove_all(work, ec);
        report.cancelled = true;
        return report;
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (reasons[i].isEmpty()) {
            ++report.made;
        } else {
            report.skipped.append(QStringLiteral("%1: %2").arg(shown(pictures[i]), reasons[i]));
        }
    }
    if (!request.cover.empty()) {
        const QString why = writeFace(request.cover, work / "@.icn", request, budget);
        if (!why.isEmpty()) report.skipped.append(QStringLiteral("%1: %2").arg(shown(request.cover), why));
    }
    if (report.made == 0) {
        fs::remove_all(work, ec);
        report.error = QStringLiteral("Kein Bild ließ sich lesen");
        return report;
    }

    // Into place: the old theme (with --replace) leaves in one rename, the new one comes in
    // in another, so the game sees one of them whole at any moment.
    fs::create_directories(target->parent_path(), ec);
    fs::path old;
    if (fs::exists(*target, ec) && request.replace) {
        old = newWorkFolder(root.parent_path());
        fs::remove(old, ec);
        fs::rename(*target, old, ec);
    }
    fs::rename(work, *target, ec);
    if (ec) {
        report.error =
            QStringLiteral("Kann %1 nicht anlegen: %2").arg(shown(*target), QString::fromStdString(ec.message()));
        report.made = 0;
        fs::remove_all(work, ec);
        if (!old.empty()) fs::rename(old, *target, ec);
        return report;
    }
    if (!old.empty()) fs::remove_all(old, ec);
    return report;
}

}  // namespace quorvia::themes
