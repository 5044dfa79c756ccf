#include "themes/ThemeMaker.h"

#include "app/FileSystem.h"
#include "app/Text.h"
#include "themes/IcoWriter.h"
#include "themes/PictureSquare.h"
#include "themes/PictureWalk.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

// Writes the picture as a multi-size icon; empty on success, else why not.
QString writeFace(const fs::path& picture, const fs::path& target, const ThemeRequest& request, PixelBudget& budget) {
    QString why;
    const QImage square = squareOf(picture, kSide, request.fit, request.letterbox, budget, &why)
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

// Why `level` cannot name a theme the game lists and stores, or empty when it can: the walk
// leaves hidden folders out, "@" holds the shared card backs, and a settings line ends at a
// line break.
QString badLevel(const QString& level, bool first) {
    if (level == QStringLiteral(".") || level == QStringLiteral("..")) return QStringLiteral("„%1“").arg(level);
    if (level.startsWith(u'.')) return QStringLiteral("ein Name mit Punkt am Anfang bleibt im Spiel unsichtbar");
    if (first && level == QStringLiteral("@")) return QStringLiteral("@ ist der Ordner der Kartenrücken");
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
        const fs::path candidate =
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

fs::path themesFolderFor(const Locations& where) {
    return where.installed ? fs::path(where.playerIcons) : fs::path(where.programFolder) / "icons";
}

void sweepStaleWorkFolders(const fs::path& folder) { sweepStaleWorkFiles(folder.string(), kWorkPrefix); }

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
    auto cancelled = [&] { return cancel && cancel->load(); };
    const fs::path root = withoutTrailingSeparator(request.themesFolder);
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

    PictureList found = walkPictures(request.inputs, cancel);
    const std::vector<fs::path>& pictures = found.pictures;
    report.skipped = found.skipped;
    report.passedOver = found.passedOver;
    if (cancelled()) {
        report.cancelled = true;
        return report;
    }
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

    PixelBudget budget;
    std::mutex mutex;
    std::vector<QString> reasons(pictures.size());
    std::atomic<std::size_t> next = 0;
    std::size_t done = 0;
    const int total = int(pictures.size());
    auto worker = [&] {
        for (std::size_t i; (i = next++) < pictures.size();) {
            if (cancelled()) return;
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

    report.pictures = total;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (reasons[i].isEmpty()) {
            ++report.made;
        } else {
            report.skipped.append(QStringLiteral("%1: %2").arg(shown(pictures[i]), reasons[i]));
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
