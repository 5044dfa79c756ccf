#include "themetool/ThemeMaker.h"

#include "app/FileSystem.h"
#include "app/Text.h"
#include "app/Theme.h"
#include "themetool/IcoWriter.h"
#include "themetool/PictureSquare.h"
#include "themetool/PictureWalk.h"

#include <QFile>
#include <QLocale>
#include <QPainter>

#include <fcntl.h>
#include <malloc.h>
#include <stdio.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace quorvia::themes {

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 256;
constexpr int kSizes[] = {256, 128, 64, 48, 32, 16};
constexpr int kFaceKiB = 150;  // a face of a photo, all six sizes, about
// Faces look alike when their mean colours differ by at most kLookAlikeMean (of 255, on
// average over red, green and blue), and the bits in which their difference hashes (of 512)
// differ, plus kColourWeight times the mean difference of their small colour versions less
// their mean colours (of 255), are at most kLookAlike. Tried on made-up bursts: copies
// shifted by a few pixels, saved again at JPEG quality 30, cropped and scaled, or brightened
// by 10 % (mean 12 apart) score 8 to 68; other shapes in the same colours (a red disc and a
// red square on blue) 87, a mirrored photo 250. Tried on real footage: two frames of a video
// a moment apart score 19 and 41; the other 4,000 pairs of 91 real pictures 99 and more (99:
// a logo in black and in white letters; 181: a book before and after a sticker went on it).
// A stereo pair (the camera moved sideways by a hand's breadth) scores 288 and stays apart:
// its parallax moves fine texture as much as another picture would.
constexpr int kLookAlikeMean = 16;
constexpr int kColourWeight = 4;
constexpr int kLookAlike = 72;
const std::string kWorkPrefix = ".quorvia-theme-";

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

// What a face looks like at a glance, and how far apart two faces look: a difference hash
// (whether each of 16 x 16 neighbours in a 17 x 17 grey version of it is lighter to the
// right, and below) for the shapes, its mean colour, and an 8 x 8 colour version of it, less
// the mean colour, for where the colours lie; all of the face as the card shows it. A copy shifted by a few pixels,
// saved again or lightly brightened stays close in both; other shapes in the same colours, or plain pictures of other
// colours, do not.
struct FaceLook {
    std::array<std::uint64_t, 8> shapes{};
    std::array<int, 192> colours{};  // 8 x 8 cells, 3 channels
    std::array<int, 3> mean{};
};

FaceLook faceLook(const QImage& face, const QColor& background) {
    FaceLook look;
    QImage square(face.size(), QImage::Format_RGB32);  // as the card shows it, on the panel
    square.fill(background);
    QPainter(&square).drawImage(0, 0, face);
    const QImage grey = square.scaled(17, 17, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_Grayscale8);
    auto at = [&](int x, int y) { return grey.constScanLine(y)[x]; };
    for (int i = 0; i < 512; ++i) {
        const int x = i % 16, y = (i / 16) % 16;
        const bool lighter = i < 256 ? at(x + 1, y) > at(x, y) + 1 : at(x, y + 1) > at(x, y) + 1;
        look.shapes[size_t(i / 64)] |= std::uint64_t(lighter) << (i % 64);
    }
    const QImage small =
        square.scaled(8, 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB888);
    int mean[3] = {};
    for (int i = 0; i < 8 * 8 * 3; ++i) mean[i % 3] += look.colours[size_t(i)] = small.constScanLine(i / 24)[i % 24];
    for (int c = 0; c < 3; ++c) look.mean[size_t(c)] = mean[c] / 64;
    for (int i = 0; i < 8 * 8 * 3; ++i) look.colours[size_t(i)] -= look.mean[size_t(i % 3)];
    return look;
}

bool lookAlike(const FaceLook& a, const FaceLook& b) {
    // Cheapest first: most pairs differ in their mean colours or in too many bits already.
    int means = 0, bits = 0, colours = 0;
    for (size_t c = 0; c < a.mean.size(); ++c) means += std::abs(a.mean[c] - b.mean[c]);
    if (means > kLookAlikeMean * int(a.mean.size())) return false;
    for (size_t i = 0; i < a.shapes.size(); ++i) bits += std::popcount(a.shapes[i] ^ b.shapes[i]);
    if (bits > kLookAlike) return false;
    for (size_t i = 0; i < a.colours.size(); ++i) colours += std::abs(a.colours[i] - b.colours[i]);
    return bits * int(a.colours.size()) + kColourWeight * colours <= kLookAlike * int(a.colours.size());
}

// Writes the picture as a multi-size icon and tells its look; empty on success, else why not.
QString writeFace(const fs::path& picture, const fs::path& target, const ThemeRequest& request, PixelBudget& budget,
                  FaceLook* look = nullptr) {
    QString why;
    const QImage square = squareOf(picture, kSide, request.fit, request.letterbox, budget, &why)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (square.isNull()) return why.isEmpty() ? QStringLiteral("kein lesbares Bild") : why;
    if (look) *look = faceLook(square, request.letterbox);
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

// Face file names from the pictures' names, unique without regard to case.
std::vector<QString> faceNames(const std::vector<fs::path>& pictures) {
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
    return names;
}

// Of the faces `made`, those a player could not tell from one taken before (by date, then in
// the order given), each with that one: (look-alike, first).
std::vector<std::pair<std::size_t, std::size_t>> lookAlikes(std::vector<std::size_t> made,
                                                            const std::vector<QString>& dates,
                                                            const std::vector<FaceLook>& looks) {
    std::stable_sort(made.begin(), made.end(), [&](std::size_t a, std::size_t b) { return dates[a] < dates[b]; });
    std::vector<std::size_t> kept;
    std::vector<std::pair<std::size_t, std::size_t>> twins;
    for (std::size_t i : made) {
        const auto first =
            std::find_if(kept.begin(), kept.end(), [&](std::size_t k) { return lookAlike(looks[i], looks[k]); });
        if (first == kept.end()) {
            kept.push_back(i);
        } else {
            twins.emplace_back(i, *first);
        }
    }
    return twins;
}

// For each picture, the first picture of equal bytes (itself when there is none before it).
// Only files of the same size are read, each once for a checksum, and compared whole when the
// checksums agree.
std::vector<std::size_t> findCopies(const std::vector<fs::path>& pictures) {
    std::vector<std::size_t> copyOf(pictures.size());
    std::map<std::uintmax_t, std::vector<std::size_t>> bySize;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        copyOf[i] = i;
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(pictures[i], ec);
        if (!ec && size > 0) bySize[size].push_back(i);
    }
    auto content = [&](std::size_t i) {
        QFile file(QString::fromStdString(pictures[i].string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    for (const auto& [size, group] : bySize) {
        if (group.size() < 2) continue;
        std::map<uLong, std::vector<std::size_t>> byChecksum;
        for (std::size_t i : group) {
            const QByteArray bytes = content(i);
            const uLong sum = crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()));
            for (std::size_t j : byChecksum[sum]) {
                if (copyOf[i] == i && content(j) == bytes) copyOf[i] = j;
            }
            if (copyOf[i] == i) byChecksum[sum].push_back(i);
        }
    }
    return copyOf;
}

// `count` of the pictures, spread evenly over all of them in the order they were taken, in
// the order given.
std::vector<fs::path> spreadByDate(const std::vector<fs::path>& pictures, int count) {
    std::vector<std::pair<QString, std::size_t>> byDate;
    byDate.reserve(pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) byDate.emplace_back(dateTaken(pictures[i]), i);
    std::stable_sort(byDate.begin(), byDate.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::size_t> chosen;
    chosen.reserve(std::size_t(count));
    for (int k = 0; k < count; ++k)
        chosen.push_back(byDate[std::size_t(k) * pictures.size() / std::size_t(count)].second);
    std::sort(chosen.begin(), chosen.end());
    std::vector<fs::path> out;
    out.reserve(chosen.size());
    for (std::size_t i : chosen) out.push_back(pictures[i]);
    return out;
}

fs::path withoutTrailingSeparator(fs::path path) {
    path = path.lexically_normal();
    return path.filename().empty() ? path.parent_path() : path;
}

// Why `level` cannot name a theme the game lists and stores, or empty when it can: the walk
// leaves hidden folders out, "@" holds the shared card backs, and a settings line ends at a
// line break.
QString badLevel(const QString& level, bool first) {
    if (level == QStringLiteral(".") || level == QStringLiteral("..")) return QStringLiteral("„%1“").arg(level);
    if (level.startsWith(u'.')) return QStringLiteral("ein Name mit Punkt am Anfang bleibt im Spiel unsichtbar");
    if (first && !theme::mayBeTheme(level.toStdString())) return QStringLiteral("@ ist der Ordner der Kartenrücken");
    for (const QChar c : level) {
        if (c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter) {
            return QStringLiteral("Steuer- oder ungültige Zeichen im Namen");
        }
    }
    return {};
}

// `name`'s folder below `root`, each level found as the game finds it (the exact spelling
// first, else the first in name order without regard to case); levels not there yet keep
// the spelling given. Nothing, and the reason in *why, for a name no theme can have.
std::optional<fs::path> themeFolder(const fs::path& root, const QString& name, QString* why) {
    const QStringList levels = QString(name).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    if (levels.isEmpty()) *why = QStringLiteral("kein Name");
    for (qsizetype i = 0; i < levels.size() && why->isEmpty(); ++i) *why = badLevel(levels[i], i == 0);
    if (!why->isEmpty()) return std::nullopt;
    std::string out = root.string();
    for (const QString& level : levels) {
        out += "/" + level.toStdString();
        if (const auto found = diskFileSystem().resolve(out)) out = *found;
    }
    return fs::path(out);
}

fs::path newWorkFolder(const fs::path& besides) {
    std::random_device random;
    for (;;) {
        fs::path candidate =
            besides / (kWorkPrefix + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) return candidate;
        if (ec) return {};
    }
}

// True when the folder holds a folder (a nested theme, or a link to one).
bool holdsFolders(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) return true;
    }
    return false;
}

// Puts the finished `work` folder in the place of `target` in one step: an existing theme is
// swapped with it (and then removed from where `work` was), so that a running game finds one
// of the two whole at any moment. Both lie in the same folder, so on the same file system.
std::error_code moveIntoPlace(const fs::path& work, const fs::path& target, bool replacing) {
    std::error_code ec;
    if (::renameat2(AT_FDCWD, work.c_str(), AT_FDCWD, target.c_str(), replacing ? RENAME_EXCHANGE : RENAME_NOREPLACE) ==
        0) {
        if (replacing) fs::remove_all(work, ec);
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) return {errno, std::generic_category()};
    // A file system without swapping renames: the old theme leaves first, briefly.
    fs::path old;
    if (replacing) {
        old = newWorkFolder(work.parent_path());
        fs::remove(old, ec);
        fs::rename(target, old, ec);
        if (ec) return ec;
    }
    fs::rename(work, target, ec);
    if (ec && !old.empty()) {
        std::error_code back;
        fs::rename(old, target, back);
    } else if (!old.empty()) {
        fs::remove_all(old, ec);
        ec.clear();
    }
    return ec;
}

}  // namespace

void sweepStaleWorkFolders(const fs::path& folder) { sweepStaleWorkFiles(folder.string(), kWorkPrefix); }

QString progressText(int done, int total, double seconds) {
    const double rate = seconds > 0 ? done / seconds : 0;
    const int left = rate > 0 ? int(std::lround((total - done) / rate)) : 0;
    return QStringLiteral("%1/%2  %3 Bilder/s  noch %4:%5")
        .arg(done)
        .arg(total)
        .arg(rate, 0, 'f', 1)
        .arg(left / 60)
        .arg(left % 60, 2, 10, QChar(u'0'));
}

void returnPicturesToTheSystem() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 4 << 20);  // a fixed threshold: blocks from 4 MiB up are mapped apart
#endif
}

QString sizeText(int faces) {
    const qint64 kib = qint64(faces) * kFaceKiB;
    if (kib < 1000) return QStringLiteral("etwa %1 KB").arg(kib);
    if (kib < 1'000'000) return QStringLiteral("etwa %1 MB").arg((kib + 500) / 1000);
    return QStringLiteral("etwa %1 GB").arg(QLocale(QLocale::German).toString(kib / 1e6, 'f', 1));
}

QString counted(int n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

QString costLine(int found, int faces) {
    return QStringLiteral("%1 gefunden; das Thema aus %2 wird %3 groß.")
        .arg(counted(found, QStringLiteral("Bild"), QStringLiteral("Bilder")))
        .arg(faces)
        .arg(sizeText(faces));
}

QString mergedLine(int merged) {
    return QStringLiteral("zusammengefasst: ") +
           counted(merged, QStringLiteral("fast gleiches Bild"), QStringLiteral("fast gleiche Bilder"));
}

QString othersLine(int others) {
    return QStringLiteral("übergangen: ") +
           counted(others, QStringLiteral("Video oder andere Datei"), QStringLiteral("Videos und andere Dateien"));
}

QString boardSizeLine(int faces) {
    const QString pictures = counted(faces, QStringLiteral("Bild"), QStringLiteral("Bilder"));
    if (faces >= theme::kLargestBoardPairs)
        return pictures + QStringLiteral(": genug für alle Spielfelder ohne Wiederholung");
    return pictures + QStringLiteral(": genug für Spielfelder bis %1 Karten ohne Wiederholung").arg(2 * faces);
}

ThemeReport makeTheme(const ThemeRequest& request, const ThemeProgress& progress, const std::atomic<bool>* cancel) {
    ThemeReport report;
    auto cancelled = [&] { return cancel && cancel->load(); };
    const fs::path root = withoutTrailingSeparator(request.themesFolder);
    if (root.empty()) {  // an installed game without a home folder has no place for themes
        report.error = QStringLiteral("Kein Ordner für eigene Themen (kein Benutzerverzeichnis)");
        return report;
    }
    QString why;
    const auto target = themeFolder(root, request.name, &why);
    if (!target) {
        report.error = QStringLiteral("„%1“ ist kein möglicher Name für ein Thema: %2").arg(request.name, why);
        return report;
    }
    report.folder = *target;
    std::error_code ec;
    const bool exists = fs::symlink_status(*target, ec).type() != fs::file_type::not_found && !ec;
    if (exists && !request.replace) {
        report.error = QStringLiteral("Das Thema %1 gibt es schon (--replace ersetzt es)").arg(shown(*target));
        return report;
    }
    // Replacing takes the whole folder: never one that holds further themes, nor a file.
    if (exists && !fs::is_directory(*target, ec)) {
        report.error = QStringLiteral("%1 ist kein Ordner und wird nicht ersetzt").arg(shown(*target));
        return report;
    }
    if (exists && holdsFolders(*target)) {
        report.error = QStringLiteral("%1 enthält weitere Themen und wird nicht ersetzt").arg(shown(*target));
        return report;
    }

    PictureList found = request.found ? *request.found : walkPictures(request.inputs, cancel);
    if (request.selection > 0 && request.selection < int(found.pictures.size())) {
        found.pictures = spreadByDate(found.pictures, request.selection);
    }
    const std::vector<fs::path>& pictures = found.pictures;
    report.skipped = found.skipped;
    report.passedOver = found.passedOver;
    report.others = found.others;
    if (cancelled()) {
        report.cancelled = true;
        return report;
    }
    if (pictures.empty()) {
        report.error = QStringLiteral("Keine Bilder gefunden");
        return report;
    }

    // Names are fixed before the work starts, so that the workers never meet.
    const std::vector<QString> names = faceNames(pictures);

    // The work folder lies beside the theme's place, so that it moves there in one rename
    // whatever file system icons/ (or a level of a nested name) is on.
    const fs::path home = target->parent_path();
    std::vector<fs::path> madeLevels;  // folders made for a nested name, removed again on failure
    for (fs::path level = home; !fs::exists(level, ec) && level != root.parent_path(); level = level.parent_path()) {
        madeLevels.push_back(level);
    }
    fs::create_directories(home, ec);
    sweepStaleWorkFolders(home);
    sweepStaleWorkFolders(root.parent_path());  // where earlier versions worked
    const fs::path work = newWorkFolder(home);
    auto fail = [&](QString error) {
        fs::remove_all(work, ec);
        for (const fs::path& level : madeLevels) fs::remove(level, ec);  // only while empty
        report.error = std::move(error);
        report.made = 0;
        return report;
    };
    if (work.empty()) return fail(QStringLiteral("Kann in %1 nicht schreiben").arg(shown(home)));
    if (request.started) request.started(work);

    // Copies (equal bytes) are merged before anything is decoded; the first in name order stays.
    const std::vector<std::size_t> copyOf = findCopies(pictures);
    std::vector<std::size_t> todo;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (copyOf[i] == i) todo.push_back(i);
    }

    PixelBudget budget;
    std::mutex mutex;
    std::vector<QString> reasons(pictures.size()), dates(pictures.size());
    std::vector<FaceLook> looks(pictures.size());
    std::atomic<std::size_t> next = 0;
    std::size_t done = 0;
    const int total = int(todo.size());
    auto worker = [&] {
        for (std::size_t k; (k = next++) < todo.size();) {
            if (cancelled()) return;
            const std::size_t i = todo[k];
            FaceLook look;
            QString why = writeFace(pictures[i], work / names[i].toStdString(), request, budget, &look);
            QString date = why.isEmpty() ? dateTaken(pictures[i]) : QString();
            const std::lock_guard lock(mutex);
            reasons[i] = std::move(why);
            dates[i] = std::move(date);
            looks[i] = look;
            ++done;
            if (progress) progress(int(done), total);
        }
    };
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t count =
        std::min<std::size_t>(request.workers > 0 ? unsigned(request.workers) : cores, todo.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < count; ++i) workers.emplace_back(worker);
    worker();
    for (std::thread& t : workers) t.join();

    report.pictures = int(pictures.size());
    for (std::size_t i : todo) {
        if (!reasons[i].isEmpty()) report.skipped.append(QStringLiteral("%1: %2").arg(shown(pictures[i]), reasons[i]));
    }
    std::vector<std::size_t> made;
    for (std::size_t i : todo) {
        if (reasons[i].isEmpty()) made.push_back(i);
    }
    const auto twins = lookAlikes(made, dates, looks);
    report.made = int(made.size() - twins.size());
    for (const auto& [twin, first] : twins) {
        fs::remove(work / names[twin].toStdString(), ec);
        report.merged.append(QStringLiteral("%1: sieht aus wie %2").arg(shown(pictures[twin]), shown(pictures[first])));
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::size_t first = copyOf[i];
        if (first == i) continue;
        if (reasons[first].isEmpty()) {
            report.merged.append(QStringLiteral("%1: gleich %2").arg(shown(pictures[i]), shown(pictures[first])));
        } else {
            report.skipped.append(QStringLiteral("%1: %2").arg(shown(pictures[i]), reasons[first]));
        }
    }
    if (!request.cover.empty() && !cancelled()) {
        const QString why = writeFace(request.cover, work / "@.icn", request, budget);
        if (!why.isEmpty()) report.coverError = QStringLiteral("%1: %2").arg(shown(request.cover), why);
    }
    if (cancelled()) {
        fail({});
        report.cancelled = true;
        return report;
    }
    if (report.made == 0) return fail(QStringLiteral("Kein Bild ließ sich lesen"));

    if (const std::error_code moved = moveIntoPlace(work, *target, exists)) {
        return fail(QStringLiteral("Kann %1 nicht anlegen: %2")
                        .arg(shown(*target), QString::fromLocal8Bit(moved.message().c_str())));
    }
    return report;
}

}  // namespace quorvia::themes
