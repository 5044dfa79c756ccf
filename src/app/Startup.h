#pragma once
// Start-up: the application constants, FileExists, the single-instance guard and the
// random generator. The Qt entry point (main.cpp) strings these together.

#include "app/FileSystem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace quorvia {

struct AppConstants {
    std::string AppPath;            // the executable's folder, ending in one separator
    std::string AppTitle;           // title of the message boxes
    std::string IniFile;            // the settings file
    std::string CoverFolder;        // folder of the shared cover icons
    std::string DefaultCollection;  // name of the default icon theme
    std::string ThemeCoverFile;     // appended to a theme folder: the theme's own cover
};

// Appends one separator unless the text already ends in one ('/' on this platform; a '\'
// counts as a separator too). An empty text becomes "/".
void AddBackslash(std::string& path);

// The constants for a program living in `executableFolder`.
AppConstants makeConstants(std::string executableFolder);

// True exactly when the file can be opened for reading now; false for an empty path, a
// missing file or a folder. Never fails.
bool FileExists(const FileSystem& fs, const std::string& path);

// The single-instance rule: the first process to hold the guard's lock wins; the lock
// disappears with the process. A portable game locks its executable file itself, so no
// file is created or touched; an installed one, a lock file of the player's. Only a lock held by
// another process refuses the guard; where locking itself fails (a file system without
// locks) there is nothing to compare with, and the program runs as if unguarded.
//
// The player's lock file lies in a private folder (see makePrivateFolder), made when missing.
// Nothing another user could have put there is used: a folder that is not the player's own
// or that others may write, and a lock file that is a link, no regular file or not the
// player's, leave the program unguarded; the file is opened without following a link and
// without waiting, so a FIFO in its place never blocks the start.
class InstanceGuard {
public:
    // `lockFile` is the executable itself (no `owner`), or the lock file of the player
    // `owner`, made when missing; an empty path guards nothing. `lock` is flock(2); a test
    // may hand in a file system's failing one.
    using LockCall = int (*)(int fd, int operation);
    explicit InstanceGuard(const std::string& lockFile, std::optional<unsigned> owner = std::nullopt,
                           LockCall lock = nullptr);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // False when another running process already holds the guard.
    bool acquired() const { return acquired_; }

private:
    int fd_ = -1;
    bool acquired_ = false;
};

// The theme check of the start-up: true when the configured theme's folder or the default
// theme's folder exists (a directory-inclusive lookup below AppPath + "icons").
bool themeCheck(const FileSystem& fs, const AppConstants& c);

// The program's one random generator: uniform single-precision numbers in [0, 1).
class Random {
public:
    virtual ~Random() = default;
    virtual float next() = 0;
};

class SeededRandom : public Random {
public:
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    // Seeded once from the clock, so two runs deal differently.
    static std::uint64_t clockSeed();
    float next() override;

private:
    std::mt19937_64 engine_;
};

// A monotonic clock in seconds, with fractions.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() = 0;
};

class SteadyClock : public Clock {
public:
    double now() override;
};

}  // namespace quorvia
