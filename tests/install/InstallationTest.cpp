// Where the game keeps its files: the mode decided from the program's own place, and the
// installed game's player themes as the deal and the options dialog meet them.

#include "app/Installation.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "options/OptionsLogic.h"

#include <gtest/gtest.h>

using namespace quorvia;
using Names = std::vector<std::string>;

namespace {

// A disk on which no folder can be written, as for an ordinary user below /usr.
struct ReadOnlyDisk : FileSystem {
    bool canWriteFolder(std::string_view) const override { return false; }
};

const Environment kSession{"/home/ida", "", "", "/run/user/1000", ":1", 1000};

}  // namespace

// The executable's folder with icons/ is the portable game, as long as it can be written;
// data kept apart from the executable, or a folder that cannot be written, is the installed
// game with the player's own settings, themes and one game per user and display.
TEST(Locations, PortableOrInstalledFromTheProgramsOwnPlace) {
    test::TempDir dir;
    dir.mkdir("portable/icons/quorvia");
    dir.mkdir("usr/games");
    dir.mkdir("usr/share/games/quorvia/icons/quorvia");
    const std::string root = dir.path();
    const std::string data = "../share/games/quorvia";
    Environment xdg = kSession;
    xdg.configHome = "/cfg";
    xdg.dataHome = "relative/is/ignored";
    xdg.runtimeDir = "";
    struct Case {
        std::string exe;
        const FileSystem& fs;
        Environment env;
        Locations want;
    } cases[] = {
        {root + "portable/quorvia",
         diskFileSystem(),
         kSession,
         {false, root + "portable/", root + "portable/Quorvia.ini", "", root + "portable/quorvia"}},
        {root + "portable/quorvia",
         ReadOnlyDisk(),
         kSession,
         {true, root + "portable/", "/home/ida/.config/quorvia/Quorvia.ini", "/home/ida/.local/share/quorvia/icons",
          "/run/user/1000/quorvia-1000-:1.lock"}},
        {root + "usr/games/quorvia",
         diskFileSystem(),
         xdg,
         {true, root + "usr/games/" + data + "/", "/cfg/quorvia/Quorvia.ini", "/home/ida/.local/share/quorvia/icons",
          "/tmp/quorvia-1000-:1.lock"}},
        {root + "elsewhere/quorvia",
         diskFileSystem(),
         kSession,
         {false, root + "elsewhere/", root + "elsewhere/Quorvia.ini", "", root + "elsewhere/quorvia"}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.exe);
        const Locations got = decideLocations(t.fs, t.exe, data, t.env);
        EXPECT_EQ(got.installed, t.want.installed);
        EXPECT_EQ(got.programFolder, t.want.programFolder);
        EXPECT_EQ(got.settingsFile, t.want.settingsFile);
        EXPECT_EQ(got.playerIcons, t.want.playerIcons);
        EXPECT_EQ(got.instanceLock, t.want.instanceLock);
        EXPECT_EQ(constantsFor(got).IniFile, t.want.settingsFile);
    }
}

// The player's settings start as a copy of the installed file and are never overwritten by
// it; a portable game is left alone.
TEST(Locations, PlayerSettingsStartFromTheInstalledFile) {
    test::TempDir dir;
    dir.write("data/Quorvia.ini", "[Einstellungen]\r\nRows=4\r\n");
    Locations where{true, dir.path() + "data/", dir.path() + "home/cfg/quorvia/Quorvia.ini", "", ""};
    prepareSettingsFile(diskFileSystem(), where);
    EXPECT_EQ(dir.read("home/cfg/quorvia/Quorvia.ini"), "[Einstellungen]\r\nRows=4\r\n");
    dir.write("home/cfg/quorvia/Quorvia.ini", "mine");
    prepareSettingsFile(diskFileSystem(), where);
    EXPECT_EQ(dir.read("home/cfg/quorvia/Quorvia.ini"), "mine");
    where = {false, dir.path() + "data/", dir.path() + "other/Quorvia.ini", "", ""};
    prepareSettingsFile(diskFileSystem(), where);
    EXPECT_FALSE(dir.exists("other"));
}

// Installed themes and the player's themes together: the options list and the shared covers
// show both, and a player's theme of an installed theme's name is the one dealt.
TEST(PlayerThemes, JoinTheInstalledOnesAndWinByName) {
    test::TempDir dir;
    for (const char* file : {"prog/icons/quorvia/a.ico", "prog/icons/quorvia/b.ico", "prog/icons/quorvia/@.icn",
                             "prog/icons/natur/tiere/t.ico", "prog/icons/@/c1.ico", "home/icons/Quorvia/p.ico",
                             "home/icons/natur/voegel/v.ico", "home/icons/@/c2.icn", "home/icons/meins/m.ico"}) {
        dir.write(file);
    }
    const PlayerThemes fs(diskFileSystem(), dir.path() + "prog/icons", dir.path() + "home/icons");
    const AppConstants c = makeConstants(dir.path() + "prog");
    test::FakePictureLoader loader;
    CoverPictures covers;
    Settings settings{c, fs, loader, covers};
    test::ScriptedRandom random;
    test::FakeClock clock;
    test::NullBoardView view;
    Game game{settings, covers, fs, loader, random, clock, [] {}};
    game.attach(&view);
    settings.startGame = [&] { game.StartGame(); };
    game.Form_Load();

    struct : OptionsView {
        void processEvents() override {}
        void showMessage(const std::string&, const std::string&, MessageIcon) override {}
        void destroyDialog() override {}
    } window;
    OptionsLogic options(settings, game, fs, loader, window);
    options.Form_Load();
    EXPECT_EQ(options.Combo1.items, (Names{"MEINS", "NATUR\\TIERE", "NATUR\\VOEGEL", "QUORVIA"}));
    EXPECT_EQ(options.File1, (Names{"c1.ico", "c2.icn"}));

    for (const auto& [theme, faces] : {std::pair{"meins", Names{"meins/m.ico"}},
                                       {"quorvia", Names{"Quorvia/p.ico"}},
                                       {"natur\\tiere", Names{"natur/tiere/t.ico"}}}) {
        settings.SaveSettings(1, 2, 1, 1, theme, "@");
        EXPECT_EQ(settings.live.ActiveCollection, theme);
        EXPECT_EQ(fs.resolve(game.imgPiece[0].Tag),
                  dir.path() + (theme == std::string("natur\\tiere") ? "prog" : "home") + "/icons/" + faces[0]);
    }
    EXPECT_FALSE(fs.entryExists(c.AppPath + "icons/quorvia/@.icn"));  // the player's quorvia has none
}
