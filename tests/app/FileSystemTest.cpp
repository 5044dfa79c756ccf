#include "app/FileSystem.h"

#include <cstdlib>
#include <stdexcept>

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>

namespace quorvia::test {
namespace {

namespace stdfs = std::filesystem;

std::vector<std::string> entriesOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : stdfs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every level of a path resolves without regard to case, '\' separating levels too.
TEST(FileSystem, ResolvesLevelByLevelIgnoringCase) {
    TempDir dir;
    const std::string apple = dir.write("icons/quorvia/Apple.ICO", "x");
    dir.mkdir("icons/natur/tiere");
    const FileSystem fs;
    const std::string root = dir.path();

    EXPECT_EQ(fs.resolve(root + "ICONS/QUORVIA/apple.ico"), apple);
    EXPECT_EQ(fs.resolve(root + "icons\\Natur\\TIERE"), root + "icons/natur/tiere");
    EXPECT_EQ(fs.resolve(root + "icons/natur\\tiere"), root + "icons/natur/tiere");
    EXPECT_EQ(fs.resolve(root + "icons/quorvia/pear.ico"), std::nullopt);
    EXPECT_EQ(fs.resolve(root + "icons/quorvia/Apple.ICO/x"), std::nullopt);  // a file has no levels below
    EXPECT_EQ(fs.resolve(""), std::nullopt);
}

// An exact spelling wins over a case-insensitive one; among the others the name order decides.
TEST(FileSystem, ExactSpellingComesFirst) {
    TempDir dir;
    dir.write("Card.ico", "upper");
    dir.write("card.ico", "lower");
    dir.write("CARD.ico", "caps");
    const FileSystem fs;
    EXPECT_EQ(fs.readFile(dir.path() + "card.ico"), "lower");
    EXPECT_EQ(fs.readFile(dir.path() + "Card.ico"), "upper");
    EXPECT_EQ(fs.readFile(dir.path() + "cArD.ICO"), "caps");  // "CARD" sorts before "Card" and "card"
}

// Existence is directory-inclusive, readability is not: only files that open count.
TEST(FileSystem, EntryExistsAndCanOpenForReading) {
    TempDir dir;
    dir.write("empty.ini");
    dir.write("Sub/file.txt", "a");
    const FileSystem fs;
    const struct {
        std::string path;
        bool exists, readable, isDir, isFile;
    } cases[] = {
        {dir.path() + "EMPTY.INI", true, true, false, true},
        {dir.path() + "sub", true, false, true, false},
        {dir.path() + "sub/FILE.txt", true, true, false, true},
        {dir.path() + "missing.ini", false, false, false, false},
        {dir.path() + "sub/missing/file.txt", false, false, false, false},
        {"", false, false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs.entryExists(c.path), c.exists) << c.path;
        EXPECT_EQ(fs.canOpenForReading(c.path), c.readable) << c.path;
        EXPECT_EQ(fs.isDirectory(c.path), c.isDir) << c.path;
        EXPECT_EQ(fs.isRegularFile(c.path), c.isFile) << c.path;
    }
    EXPECT_EQ(fs.readFile(dir.path() + "sub"), std::nullopt);
    EXPECT_EQ(fs.readFile(dir.path() + "empty.ini"), "");
}

// File listings hold matching ordinary files only, sorted without regard to case.
TEST(FileSystem, ListFilesFiltersAndSorts) {
    TempDir dir;
    for (const char* name : {"b.ico", "A.ICO", "c.Icn", ".hidden.ico", "d.txt", "e.ico.bak", "@.icn"}) {
        dir.write(std::string("Theme/") + name);
    }
    dir.mkdir("theme/folder.ico");
    const FileSystem fs;
    const std::string theme = dir.path() + "THEME";
    EXPECT_EQ(fs.listFiles(theme, "*.ICO"), (std::vector<std::string>{"A.ICO", "b.ico"}));
    EXPECT_EQ(fs.listFiles(theme, "*.ico;*.icn"), (std::vector<std::string>{"@.icn", "A.ICO", "b.ico", "c.Icn"}));
    EXPECT_EQ(fs.listFiles(theme, "?.txt"), (std::vector<std::string>{"d.txt"}));
    EXPECT_EQ(fs.listFiles(theme, ""), (std::vector<std::string>{}));
    EXPECT_TRUE(fs.listFiles(dir.path() + "nowhere", "*.*").empty());
    EXPECT_TRUE(matchesPattern("x.ICN", "*.bmp;*.icn"));
    EXPECT_FALSE(matchesPattern("x.icon", "*.ico"));
}

// Subfolder listings hold folders only (linked ones too), sorted, hidden ones left out.
TEST(FileSystem, ListSubdirectories) {
    TempDir dir;
    for (const char* name : {"icons/zahlen", "icons/Natur", "icons/quorvia", "icons/.git", "icons/@"}) {
        dir.mkdir(name);
    }
    dir.write("icons/readme.txt");
    stdfs::create_directory_symlink(dir.path() + "icons/zahlen", dir.path() + "icons/Linked");
    const FileSystem fs;
    EXPECT_EQ(fs.listSubdirectories(dir.path() + "Icons"),
              (std::vector<std::string>{"@", "Linked", "Natur", "quorvia", "zahlen"}));
    EXPECT_TRUE(fs.listSubdirectories(dir.path() + "none").empty());
}

// An atomic write replaces the content, keeps the permission bits and leaves nothing else.
TEST(FileSystem, WriteFileAtomicallyReplacesInPlace) {
    TempDir dir;
    const std::string file = dir.write("sub/Quorvia.ini", "old content that is longer");
    stdfs::permissions(file, stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read);
    const FileSystem fs;

    ASSERT_TRUE(fs.writeFileAtomically(dir.path() + "SUB/quorvia.INI", "new"));
    EXPECT_EQ(dir.read("sub/Quorvia.ini"), "new");
    EXPECT_EQ(stdfs::status(file).permissions() & stdfs::perms::mask,
              stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read);
    ASSERT_TRUE(fs.writeFileAtomically(dir.path() + "Sub/fresh.ini", ""));
    EXPECT_EQ(entriesOf(dir.path() + "sub"), (std::vector<std::string>{"Quorvia.ini", "fresh.ini"}));
}

// A write that cannot happen gives false and leaves whatever was there.
TEST(FileSystem, WriteFileAtomicallyFailsCleanly) {
    TempDir dir;
    dir.write("plain.txt", "plain");
    dir.mkdir("folder.ini");
    const FileSystem fs;
    EXPECT_FALSE(fs.writeFileAtomically(dir.path() + "missing/x.ini", "x"));
    EXPECT_FALSE(fs.writeFileAtomically(dir.path() + "plain.txt/x.ini", "x"));
    EXPECT_FALSE(fs.writeFileAtomically(dir.path() + "folder.ini", "x"));
    EXPECT_TRUE(stdfs::is_directory(dir.path() + "folder.ini"));
    EXPECT_EQ(dir.read("plain.txt"), "plain");
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"folder.ini", "plain.txt"}));
}

// A disk that fills up half-way (a file size limit, which binds root too) leaves the old file
// whole and no temporary file behind.
TEST(FileSystem, WriteFileAtomicallyKeepsTheOldFileWhenTheDiskIsFull) {
    TempDir dir;
    const std::string old(100, 'o');
    dir.write("Quorvia.ini", old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool ok = FileSystem().writeFileAtomically(dir.path() + "Quorvia.ini", std::string(4096, 'n'));
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write reported success";
    EXPECT_EQ(dir.read("Quorvia.ini"), old);
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"Quorvia.ini"}));
}

}  // namespace
}  // namespace quorvia::test
