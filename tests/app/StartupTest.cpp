#include "app/Settings.h"
#include "app/Startup.h"

#include <cstdlib>
#include <stdexcept>

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <functional>

namespace quorvia::test {
namespace {

// A folder text ends in exactly one separator afterwards.
TEST(Startup, AddBackslash) {
    const struct {
        std::string in, out;
    } cases[] = {{"a", "a/"}, {"a/", "a/"}, {"a\\", "a\\"}, {"", "/"}, {"/", "/"}, {"/opt/q", "/opt/q/"}};
    for (const auto& c : cases) {
        std::string path = c.in;
        AddBackslash(path);
        EXPECT_EQ(path, c.out) << c.in;
    }
}

// Every constant hangs off the program folder with exactly one separator between.
TEST(Startup, MakeConstants) {
    for (const std::string folder : {"/opt/q", "/opt/q/"}) {
        const AppConstants c = makeConstants(folder);
        EXPECT_EQ(c.AppPath, "/opt/q/");
        EXPECT_EQ(c.AppTitle, "Oskel's Quorvia");
        EXPECT_EQ(c.IniFile, "/opt/q/Quorvia.ini");
        EXPECT_EQ(c.CoverFolder, "/opt/q/icons/@/");
        EXPECT_EQ(c.DefaultCollection, "quorvia");
        EXPECT_EQ(c.ThemeCoverFile, "/@.icn");
    }
    const AppConstants root = makeConstants("/");
    EXPECT_EQ(root.AppPath, "/");
    EXPECT_EQ(root.IniFile, "/Quorvia.ini");
}

// FileExists holds for files that open, whatever their size or spelling, and for nothing else.
TEST(Startup, FileExists) {
    TempDir dir;
    dir.write("Zero.icn");
    dir.write("icons/a.ico", "x");
    const FileSystem fs;
    EXPECT_TRUE(FileExists(fs, dir.path() + "zero.ICN"));
    EXPECT_TRUE(FileExists(fs, dir.path() + "ICONS/a.ico"));
    EXPECT_FALSE(FileExists(fs, dir.path() + "icons"));
    EXPECT_FALSE(FileExists(fs, dir.path() + "icons/b.ico"));
    EXPECT_FALSE(FileExists(fs, ""));
}

// The start-up theme check passes with the configured theme or the default one, and fails
// without either.
TEST(Startup, ThemeCheck) {
    const struct {
        const char* folder;  // nullptr: no theme folder at all
        const char* collection;
        bool ok;
    } cases[] = {
        {"icons/zahlen", "zahlen", true}, {"icons/Zahlen", "ZAHLEN", true}, {"icons/quorvia", "zahlen", true},
        {"icons/quorvia", nullptr, true}, {"icons/natur", "zahlen", false}, {nullptr, nullptr, false},
    };
    for (const auto& k : cases) {
        TempDir dir;
        if (k.folder) dir.mkdir(k.folder);
        if (k.collection) {
            dir.write("Quorvia.ini", std::string("[Einstellungen]\nCollection=") + k.collection + "\n");
        }
        EXPECT_EQ(themeCheck(FileSystem(), makeConstants(dir.path())), k.ok) << (k.folder ? k.folder : "-");
    }
}

// Runs `body` in a child process and hands back its exit code.
int exitCodeOfChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int tryGuard(const std::string& path) { return InstanceGuard(path).acquired() ? 1 : 0; }

// While one process holds the guard another is refused; once it lets go the next one wins.
TEST(Startup, InstanceGuardRefusesASecondProcess) {
    TempDir dir;
    const std::string exe = dir.write("quorvia", "program");
    {
        const InstanceGuard first(exe);
        ASSERT_TRUE(first.acquired());
        EXPECT_EQ(exitCodeOfChild([&] { return tryGuard(exe); }), 0);
    }
    EXPECT_EQ(exitCodeOfChild([&] { return tryGuard(exe); }), 1);
}

// The guard dies with the process holding it, even though that process never releases it.
TEST(Startup, InstanceGuardIsFreedWhenTheHolderEnds) {
    TempDir dir;
    const std::string exe = dir.write("quorvia", "program");
    std::array<int, 2> held{}, quit{};
    ASSERT_EQ(::pipe(held.data()), 0);
    ASSERT_EQ(::pipe(quit.data()), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const InstanceGuard guard(exe);
        const char state = guard.acquired() ? 'y' : 'n';
        char c = 0;
        if (::write(held[1], &state, 1) != 1 || ::read(quit[0], &c, 1) < 0) ::_exit(2);
        ::_exit(0);  // ends without running the guard's destructor
    }
    char state = 0;
    ASSERT_EQ(::read(held[0], &state, 1), 1);
    EXPECT_EQ(state, 'y');
    EXPECT_FALSE(InstanceGuard(exe).acquired());
    ASSERT_EQ(::write(quit[1], "q", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(InstanceGuard(exe).acquired());
    for (const int fd : {held[0], held[1], quit[0], quit[1]}) ::close(fd);
}

// Taking the guard writes nothing: the program file keeps its content and modification time.
TEST(Startup, InstanceGuardWritesNothing) {
    TempDir dir;
    const std::string exe = dir.write("quorvia", "program");
    struct stat before {};
    ASSERT_EQ(::stat(exe.c_str(), &before), 0);
    ::usleep(20000);
    {
        const InstanceGuard guard(exe);
        EXPECT_TRUE(guard.acquired());
    }
    struct stat after {};
    ASSERT_EQ(::stat(exe.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(dir.read("quorvia"), "program");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// The generator draws from [0, 1), evenly, and differently for different seeds.
TEST(Startup, SeededRandomIsUniformInTheUnitInterval) {
    SeededRandom random(12345);
    std::array<int, 10> buckets{};
    for (int i = 0; i < 100000; ++i) {
        const float v = random.next();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        ++buckets[static_cast<std::size_t>(v * 10)];
    }
    for (const int count : buckets) {
        EXPECT_GT(count, 9000);
        EXPECT_LT(count, 11000);
    }
    SeededRandom a(1), b(2), again(1);
    int same = 0;
    for (int i = 0; i < 20; ++i) {
        const float va = a.next();
        same += va == b.next();
        EXPECT_EQ(va, again.next());
    }
    EXPECT_LT(same, 3);
}

}  // namespace
}  // namespace quorvia::test
