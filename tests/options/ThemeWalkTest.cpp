// The theme walk on real folder trees.

#include "options/ThemeWalk.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace quorvia;
using quorvia::test::TempDir;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

// A walk that counts its event rounds and may clear ScanActive at round `stopAt`.
Names scan(const std::string& iconsFolder, int* rounds = nullptr, int stopAt = 0) {
    int count = 0;
    ThemeWalk* self = nullptr;
    ThemeWalk walk([&] {
        if (++count == stopAt) self->ScanActive = false;
        if (rounds) *rounds = count;
    });
    self = &walk;
    return walk.ScanIconFolders(iconsFolder);
}

std::string tree(const TempDir& dir, const Names& files, const Names& folders = {}) {
    dir.mkdir("icons");
    for (const auto& f : files) dir.write("icons/" + f);
    for (const auto& f : folders) dir.mkdir("icons/" + f);
    return dir.path() + "icons";
}

}  // namespace

// Which folders are themes, and how they are named and ordered.
TEST(ThemeWalk, FindsExactlyTheFoldersThatDirectlyHoldIcoFiles) {
    struct Case {
        Names files, folders, expected;
    };
    const std::vector<Case> cases = {
        {{"quorvia/a.ico", "@/c.ico"}, {"empty"}, {"QUORVIA"}},    // shared covers are no theme
        {{"X/readme.txt", "X/Y/a.ico"}, {}, {"X\\Y"}},             // icons below do not count
        {{"covers/@.icn", "covers/b.ICN"}, {}, {}},                // .icn does not count
        {{"a.ico"}, {}, {}},                                       // the icons folder itself
        {{"b/1.ico", "A/1.ico", "c/1.ico"}, {}, {"A", "B", "C"}},  // sorted without case
        {{"@/1.ico", "@/Z/1.ico"}, {}, {"@\\Z"}},                  // below the shared covers
        {{"a/@/1.ico"}, {}, {"A\\@"}},                             // only the top "@" is left out
        {{"Natur/Tiere/1.ICO", "Natur/x/y.Ico"}, {}, {"NATUR\\TIERE", "NATUR\\X"}},
        {{}, {"t/x.ico"}, {}},                    // a folder named like an icon
        {{"t/.a.ico", ".hidden/1.ico"}, {}, {}},  // hidden entries
        {{"outer/1.ico", "outer/inner/1.ico"}, {}, {"OUTER", "OUTER\\INNER"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files.empty() ? c.folders[0] : c.files[0]);
        TempDir dir;
        EXPECT_EQ(scan(tree(dir, c.files, c.folders)), c.expected);
    }
    TempDir missing;
    EXPECT_EQ(scan(missing.path() + "icons"), Names{});
}

// Events are let through once per visited folder; clearing ScanActive meanwhile ends the
// visit that notices it and its parent's, while the folders further up stop descending
// but are still tested for icons.
TEST(ThemeWalk, ProcessesEventsOncePerFolderAndStopsWhenAsked) {
    TempDir dir;
    // Visiting order: the icons folder, G, G\P, G\P\S, then A (last name first).
    const std::string icons = tree(dir, {"A/1.ico", "G/1.ico", "G/P/1.ico", "G/P/S/1.ico"});
    int rounds = 0;
    EXPECT_EQ(scan(icons, &rounds), (Names{"A", "G", "G\\P", "G\\P\\S"}));
    EXPECT_EQ(rounds, 5);
    EXPECT_EQ(scan(icons, &rounds, 4), Names{"G"});  // S stopped: P is no theme, G is
    EXPECT_EQ(rounds, 4);
    EXPECT_EQ(scan(icons, &rounds, 3), Names{});  // P stopped: the icons folder takes no more
}

// Links to folders are followed, but no folder is visited twice, so a link back to a
// parent cannot make the walk endless.
TEST(ThemeWalk, SymbolicLinkLoopsAndDuplicatesAreVisitedOnce) {
    TempDir dir;
    const std::string icons = tree(dir, {"quorvia/1.ico"}, {"loop"});
    dir.write("outside/theme/1.ico");
    fs::create_directory_symlink("..", icons + "/loop/up");
    fs::create_directory_symlink(".", icons + "/loop/self");
    fs::create_directory_symlink("quorvia", icons + "/alias");
    fs::create_directory_symlink(dir.path() + "outside/theme", icons + "/linked");
    fs::create_symlink("nowhere", icons + "/dangling");
    int rounds = 0;
    EXPECT_EQ(scan(icons, &rounds), (Names{"LINKED", "QUORVIA"}));
    EXPECT_EQ(rounds, 4);  // the icons folder, quorvia, loop, linked
}

// A folder that cannot be entered ends the visit of the folder listing it (no theme there,
// no further subfolders) while its parent goes on; an unreadable icons folder gives nothing.
TEST(ThemeWalk, UnreadableFolderEndsTheVisitOfItsParent) {
    TempDir dir;
    const std::string icons = tree(dir, {"Z/1.ico", "A/1.ico", "A/B/1.ico", "A/C/1.ico", "A/D/1.ico"});
    const auto everyone = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                          fs::perms::others_read | fs::perms::others_exec;
    for (const char* d : {"", "icons", "icons/Z", "icons/A", "icons/A/B", "icons/A/D"}) {
        fs::permissions(dir.path() + d, everyone);
    }
    // Root may open any folder: the walk runs with an ordinary user's rights.
    auto asOrdinaryUser = [&](const std::function<void()>& body) {
        const bool switched = ::geteuid() == 0 && ::seteuid(65534) == 0;
        body();
        if (switched) (void)::seteuid(0);
    };
    bool reachable = false;
    asOrdinaryUser([&] { reachable = ::faccessat(AT_FDCWD, icons.c_str(), R_OK | X_OK, AT_EACCESS) == 0; });
    if (!reachable) GTEST_SKIP() << "the temporary folder is closed to an ordinary user";

    fs::permissions(icons + "/A/C", fs::perms::none);
    Names found, none;
    int rounds = 0;
    asOrdinaryUser([&] { found = scan(icons, &rounds); });
    fs::permissions(icons + "/A/C", fs::perms::owner_all);
    fs::permissions(icons, fs::perms::none);
    asOrdinaryUser([&] { none = scan(icons); });
    fs::permissions(icons, fs::perms::owner_all);

    EXPECT_EQ(found, (Names{"A\\D", "Z"}));  // neither A nor A\B
    EXPECT_EQ(rounds, 4);                    // the icons folder, Z, A, A\D
    EXPECT_EQ(none, Names{});
}

// A tree 3000 levels deep: no stack overflow on a small stack, few open folders, and the
// one theme at the bottom named through every level.
TEST(ThemeWalk, DeepTreeNeedsNeitherDeepStackNorManyDescriptors) {
    constexpr int kLevels = 3000;
    TempDir dir;
    const std::string base = dir.path();
    // Built from the bottom up with short paths: the full path is far beyond PATH_MAX.
    dir.write("t/1.ico");
    for (int level = 1; level < kLevels; ++level) {
        fs::create_directory(base + "n");
        fs::rename(base + "t", base + "n/d");
        fs::rename(base + "n", base + "t");
    }
    fs::create_directory(base + "icons");
    fs::rename(base + "t", base + "icons/d");
    struct Dismantle {
        std::string base;
        ~Dismantle() {
            std::error_code ec;
            while (fs::exists(base + "icons/d/d", ec)) {
                fs::rename(base + "icons/d/d", base + "x", ec);
                fs::remove(base + "icons/d", ec);
                fs::rename(base + "x", base + "icons/d", ec);
            }
        }
    } dismantle{base};

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit tight = before;
    tight.rlim_cur = 160;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    Names found;
    int rounds = 0;
    std::function<void()> body = [&] { found = scan(base + "icons", &rounds); };
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);  // a walk recursing per level would overflow it
    pthread_t thread;
    const auto run = [](void* f) -> void* { return (*static_cast<std::function<void()>*>(f))(), nullptr; };
    const int started = pthread_create(&thread, &attr, run, &body);
    if (started == 0) pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    ::setrlimit(RLIMIT_NOFILE, &before);
    ASSERT_EQ(started, 0);

    std::string expected = "D";
    for (int level = 1; level < kLevels; ++level) expected += "\\D";
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0] == expected) << found[0].size() << " characters: " << found[0].substr(0, 40);
    EXPECT_EQ(rounds, kLevels + 1);
}

// Names are bytes: one that is no valid UTF-8 keeps those bytes, its letters in upper case.
TEST(ThemeWalk, NamesThatAreNotUtf8SurviveUnchanged) {
    TempDir dir;
    EXPECT_EQ(scan(tree(dir, {"ab\xff\xc3(/1.ico", "zz/1.ico"})), (Names{"AB\xff\xc3(", "ZZ"}));
}
