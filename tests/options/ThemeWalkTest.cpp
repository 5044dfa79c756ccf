// The theme walk on real folder trees.

#include "app/ThemeWalk.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#include <filesystem>
#include <functional>

using namespace quorvia;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

static int rounds = 0;  // event rounds of the last walk

static Names scan(const std::string& icons) {
    rounds = 0;
    return ThemeWalk([] { ++rounds; }).ScanIconFolders(icons);
}

// An icons folder holding `entries` (a trailing '/' makes a folder, anything else a file).
static std::string tree(const test::TempDir& dir, const Names& entries) {
    dir.mkdir("icons");
    for (const std::string& e : entries) e.back() == '/' ? dir.mkdir("icons/" + e) : dir.write("icons/" + e);
    return dir.path() + "icons";
}

// Which folders are themes, and how they are named and ordered.
TEST(ThemeWalk, FindsExactlyTheFoldersThatDirectlyHoldIcoFiles) {
    const std::vector<std::pair<Names, Names>> cases = {
        {{"quorvia/a.ico", "@/c.ico", "empty/"}, {"QUORVIA"}},  // the shared covers are no theme
        {{"X/readme.txt", "X/Y/a.ico"}, {"X\\Y"}},              // icons further down do not count
        {{"covers/@.icn", "covers/b.ICN"}, {}},                 // neither does .icn
        {{"a.ico"}, {}},                                        // the icons folder itself
        {{"b/1.ico", "A/1.ico", "c/1.ico"}, {"A", "B", "C"}},   // sorted without regard to case
        {{"Natur/1.ico", "natur/2.ico"}, {"NATUR"}},            // names that differ in case only once
        {{"@/1.ico", "@/Z/1.ico"}, {"@\\Z"}},                   // below the shared covers
        // Themes inside themes; only the top "@" is left out.
        {{"Natur/1.ICO", "Natur/Tiere/1.Ico", "a/@/1.ico"}, {"A\\@", "NATUR", "NATUR\\TIERE"}},
        {{"t/x.ico/", "t/.a.ico", ".hidden/1.ico"}, {}},  // a folder named like an icon, hidden entries
        {{"s/a", "s/ico", "s/xico"}, {}},                 // names too short for ".ico"
        {{"ab\xff\xc3(/1.ico"}, {"AB\xff\xc3("}},         // names are bytes, not UTF-8
    };
    for (const auto& [entries, expected] : cases) {
        test::TempDir dir;
        EXPECT_EQ(scan(tree(dir, entries)), expected) << entries[0];
    }
    EXPECT_EQ(scan(test::TempDir().path() + "icons"), Names{});  // no icons folder at all
}

// Links to folders are followed, but no folder is visited twice, so a link back to a
// parent cannot make the walk endless; a folder reached twice keeps the name first in name
// order; events are let through once per visited folder.
TEST(ThemeWalk, SymbolicLinkLoopsAndDuplicatesAreVisitedOnce) {
    test::TempDir dir;
    const std::string icons = tree(dir, {"quorvia/1.ico", "loop/"});
    dir.write("outside/theme/1.ico");
    fs::create_directory_symlink("..", icons + "/loop/up");
    fs::create_directory_symlink("quorvia", icons + "/standard");
    fs::create_directory_symlink(dir.path() + "outside/theme", icons + "/linked");
    fs::create_symlink("nowhere", icons + "/dangling");
    EXPECT_EQ(scan(icons), (Names{"LINKED", "QUORVIA"}));
    EXPECT_EQ(rounds, 4);  // the icons folder, standard (quorvia), loop, linked
}

// A folder that cannot be entered ends the visit of the folder listing it (no theme there,
// no further subfolders) while its parent goes on.
TEST(ThemeWalk, UnreadableFolderEndsTheVisitOfItsParent) {
    test::TempDir dir;
    const std::string icons = tree(dir, {"Z/1.ico", "A/1.ico", "A/B/1.ico", "A/C/1.ico", "A/D/1.ico"});
    fs::permissions(dir.path(), static_cast<fs::perms>(0755));
    fs::permissions(icons + "/A/C", fs::perms::none);
    // Root may open any folder: the walk runs with an ordinary user's rights.
    const bool switched = ::geteuid() == 0 && ::seteuid(65534) == 0;
    const bool usable = ::geteuid() != 0 && ::faccessat(AT_FDCWD, icons.c_str(), R_OK | X_OK, AT_EACCESS) == 0;
    const Names found = scan(icons);
    if (switched) (void)::seteuid(0);
    fs::permissions(icons + "/A/C", fs::perms::owner_all);
    if (!usable) GTEST_SKIP() << "no ordinary user may enter the temporary folder";
    EXPECT_EQ(found, (Names{"A\\D", "Z"}));  // neither A nor A\B
    EXPECT_EQ(rounds, 4);                    // the icons folder, Z, A, A\D
}

// A walk stopped from outside (the flag cleared while events are let through) ends the visit
// that notices it and its parent's, with no theme there; the folders above are still tested.
TEST(ThemeWalk, StoppedWalkEndsTheVisitThatNoticesAndItsParent) {
    test::TempDir dir;
    const std::string icons = tree(dir, {"Z/1.ico", "A/1.ico", "A/B/1.ico", "A/B/C/1.ico"});
    int round = 0;
    ThemeWalk walk([&] { walk.ScanActive = ++round != 5; });  // cleared on entering A\B\C
    EXPECT_EQ(walk.ScanIconFolders(icons), (Names{"A", "Z"}));
}

// A tree 3000 levels deep, its full path far beyond PATH_MAX: no stack overflow on a small
// stack, few open folders, the theme at the bottom named through every level, and a theme
// beside the deep branch found from a folder that had to be opened again.
TEST(ThemeWalk, DeepTreeNeedsNeitherDeepStackNorManyDescriptors) {
    constexpr int kLevels = 3000;
    test::TempDir dir;
    const std::string base = dir.path();
    // Built from the bottom up with short paths only.
    dir.write("icons/d/1.ico");
    for (int level = 1; level < kLevels; ++level) {
        fs::rename(base + "icons/d", base + "d");
        fs::create_directory(base + "icons/d");
        fs::rename(base + "d", base + "icons/d/d");
    }
    std::string branch = "icons";  // a second theme 20 levels down, reached after the deep one
    for (int level = 0; level < 20; ++level) branch += "/d";
    dir.write(branch + "/e/1.ico");
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    const rlimit tight{160, before.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &tight);
    Names found;
    std::function<void()> body = [&] { found = scan(base + "icons"); };
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);  // a walk recursing per level would overflow it
    pthread_t thread;
    const auto run = [](void* f) -> void* { return (*static_cast<std::function<void()>*>(f))(), nullptr; };
    if (pthread_create(&thread, &attr, run, &body) == 0) pthread_join(thread, nullptr);
    ::setrlimit(RLIMIT_NOFILE, &before);

    std::string expected = "D";
    for (int level = 1; level < kLevels; ++level) expected += "\\D";
    EXPECT_TRUE(found == (Names{expected, expected.substr(0, 20 * 2 - 1) + "\\E"})) << found.size() << " themes found";
    EXPECT_EQ(rounds, kLevels + 2);
}
