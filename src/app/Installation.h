#pragma once
// Where the game keeps its files. It lives on a machine in one of two ways:
//
// - Portable: the executable's folder holds `icons/` and may be written (the build tree, or
//   a copied folder with the executable and `icons/`). Everything lives there: the settings
//   file `Quorvia.ini` beside the executable, the themes below `icons/`, and one running
//   game per executable.
// - Installed: the program's data lives apart from the executable (an installation puts it
//   at the executable's folder + `installedData`), or the folder holding `icons/` cannot be
//   written. The settings are then the player's own, `$XDG_CONFIG_HOME/quorvia/Quorvia.ini`
//   (default `~/.config/quorvia/`), started from a copy of an installed `Quorvia.ini`; the
//   player's themes in `$XDG_DATA_HOME/quorvia/icons/` (default `~/.local/share/quorvia/`)
//   join the installed ones, a player's theme winning over an installed one of the same
//   name; and one game runs per user and display.
//
// The home folder `~` is $HOME when that is an absolute path, else the one the password
// database gives the user; a relative XDG_* folder is ignored, as the base-directory rules
// say. Without any home the player has no settings file and no themes folder of their own.
//
// The installed game's lock lies in `$XDG_RUNTIME_DIR` when that is a private folder of the
// player's (see isPrivateFolder), else in `$XDG_STATE_HOME/quorvia/` (default
// `~/.local/state/quorvia/`, private to the player), its name holding the host too, as a
// home may be shared between machines. Never in a folder others may write, such as /tmp.
//
// Only this file decides; the rest of the game sees the outcome as its constants (AppPath,
// IniFile) and through the file-system port (PlayerThemes below).

#include "app/FileSystem.h"
#include "app/Startup.h"

#include <string>

namespace quorvia {

// The settings file's name: beside a portable game's executable, in the player's config
// folder, and, installed, the file a player's settings start as a copy of.
inline constexpr const char* kSettingsFileName = "Quorvia.ini";

// What the process was given by its session.
struct Environment {
    std::string home;         // $HOME
    std::string accountHome;  // the password database's home of `uid`, read where $HOME is not absolute
    std::string configHome, dataHome, stateHome, runtimeDir;  // the XDG_* folders
    std::string display;                                      // $DISPLAY, else $WAYLAND_DISPLAY
    std::string host;                                         // the machine's name
    unsigned uid = 0;

    static Environment ofThisProcess();
};

struct Locations {
    bool installed = false;
    std::string programFolder;          // holds `icons/` (and, installed, a `Quorvia.ini` to start from)
    std::string settingsFile;           // empty for an installed game without a home
    std::string playerIcons;            // the player's themes folder; empty when portable or without a home
    std::string instanceLock;           // the file whose lock keeps a second game from starting
    std::optional<unsigned> lockOwner;  // installed: the player, whose private folder holds the lock
};

// The running executable's own path; empty when it cannot be read.
std::string executablePath();

Locations decideLocations(const FileSystem& fs, const std::string& executablePath, const std::string& installedData,
                          const Environment& env);

// The constants for these locations.
AppConstants constantsFor(const Locations& where);

// Where new themes go, made by quorvia-theme or by a drop on the board: the player's themes
// folder where the game is installed and the player has a home, else the program's icons
// folder (installed, unwritable: the maker then says it cannot write there).
std::string themesFolderFor(const Locations& where);

// Installed: makes the folder of the player's settings file and, when the player has none
// yet, starts it as a copy of the installed one. Nothing happens for a portable game.
void prepareSettingsFile(const FileSystem& fs, const Locations& where);

// The file system as the installed game sees it: below the program's icons folder, the
// player's themes folder is laid over the installed one.
// - A folder the player has comes from the player's folder, else from the installed one;
//   folder listings show the subfolders of both.
// - A theme the player has (a folder of the player's with .ico files in it) hides the
//   installed theme's files of that name; the shared covers (`@`) of both are listed.
class PlayerThemes : public FileSystem {
public:
    PlayerThemes(const FileSystem& disk, std::string programIcons, std::string playerIcons);

    std::optional<std::string> resolve(std::string_view path) const override;
    std::vector<std::string> listFiles(std::string_view dir, std::string_view patterns) const override;
    std::vector<std::string> layers(std::string_view dir) const override;

private:
    // The part of `path` below the program's icons folder, without a leading separator;
    // nothing when the path lies elsewhere.
    std::optional<std::string> below(std::string_view path) const;
    bool playerHasTheme(const std::string& folder) const;

    const FileSystem& disk_;
    std::string programIcons_;
    std::string playerIcons_;
};

}  // namespace quorvia
