#include "app/FileSystem.h"

#include "app/Text.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quorvia {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> splitLevels(std::string_view path) {
    std::vector<std::string> parts;
    std::string cur;
    for (const char c : path) {
        if (isSeparator(c)) {
            if (!cur.empty()) parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) parts.push_back(std::move(cur));
    return parts;
}

bool statOk(const std::string& p, struct stat& st) { return ::stat(p.c_str(), &st) == 0; }

// Opens a regular file for reading; -1 for anything else, which is never opened (a FIFO
// would block, a device would be read). Non-blocking, should it be swapped meanwhile.
int openRegularFile(const std::string& p) {
    struct stat st = {};
    if (!statOk(p, st) || !S_ISREG(st.st_mode)) return -1;
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Calls `visit(name, type)` for each entry of a folder but "." and "..", with the type the
// listing reports (DT_UNKNOWN where the file system does not say). Nothing when the folder
// cannot be read. Plain readdir: the theme folders are listed at every deal, and this is a
// fraction of the cost of std::filesystem's per-entry path objects.
template <typename Visit>
void forEachEntry(const std::string& dir, Visit visit) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        visit(name, e->d_type);
    }
    ::closedir(d);
}

// All entry names of a folder, unsorted; empty when it cannot be read.
std::vector<std::string> rawEntryNames(const std::string& dir) {
    std::vector<std::string> names;
    forEachEntry(dir, [&](std::string_view name, unsigned char) { names.emplace_back(name); });
    return names;
}

// Sorts names the way listings show them: without regard to case, then by bytes. The
// lower-case keys are made once per name, not once per comparison.
void sortNames(std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& n : names) keyed.emplace_back(toLower(n), std::move(n));
    std::sort(keyed.begin(), keyed.end());
    for (std::size_t i = 0; i < keyed.size(); ++i) names[i] = std::move(keyed[i].second);
}

// The entry of `dir` that matches `level` without regard to case; of several, the first in
// name order. A name on disk that is not valid UTF-8 is read as Windows-1252, so the file
// "\xE4pfel.ico" answers to "äpfel.ico", the spelling a settings file gives back.
std::optional<std::string> findIgnoringCase(const std::string& dir, const std::string& level) {
    const std::string wanted = toLower(repairUtf8(level));
    std::optional<std::string> best;
    for (std::string& name : rawEntryNames(dir)) {
        // Case mapping keeps the byte length, so only valid names of the same length can match.
        if ((name.size() != wanted.size() && isValidUtf8(name)) || toLower(repairUtf8(name)) != wanted) continue;
        if (!best || lessIgnoreCase(name, *best)) best = std::move(name);
    }
    return best;
}

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool globMatch(std::string_view name, std::string_view pat) {
    // Iterative wildcard match with backtracking on the last '*'.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == '?' || pat[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

}  // namespace

bool matchesPattern(std::string_view name, std::string_view patterns) {
    const std::string lname = toLower(name);
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string_view::npos) end = patterns.size();
        const std::string pat = toLower(patterns.substr(start, end - start));
        if (!pat.empty() && globMatch(lname, pat)) return true;
        start = end + 1;
    }
    return false;
}

std::optional<std::string> FileSystem::resolve(std::string_view path) const {
    if (path.empty()) return std::nullopt;
    std::string cur = isSeparator(path.front()) ? "/" : "";
    for (const std::string& level : splitLevels(path)) {
        if (level == "." || level == "..") {
            cur = join(cur, level);
            continue;
        }
        std::string exact = join(cur, level);
        struct stat st = {};
        if (::lstat(exact.c_str(), &st) == 0) {
            cur = std::move(exact);
            continue;
        }
        const auto name = findIgnoringCase(cur.empty() ? "." : cur, level);
        if (!name) return std::nullopt;
        cur = join(cur, *name);
    }
    if (cur.empty()) return std::nullopt;
    return cur;
}

std::optional<std::string> FileSystem::resolveForWriting(std::string_view path) const {
    if (path.empty()) return std::nullopt;
    if (auto existing = resolve(path)) return existing;
    std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string_view::npos) return std::string(path);
    const std::string_view leaf = path.substr(cut + 1);
    if (leaf.empty()) return std::nullopt;
    const std::string_view dir = path.substr(0, cut + 1);
    auto rdir = resolve(dir);
    if (!rdir) return std::nullopt;
    return join(*rdir, std::string(leaf));
}

bool FileSystem::entryExists(std::string_view path) const { return resolve(path).has_value(); }

bool FileSystem::isDirectory(std::string_view path) const {
    const auto p = resolve(path);
    struct stat st = {};
    return p && statOk(*p, st) && S_ISDIR(st.st_mode);
}

bool FileSystem::isRegularFile(std::string_view path) const {
    const auto p = resolve(path);
    struct stat st = {};
    return p && statOk(*p, st) && S_ISREG(st.st_mode);
}

bool FileSystem::canOpenForReading(std::string_view path) const {
    const auto p = resolve(path);
    const int fd = p ? openRegularFile(*p) : -1;
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::vector<std::string> FileSystem::listFiles(std::string_view dir, std::string_view patterns) const {
    std::vector<std::string> out;
    const auto d = resolve(dir);
    if (!d) return out;
    forEachEntry(*d, [&](std::string_view name, unsigned char type) {
        if (name.front() == '.' || !matchesPattern(name, patterns)) return;
        // The entry's type comes with the listing; only links (and file systems that do not
        // report types) need a look at the entry itself.
        struct stat st = {};
        if (type == DT_REG || ((type == DT_LNK || type == DT_UNKNOWN) && statOk(join(*d, std::string(name)), st) &&
                               S_ISREG(st.st_mode))) {
            out.emplace_back(name);
        }
    });
    sortNames(out);
    return out;
}

std::optional<std::string> FileSystem::readFile(std::string_view path, std::size_t maxBytes) const {
    const auto p = resolve(path);
    const int fd = p ? openRegularFile(*p) : -1;
    if (fd < 0) return std::nullopt;
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0 && data.size() + static_cast<std::size_t>(n) <= maxBytes) {
            data.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        ::close(fd);
        // The end of the file; else a read that failed or would pass maxBytes.
        return n == 0 ? std::optional(std::move(data)) : std::nullopt;
    }
}

namespace {

bool writeAll(int fd, std::string_view content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the content into an unnamed file in the target's folder and gives it a temporary
// name only once it is complete: a process killed while writing leaves nothing behind.
// Returns the temporary name, or nothing when the file system has no unnamed files.
std::optional<std::string> writeUnnamed(const std::string& target, std::string_view content, mode_t mode,
                                        bool& failed) {
    const int fd = ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) return std::nullopt;
    bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    std::optional<std::string> name;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; ok && !name && attempt < 100; ++attempt) {
        std::string candidate = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name = std::move(candidate);
        } else if (errno != EEXIST) {
            ok = false;
        }
    }
    ok = (::close(fd) == 0) && ok;
    if (!ok || !name) {
        if (name) ::unlink(name->c_str());
        failed = true;
        return std::nullopt;
    }
    return name;
}

// The file that `path` names once its symbolic links are followed, a link's text read from
// the link's own folder; `path` itself when it is no link. Nothing for a loop of links or a
// chain longer than the system itself follows on opening (40 links), so that what was read
// is what is written.
std::optional<std::string> followLinks(std::string path) {
    for (int followed = 0;; ++followed) {
        struct stat st = {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (followed == 40) return std::nullopt;
        std::string text(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= text.size()) return std::nullopt;
        text.resize(static_cast<std::size_t>(n));
        path = text.front() == '/' ? text : folderOf(path) + "/" + text;
    }
}

// The permissions of a new file: read and write for everyone less what the user's file
// creation mask takes away, as with any program. The mask is read from the process status,
// since asking umask() for it would clear it for a moment under the other threads' feet.
mode_t newFileMode() {
    unsigned int mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[128];
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
    }
    return 0666 & ~static_cast<mode_t>(mask);
}

}  // namespace

bool FileSystem::writeFileAtomically(std::string_view path, std::string_view content) const {
    const auto named = resolveForWriting(path);
    if (!named) return false;
    // A link (as dotfile managers make them) stays a link: the file it leads to is replaced,
    // by a temporary file in that file's folder.
    const auto target = followLinks(*named);
    if (!target) return false;
    // Keep the permissions of a file that already exists.
    mode_t mode = newFileMode();
    struct stat st = {};
    if (statOk(*target, st)) {
        if (S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0) return false;
        mode = st.st_mode & 07777;
    }
    // Temporary files of writers killed between naming their file and renaming it.
    sweepStaleWorkFiles(folderOf(*target), target->substr(target->find_last_of('/') + 1) + ".tmp");
    bool failed = false;
    std::optional<std::string> tmp = writeUnnamed(*target, content, mode, failed);
    if (failed) return false;
    if (!tmp) {
        // No unnamed files here: a named temporary file, removed again on failure.
        std::string name = *target + ".XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return false;
        bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        if (!ok) {
            ::unlink(name.c_str());
            return false;
        }
        tmp = std::move(name);
    }
    if (::rename(tmp->c_str(), target->c_str()) != 0) {
        ::unlink(tmp->c_str());
        return false;
    }
    return true;
}

std::vector<std::string> FileSystem::layers(std::string_view dir) const {
    if (!isDirectory(dir)) return {};
    return {*resolve(dir)};
}

bool FileSystem::canWriteFolder(std::string_view path) const {
    const auto p = resolve(path);
    return p && ::access(p->c_str(), W_OK | X_OK) == 0;
}

bool FileSystem::makeFolders(std::string_view path) const {
    if (isDirectory(path)) return true;
    std::string cur = !path.empty() && isSeparator(path.front()) ? "/" : "";
    for (const std::string& level : splitLevels(path)) {
        cur = join(cur, level);
        if (::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return isDirectory(path);
}

void sweepStaleWorkFiles(const std::string& folder, std::string_view prefix) {
    for (const std::string& name : rawEntryNames(folder)) {
        if (name.rfind(prefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::error_code ec;
            std::filesystem::remove_all(folder + "/" + name, ec);  // never follows a link
        }
    }
}

bool isPrivateFolder(const std::string& path, unsigned owner) {
    struct stat st = {};
    return !path.empty() && path.front() == '/' && statOk(path, st) && S_ISDIR(st.st_mode) && st.st_uid == owner &&
           (st.st_mode & 022) == 0;
}

bool makePrivateFolder(const std::string& path, unsigned owner) {
    if (path.empty() || path.front() != '/') return false;
    std::string cur;
    for (const std::string& level : splitLevels(path)) {
        cur += "/" + level;
        if (::mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return isPrivateFolder(path, owner);
}

std::string folderOf(const std::string& path) {
    const auto cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

FileSystem& diskFileSystem() {
    static FileSystem instance;
    return instance;
}

}  // namespace quorvia
