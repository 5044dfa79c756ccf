#pragma once
// The game's view of the file system (a port, so tests can inject failures).
//
// Paths are texts built by plain concatenation; both '/' and '\' separate levels, so a
// nested theme name "natur\tiere" appended to the icons folder names a folder two levels
// down. Every lookup resolves the path one level at a time without regard to case (an
// exact match first, then the first case-insensitive match in name order), so a theme
// stored as "QUORVIA" finds the folder "quorvia" and "*.ICO" finds "apple.ico". A name on
// disk that is not valid UTF-8 is matched as Windows-1252 text.
//
// Listings are sorted by name without regard to case, skip hidden entries (names starting
// with a dot) and report a folder that cannot be read as empty.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvia {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The on-disk path of `path`, or nothing when some level of it does not exist.
    virtual std::optional<std::string> resolve(std::string_view path) const;

    // A directory-inclusive lookup: true for a folder or any file of that name.
    bool entryExists(std::string_view path) const;
    bool isDirectory(std::string_view path) const;
    bool isRegularFile(std::string_view path) const;

    // True exactly when `path` is a regular file (after following links) that can be opened
    // for reading now. Opens and closes it; reads nothing. Anything else (a folder, a FIFO, a
    // device, a socket) is never opened, so the test cannot block or touch a device.
    virtual bool canOpenForReading(std::string_view path) const;

    // Names (not paths) of the ordinary files in `dir` whose names match one of the
    // ';'-separated wildcard patterns ("*.ico;*.icn"), case-insensitively.
    virtual std::vector<std::string> listFiles(std::string_view dir, std::string_view patterns) const;

    // The whole content of a regular file, or nothing when it cannot be read, is no regular
    // file (never opened then, as above) or holds more than `maxBytes`.
    virtual std::optional<std::string> readFile(std::string_view path, std::size_t maxBytes = SIZE_MAX) const;

    // Replaces (or creates) the file in one step: a temporary file beside it is written,
    // flushed and renamed over it, so a crash or a full disk leaves the old file whole.
    // Where the path is a symbolic link, the file it leads to is replaced and the link stays.
    // An unresolvable folder, or one that cannot be written, gives false; so does an existing
    // file without any write permission bit: the player has write-protected it, and it stays
    // as it is whoever runs the program (root included).
    virtual bool writeFileAtomically(std::string_view path, std::string_view content) const;

    // The folders on disk that make up the folder `path`, the one that wins first: one
    // here, more where a file system lays folders over each other. Empty when it is missing.
    virtual std::vector<std::string> layers(std::string_view dir) const;

    // True when new files can be made in the folder `path` now.
    virtual bool canWriteFolder(std::string_view path) const;

    // Makes the folder and any missing folders above it; true when it exists afterwards.
    virtual bool makeFolders(std::string_view path) const;

    // The path that `path` should be written to: its existing spelling when it exists,
    // otherwise its resolved folder plus the last level as given.
    std::optional<std::string> resolveForWriting(std::string_view path) const;
};

// Wildcard match ('*' and '?') without regard to case, against one or more ';'-separated
// patterns.
bool matchesPattern(std::string_view name, std::string_view patterns);

// Removes what writers killed midway left in `folder`: every file or folder whose name is
// `prefix` followed by the id of a process that no longer exists (the writer's own).
void sweepStaleWorkFiles(const std::string& folder, std::string_view prefix);

// True when `path` is an absolute path of a folder (links followed) that belongs to `owner`
// and that nobody else may write into: no one else can put a file into it or swap one.
bool isPrivateFolder(const std::string& path, unsigned owner);

// Makes the absolute folder `path` and the missing ones above it, each for its owner alone
// (mode 0700); true when `path` is then a private folder of `owner`'s.
bool makePrivateFolder(const std::string& path, unsigned owner);

// The folder part of a path on disk: "." when there is none, "/" for the root.
std::string folderOf(const std::string& path);

// The process-wide real file system.
FileSystem& diskFileSystem();

}  // namespace quorvia
