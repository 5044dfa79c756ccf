// Where the game keeps its files: the mode decided from the program's own place, and the
// installed game's player themes as the deal and the options dialog meet them.

#include "app/Installation.h"
#include "board/BoardFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

using namespace quorvia;
using Names = std::vector<std::string>;

// A disk on which no folder can be written, as for an ordinary user below /usr.
struct ReadOnlyDisk : FileSystem {
    bool canWriteFolder(std::string_view) const override { return false; }
};

static std::string describe(const Locations& l) {
    return (l.installed ? "installed " : "portable ") + l.programFolder + " " + constantsFor(l).IniFile + " " +
           themesFolderFor(l) + " " + l.instanceLock;
}

// The executable's folder with icons/ is the portable game, as long as it can be written;
// data kept apart from the executable, or a folder that cannot be written, is the installed
// game with the player's own settings, themes and one game per user and display. A relative
// XDG folder is ignored. New themes go to the player's themes, else to the program's.
TEST(Locations, PortableOrInstalledFromTheProgramsOwnPlace) {
    test::TempDir dir;
    dir.mkdir("p/icons/quorvia");
    dir.mkdir("usr/games");
    dir.mkdir("usr/share/games/quorvia/icons/quorvia");
    const std::string r = dir.path(), data = "../share/games/quorvia", run = dir.mkdir("run");
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    Environment session, xdg;
    session.home = xdg.home = "/home/ida", session.display = xdg.display = ":1";
    session.runtimeDir = run, session.uid = ::getuid();
    xdg.configHome = "/cfg", xdg.dataHome = "relative", xdg.host = "h", xdg.uid = 1000;
    const std::string player = " /home/ida/.config/quorvia/Quorvia.ini /home/ida/.local/share/quorvia/icons ";
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "p/quorvia", data, session)),
              "portable " + r + "p/ " + r + "p/Quorvia.ini " + r + "p/icons " + r + "p/quorvia");
    EXPECT_EQ(describe(decideLocations(ReadOnlyDisk(), r + "p/quorvia", data, session)),
              "installed " + r + "p/" + player + run + "/quorvia-" + std::to_string(::getuid()) + "-:1.lock");
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "usr/games/quorvia", data, xdg)),
              "installed " + r + "usr/games/" + data +
                  "/ /cfg/quorvia/Quorvia.ini /home/ida/.local/share/quorvia/icons "
                  "/home/ida/.local/state/quorvia/instance-h-:1.lock");
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "x/quorvia", data, session)),
              "portable " + r + "x/ " + r + "x/Quorvia.ini " + r + "x/icons " + r + "x/quorvia");
    const std::string shared = r + "usr/games/" + data + "/";
    EXPECT_EQ(describe(decideLocations(diskFileSystem(), r + "usr/games/quorvia", data, Environment())),
              "installed " + shared + "  " + shared + "icons ");
}

static std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto p = text.find(from); !from.empty() && p != std::string::npos; p = text.find(from, p + to.size())) {
        text.replace(p, from.size(), to);
    }
    return text;
}

// The installed game's places whatever the session left out and whatever others put into
// shared folders: a relative or missing HOME gives way to the password database's home (none
// at all: no settings file, no themes folder, no lock); a relative XDG_* folder is ignored. The
// lock lies only in a private folder of the player's: a runtime folder that others may write or
// that is not the player's is passed over, and /tmp is never used. A start is never held up:
// what sits at the lock's name and is not the player's own file (a FIFO, a link) is not used
// and the game runs unguarded, a link leading nowhere new. Otherwise a second start is refused.
TEST(Locations, LockAndHomeWhateverOthersPutInSharedPlaces) {
    test::TempDir dir;
    dir.mkdir("usr/games");
    dir.mkdir("usr/share/games/quorvia/icons/quorvia");
    const std::string display = ":t" + std::to_string(::getpid()), me = std::to_string(::getuid());
    const std::string mine = "~h/.config/quorvia/Quorvia.ini ~h/.local/share/quorvia/icons ";
    const std::string pw = "~pw/.config/quorvia/Quorvia.ini ~pw/.local/share/quorvia/icons ";
    const std::string state = "~h/.local/state/quorvia/instance-h-D.lock";
    // HOME, the password database's home, XDG_RUNTIME_DIR, XDG_STATE_HOME, the uid (how far
    // from the real one); what another user made (a FIFO, a link, a file they keep locked, a folder all
    // may write) and where ("~" a folder of the case's own, "~shared" one all may write, D the
    // display); the settings file, themes folder, lock file and what a first and second start do
    struct Case {
        std::string home, account, runtime, stateHome;
        unsigned uid;
        std::string made, at, expected;
    };
    // clang-format off
    const Case cases[] = {
        {"~h", "", "", "relative", 0, "locked", "/tmp/quorvia-U-D.lock", mine + state + " guarded"},
        {"~h", "", "", "", 0, "fifo", "/tmp/quorvia-U-D.lock", mine + state + " guarded"},
        {"~h", "", "", "", 0, "link", "/tmp/quorvia-U-D.lock", mine + state + " guarded"},
        {"~h", "", "~shared", "", 0, "fifo", "~shared/quorvia-U-D.lock", mine + state + " guarded"},
        {"~h", "", "~run", "", 1, "", "", mine + state + " unguarded"},
        {"~h", "", "", "", 0, "fifo", state, mine + state + " unguarded"},
        {"~h", "", "", "", 0, "link", state, mine + state + " unguarded"},
        {"~h", "", "", "~st", 0, "open", "~st/quorvia", mine + "~st/quorvia/instance-h-D.lock unguarded"},
        {"h", "~pw", "", "", 0, "", "", pw + "~pw/.local/state/quorvia/instance-h-D.lock guarded"},
        {"", "~pw", "~run", "", 0, "", "", pw + "~run/quorvia-U-D.lock guarded"},
        {"", "", "", "", 0, "", "", "   unguarded"}};
    // clang-format on
    for (const Case& c : cases) {
        test::TempDir folder;
        const auto at = [&](const std::string& text) {
            const std::string own = replaced(text, "~", folder.path());
            return replaced(replaced(own, "-D.", "-" + display + "."), "-U-", "-" + me + "-");
        };
        std::filesystem::permissions(folder.mkdir("run"), std::filesystem::perms::owner_all);
        std::filesystem::permissions(folder.mkdir("shared"), std::filesystem::perms(01777));
        const std::string hostile = at(c.at), victim = folder.path() + "victim";
        if (!hostile.empty()) std::filesystem::create_directories(std::filesystem::path(hostile).parent_path());
        const int held = c.made == "locked" ? ::open(hostile.c_str(), O_RDONLY | O_CREAT, 0644) : -1;
        if (held >= 0) ::flock(held, LOCK_EX);
        if (c.made == "fifo") ::mkfifo(hostile.c_str(), 0644);
        if (c.made == "link") std::filesystem::create_symlink(victim, hostile);
        if (c.made == "open") std::filesystem::create_directories(hostile);
        if (c.made == "open") std::filesystem::permissions(hostile, std::filesystem::perms::all);

        Environment env;
        env.home = at(c.home), env.accountHome = at(c.account), env.stateHome = at(c.stateHome);
        env.runtimeDir = at(c.runtime), env.display = display, env.host = "h", env.uid = ::getuid() + c.uid;
        const Locations where =
            decideLocations(diskFileSystem(), dir.path() + "usr/games/quorvia", "../share/games/quorvia", env);
        ::alarm(20);  // a start held up at the lock ends the test with the alarm
        std::string outcome;
        {
            const InstanceGuard first(where.instanceLock, where.lockOwner), second(where.instanceLock, where.lockOwner);
            outcome = !first.acquired() ? "refused" : second.acquired() ? "unguarded" : "guarded";
        }
        ::alarm(0);
        outcome = where.settingsFile + " " + where.playerIcons + " " + where.instanceLock + " " + outcome +
                  (std::filesystem::exists(victim) ? " (made the link's file)" : "");
        EXPECT_EQ(outcome, at(c.expected)) << c.made << " at " << c.at;
        if (held >= 0) ::close(held);
        if (c.at.starts_with("/tmp")) ::unlink(hostile.c_str());
    }

    // A relative HOME in the running process gives way to the password database's home.
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "relative", 1);
    EXPECT_EQ(Environment::ofThisProcess().accountHome, ::getpwuid(::getuid())->pw_dir);
    if (::geteuid() == 0) {  // a user the database does not know has no home there either
        const pid_t child = ::fork();
        if (child == 0) ::_exit(::setuid(54321) == 0 && Environment::ofThisProcess().accountHome.empty() ? 0 : 1);
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    }
    ::setenv("HOME", home.c_str(), 1);
}

// The player's settings start as a copy of the installed file and are never overwritten by
// it; a portable game is left alone.
TEST(Locations, PlayerSettingsStartFromTheInstalledFile) {
    test::TempDir dir;
    dir.write("data/Quorvia.ini", "[Einstellungen]\r\nRows=4\r\n");
    const Locations where{true, dir.path() + "data/", dir.path() + "cfg/quorvia/Quorvia.ini", "", "", {}};
    for (const char* expected : {"[Einstellungen]\r\nRows=4\r\n", "mine"}) {
        prepareSettingsFile(diskFileSystem(), where);
        EXPECT_EQ(dir.read("cfg/quorvia/Quorvia.ini"), expected);
        dir.write("cfg/quorvia/Quorvia.ini", "mine");
    }
    prepareSettingsFile(diskFileSystem(), {false, dir.path() + "data/", dir.path() + "other/Quorvia.ini", "", "", {}});
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
