#include "app/Startup.h"

#include "app/Installation.h"
#include "app/Settings.h"
#include "app/Theme.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>

namespace quorvia {

void AddBackslash(std::string& path) {
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path.push_back('/');
}

AppConstants makeConstants(std::string executableFolder) {
    AppConstants c;
    AddBackslash(executableFolder);
    c.AppPath = std::move(executableFolder);
    c.AppTitle = "Oskel's Quorvia";
    c.IniFile = c.AppPath + kSettingsFileName;
    c.CoverFolder = theme::folderOf(c, theme::kSharedCovers) + "/";
    c.DefaultCollection = theme::kDefaultName;
    c.ThemeCoverFile = std::string("/") + theme::kOwnCoverFile;
    return c;
}

bool FileExists(const FileSystem& fs, const std::string& path) {
    if (path.empty()) return false;
    return fs.canOpenForReading(path);
}

namespace {

// The player's lock file in its private folder, made when missing; -1 for anything that is
// not a regular file of the player's in a private folder of the player's.
int openPlayersLockFile(const std::string& path, unsigned owner) {
    if (!makePrivateFolder(folderOf(path), owner)) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    struct stat st = {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != owner)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

InstanceGuard::InstanceGuard(const std::string& lockFile, std::optional<unsigned> owner, LockCall lock) {
    if (!lockFile.empty()) {
        fd_ = owner ? openPlayersLockFile(lockFile, *owner) : ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd_ < 0) {
        // Without a file to lock there is nothing to compare with: let this one run.
        acquired_ = true;
        return;
    }
    acquired_ = (lock ? lock : ::flock)(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0) ::close(fd_);
}

bool themeCheck(const FileSystem& fs, const AppConstants& c) {
    const std::string theme = ReadSetting(fs, c, SettingKey::Collection);
    if (fs.entryExists(theme::folderOf(c, theme))) return true;
    return fs.entryExists(theme::folderOf(c, theme::kDefaultName));
}

std::uint64_t SeededRandom::clockSeed() {
    const auto t = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return static_cast<std::uint64_t>(t) ^ (static_cast<std::uint64_t>(::getpid()) << 32);
}

float SeededRandom::next() {
    // 24 random bits give every float of the form k / 2^24 in [0, 1) with equal chance.
    return static_cast<float>(engine_() >> 40) * (1.0f / 16777216.0f);
}

double SteadyClock::now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace quorvia
