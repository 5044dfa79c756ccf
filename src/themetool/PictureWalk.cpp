#include "themetool/PictureWalk.h"

#include "app/Text.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

namespace quorvia::themes {

namespace fs = std::filesystem;

namespace {

using FileId = std::pair<dev_t, ino_t>;

QString whyNot(int error) {
    switch (error) {
        case ENOENT:
            return QStringLiteral("Verweis ins Leere");
        case ELOOP:
            return QStringLiteral("Verweis im Kreis");
        case EACCES:
            return QStringLiteral("keine Berechtigung");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return QStringLiteral("keine Bilddatei, sondern eine Pipe");
    if (S_ISSOCK(mode)) return QStringLiteral("keine Bilddatei, sondern ein Socket");
    return QStringLiteral("keine Bilddatei, sondern ein Gerät");
}

class Walker {
public:
    explicit Walker(const std::atomic<bool>* cancel) : cancel_(cancel) {}

    void visit(const fs::path& path, bool named) {
        if (cancel_ && cancel_->load()) return;
        struct stat st = {};
        if (::stat(path.c_str(), &st) != 0) {
            if (named || isPictureName(path)) skip(path, whyNot(errno));
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            readFolder(path, {st.st_dev, st.st_ino});
        } else if (!named && !isPictureName(path)) {
            list_.others += S_ISREG(st.st_mode) ? 1 : 0;
        } else if (!S_ISREG(st.st_mode)) {
            skip(path, kindOf(st.st_mode));
        } else if (const auto [first, isNew] = files_.emplace(FileId{st.st_dev, st.st_ino}, path); !isNew) {
            list_.passedOver.append(QStringLiteral("%1: dieselbe Datei wie %2").arg(shown(path), shown(first->second)));
        } else {
            list_.pictures.push_back(path);
        }
    }

    PictureList take() { return std::move(list_); }

private:
    void skip(const fs::path& path, const QString& why) {
        list_.skipped.append(QStringLiteral("%1: %2").arg(shown(path), why));
    }

    void readFolder(const fs::path& folder, FileId id) {
        if (const auto [first, isNew] = folders_.emplace(id, folder); !isNew) {
            list_.passedOver.append(
                QStringLiteral("%1: derselbe Ordner wie %2, schon gelesen").arg(shown(folder), shown(first->second)));
            return;
        }
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            skip(folder, QStringLiteral("Ordner nicht lesbar (%1)").arg(whyNot(errno)));
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return lessIgnoreCase(repairUtf8(a), repairUtf8(b));
        });
        for (const std::string& name : names) visit(folder / name, false);
    }

    const std::atomic<bool>* cancel_;
    PictureList list_;
    std::map<FileId, fs::path> folders_, files_;
};

}  // namespace

bool isPictureName(const fs::path& path) {
    static const std::set<std::string> known = {".jpg", ".jpeg", ".jpe",  ".png",  ".webp", ".bmp", ".gif",
                                                ".svg", ".svgz", ".heic", ".heif", ".hif",  ".avif"};
    return known.count(toLower(path.extension().string())) > 0;
}

QString shown(const fs::path& path) { return QString::fromStdString(repairUtf8(path.string())); }

PictureList walkPictures(const std::vector<fs::path>& inputs, const std::atomic<bool>* cancel) {
    Walker walker(cancel);
    for (const fs::path& input : inputs) walker.visit(input, true);
    return walker.take();
}

}  // namespace quorvia::themes
