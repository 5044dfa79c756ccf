#include "app/Startup.h"

#include "app/Settings.h"

#include <fcntl.h>
#include <sys/file.h>
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
    c.IniFile = c.AppPath + "Quorvia.ini";
    c.CoverFolder = c.AppPath + "icons/@/";
    c.DefaultCollection = "quorvia";
    c.ThemeCoverFile = "/@.icn";
    return c;
}

bool FileExists(const FileSystem& fs, const std::string& path) {
    if (path.empty()) return false;
    return fs.canOpenForReading(path);
}

InstanceGuard::InstanceGuard(const std::string& lockFile, bool create, LockCall lock) {
    fd_ = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
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
    const std::string theme = ReadSetting(fs, c, "Collection", c.DefaultCollection);
    if (fs.entryExists(c.AppPath + "icons/" + theme)) return true;
    return fs.entryExists(c.AppPath + "icons/quorvia");
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
