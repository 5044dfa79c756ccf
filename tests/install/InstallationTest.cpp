// Where the game keeps its files: the mode decided from the program's own place, and the
// installed game's player themes as the deal and the options dialog meet them.

#include "app/Installation.h"
#include "board/BoardFixture.h"

#include <gtest/gtest.h>

using namespace quorvia;
using Names = std::vector<std::string>;

// A disk on which no folder can be written, as for an ordinary user below /usr.
struct ReadOnlyDisk : FileSystem {
    bool canWriteFolder(std::string_view) const override { return false; }
};

static std::string describe(const Locations& l) {
    return (l.installed ? "installed " : "portable ") + l.programFolder + " " + constantsFor(l).IniFile + " " +
           l.playerIcons + " " + l.instanceLock;
}

// The executable's folder with icons/ is the portable game, as long as it can be written;
// data kept apart from the executable, or a folder that cannot be written, is the installed
// game with the player's own settings, themes and one game per user and display. A relative
// XDG folder is ignored.
TEST(Locations, PortableOrInstalledFromTheProgramsOwnPlace) {
    test::TempDir dir;
    dir.mkdir("p/icons/quorvia");
    dir.mkdir("usr/games");
    dir.mkdir("usr/share/games/quorvia/icons/quorvia");
    const std::string r = dir.path(), data = "../share/games/quorvia";
    const Environment session{"/home/ida", "", "", "/run/user/1000", ":1", 1000};
    const Environment xdg{"/home/ida", "/cfg", "relative", "", ":1", 1000};
    const std::string player = " /home/ida/.config/quorvia/Quorvia.ini /home/ida/.local/share/quorvia/icons ";
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "p/quorvia", data, session)),
              "portable " + r + "p/ " + r + "p/Quorvia.ini  " + r + "p/quorvia");
    EXPECT_EQ(describe(decideLocations(ReadOnlyDisk(), r + "p/quorvia", data, session)),
              "installed " + r + "p/" + player + "/run/user/1000/quorvia-1000-:1.lock");
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "usr/games/quorvia", data, xdg)),
              "installed " + r + "usr/games/" + data +
                  "/ /cfg/quorvia/Quorvia.ini /home/ida/.local/share/quorvia/icons "
                  "/tmp/quorvia-1000-:1.lock");
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "x/quorvia", data, session)),
              "portable " + r + "x/ " + r + "x/Quorvia.ini  " + r + "x/quorvia");
}

// The player's settings start as a copy of the installed file and are never overwritten by
// it; a portable game is left alone.
TEST(Locations, PlayerSettingsStartFromTheInstalledFile) {
    test::TempDir dir;
    dir.write("data/Quorvia.ini", "[Einstellungen]\r\nRows=4\r\n");
    const Locations where{true, dir.path() + "data/", dir.path() + "cfg/quorvia/Quorvia.ini", "", ""};
    for (const char* expected : {"[Einstellungen]\r\nRows=4\r\n", "mine"}) {
        prepareSettingsFile(diskFileSystem(), where);
        EXPECT_EQ(dir.read("cfg/quorvia/Quorvia.ini"), expected);
        dir.write("cfg/quorvia/Quorvia.ini", "mine");
    }
    prepareSettingsFile(diskFileSystem(), {false, dir.path() + "data/", dir.path() + "other/Quorvia.ini", "", ""});
    EXPECT_FALSE(dir.exists("other"));
}

// Installed themes and the player's themes together: the options list and the shared covers
// show both, and a player's theme of an installed theme's name is the one dealt.
TEST(PlayerThemes, JoinTheInstalledOnesAndWinByName) {
    test::TempDir dir;
    for (const char* file : {"icons/quorvia/a.ico", "icons/quorvia/@.icn", "icons/natur/tiere/t.ico", "icons/@/c1.ico",
                             "home/Quorvia/p.ico", "home/natur/voegel/v.ico", "home/@/c2.icn", "home/meins/m.ico"}) {
        dir.write(file);
    }
    const PlayerThemes fs(diskFileSystem(), dir.path() + "icons", dir.path() + "home");
    test::Board board;
    const AppConstants c = makeConstants(dir.path());
    Settings settings{c, fs, board.loader, board.covers};
    Game game{settings, board.covers, fs, board.loader, board.random, board.clock, [] {}};
    game.attach(&board.view);
    settings.startGame = [&] { game.StartGame(); };
    game.Form_Load();

    test::NullOptionsView window;
    OptionsLogic options(settings, game, fs, board.loader, window);
    options.Form_Load();
    EXPECT_EQ(options.Combo1.items, (Names{"MEINS", "NATUR\\TIERE", "NATUR\\VOEGEL", "QUORVIA"}));
    EXPECT_EQ(options.File1, (Names{"c1.ico", "c2.icn"}));
    for (const auto& [theme, face] : {std::pair{"meins", "home/meins/m.ico"},
                                      {"quorvia", "home/Quorvia/p.ico"},
                                      {"natur\\tiere", "icons/natur/tiere/t.ico"}}) {
        settings.SaveSettings(1, 2, 1, 1, theme, "@");
        EXPECT_EQ(settings.live.ActiveCollection, theme);
        EXPECT_EQ(fs.resolve(game.imgPiece[0].Tag), dir.path() + face);
    }
    EXPECT_FALSE(fs.entryExists(c.AppPath + "icons/quorvia/@.icn"));  // the player's quorvia has none
}
