#pragma once
// The six user settings: the file they live in, the live values a game runs with, and the
// values the options dialog hands over.
//
// Two sources, one switch: until the first confirmed options dialog of a run, every game
// start reads the settings file; from then on the dialog values govern, whatever happens to
// the file afterwards.

#include "app/FileSystem.h"
#include "app/Numbers.h"
#include "app/Picture.h"
#include "app/Startup.h"

#include <functional>
#include <string>

namespace quorvia {

inline constexpr const char* kSection = "Einstellungen";

// The settings file's six keys, in the order they are written.
enum class SettingKey { Rows, Cols, RemovePairs, AutoCover, Collection, CoverIcon };
inline constexpr SettingKey kSettingKeys[] = {SettingKey::Rows,      SettingKey::Cols,       SettingKey::RemovePairs,
                                              SettingKey::AutoCover, SettingKey::Collection, SettingKey::CoverIcon};

// A key's name in the file.
const char* settingName(SettingKey key);

// What a key stands for where the file has no text for it, and what restore-defaults
// writes: 5 x 8 cards, found pairs leave, unequal pairs turn back by themselves, the
// default theme with its own cover.
std::string settingDefault(const AppConstants& c, SettingKey key);

struct LiveSettings {
    Int16 BoardRows = 0;
    Int16 BoardCols = 0;
    Int16 RemovePairs = 0;  // 1: found pairs leave the board
    Int16 AutoCover = 0;    // 1: unequal pairs turn back by themselves
    std::string ActiveCollection;
    std::string CoverIcon;      // "@" for the theme's own cover, else a file in CoverFolder
    std::string CoverIconFile;  // full path of the cover the last reload tried
    std::string BoardSizeKey;   // decimal text of rows x columns
};

struct DialogValues {
    Int16 DialogRows = 0;
    Int16 DialogCols = 0;
    Int16 DialogRemovePairs = 0;
    Int16 DialogAutoCover = 0;
    std::string DialogCollection;  // empty until the first OK of the run
    std::string DialogCoverIcon;
};

// The board window's two card backs.
struct CoverPictures {
    Picture CoverImage;  // the current card back
    Picture DefCover;    // the built-in one
};

// The stored text of a key, or its default when the key is missing or empty.
std::string ReadSetting(const FileSystem& fs, const AppConstants& c, SettingKey key);

class Settings {
public:
    Settings(const AppConstants& constants, const FileSystem& fs, PictureLoader& loader, CoverPictures& covers)
        : c_(constants), fs_(fs), loader_(loader), covers_(covers) {}

    LiveSettings live;
    DialogValues dialog;

    // Starts a new game; set by whoever owns the board.
    std::function<void()> startGame;

    std::string ReadSetting(SettingKey key) const { return quorvia::ReadSetting(fs_, c_, key); }

    // Writes all six keys, then starts a new game.
    void SaveSettings(Int16 rows, Int16 cols, Int16 removePairs, Int16 autoCover, const std::string& collection,
                      const std::string& coverIcon);

    // Sets the live settings and the card back for the next game.
    void ReloadSettings();

    // The board menu's restore-defaults command: writes every key's default, then starts a
    // new game.
    void mnuStand_Click();

    const AppConstants& constants() const { return c_; }

private:
    const AppConstants& c_;
    const FileSystem& fs_;
    PictureLoader& loader_;
    CoverPictures& covers_;
};

}  // namespace quorvia
