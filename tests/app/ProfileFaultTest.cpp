// The settings file under faults: a writer killed at random moments always leaves a file
// that reads back as either the old or the new value, never a torn, empty or mixed file.
// A complete temporary file may be left only by a kill between its naming and its rename,
// and the next write clears it away.

#include "app/ProfileFile.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

namespace quorvia::test {
namespace {

TEST(ProfileFault, KilledWriterLeavesOldOrNew) {
    TempDir dir;
    const std::string file = dir.path() + "Quorvia.ini";
    const std::string a(4000, 'A'), b(4000, 'B');
    const std::string head = "; keep me\r\n[Einstellungen]\r\nRows=5\r\n";
    const std::string tail = "[Other]\r\nX=1\r\n";
    dir.write("Quorvia.ini", head + "CoverIcon=" + a + "\r\n" + tail);

    std::mt19937 rng(4711);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 100; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i)
                WriteIniValue(diskFileSystem(), "Einstellungen", "CoverIcon", i % 2 ? a : b, file);
        }
        ::usleep(std::uniform_int_distribution<int>(0, 20000)(rng));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const std::string bytes = dir.read("Quorvia.ini");
        const std::string value = ReadIniValue(diskFileSystem(), "Einstellungen", "CoverIcon", file);
        ASSERT_TRUE(value == a.substr(0, 2047) || value == b.substr(0, 2047)) << "round " << round;
        const std::string& full = value[0] == 'A' ? a : b;
        ASSERT_EQ(bytes, head + "CoverIcon=" + full + "\r\n" + tail) << "round " << round;
        (value[0] == 'A' ? sawA : sawB)++;
        int strays = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename() == "Quorvia.ini") continue;
            ++strays;
            const std::string stray = dir.read(entry.path().filename().string());
            ASSERT_TRUE(stray == head + "CoverIcon=" + a + "\r\n" + tail ||
                        stray == head + "CoverIcon=" + b + "\r\n" + tail)
                << "a torn temporary file in round " << round;
        }
        ASSERT_LE(strays, 1);
    }
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    WriteIniValue(diskFileSystem(), "Einstellungen", "Rows", "6", file);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "Quorvia.ini") << "the next write clears what a killed writer left";
    }
}

}  // namespace
}  // namespace quorvia::test
