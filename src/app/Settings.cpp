#include "app/Settings.h"

#include "app/Failure.h"
#include "app/ProfileFile.h"
#include "app/Text.h"

namespace quorvia {

std::string ReadSetting(const FileSystem& fs, const AppConstants& c, std::string_view key, std::string_view def) {
    std::string value = ReadIniValue(fs, kSection, key, c.IniFile);
    if (value.empty()) return std::string(def);
    return value;
}

void Settings::SaveSettings(Int16 rows, Int16 cols, Int16 removePairs, Int16 autoCover, const std::string& collection,
                            const std::string& coverIcon) {
    // Each write stands alone: a failing one (read-only folder) is simply not looked at.
    WriteIniValue(fs_, kSection, "Rows", decimal(rows), c_.IniFile);
    WriteIniValue(fs_, kSection, "Cols", decimal(cols), c_.IniFile);
    WriteIniValue(fs_, kSection, "RemovePairs", decimal(removePairs), c_.IniFile);
    WriteIniValue(fs_, kSection, "AutoCover", decimal(autoCover), c_.IniFile);
    WriteIniValue(fs_, kSection, "Collection", collection, c_.IniFile);
    WriteIniValue(fs_, kSection, "CoverIcon", coverIcon, c_.IniFile);
    if (startGame) startGame();
}

void Settings::mnuStand_Click() { SaveSettings(5, 8, 1, 1, c_.DefaultCollection, "@"); }

void Settings::ReloadSettings() {
    // Every step stands alone: a value that does not fit 16 bits leaves its setting as it was.
    std::string theme;
    if (!dialog.DialogCollection.empty()) {
        live.BoardRows = dialog.DialogRows;
        live.BoardCols = dialog.DialogCols;
        live.RemovePairs = dialog.DialogRemovePairs;
        live.AutoCover = dialog.DialogAutoCover;
        theme = dialog.DialogCollection;
        live.CoverIcon = dialog.DialogCoverIcon;
    } else {
        attempt([&] { live.BoardRows = textToInt16(ReadSetting("Rows", "5")); });
        attempt([&] { live.BoardCols = textToInt16(ReadSetting("Cols", "8")); });
        attempt([&] { live.RemovePairs = textToInt16(ReadSetting("RemovePairs", "1")); });
        attempt([&] { live.AutoCover = textToInt16(ReadSetting("AutoCover", "1")); });
        theme = ReadSetting("Collection", c_.DefaultCollection);
        live.CoverIcon = ReadSetting("CoverIcon", "@");
    }

    if (fs_.entryExists(c_.AppPath + "icons/" + theme)) {
        live.ActiveCollection = theme;
    } else {
        live.ActiveCollection = c_.DefaultCollection;
        theme = c_.DefaultCollection;
        WriteIniValue(fs_, kSection, "Collection", c_.DefaultCollection, c_.IniFile);
    }

    if (live.CoverIcon != "@") {
        live.CoverIconFile = c_.CoverFolder + live.CoverIcon;
    } else {
        live.CoverIconFile = c_.AppPath + "icons/" + toLower(theme) + c_.ThemeCoverFile;
    }

    if (FileExists(fs_, live.CoverIconFile)) {
        // A file that is not a loadable picture leaves the card back as it was.
        if (auto picture = loader_.load(live.CoverIconFile)) covers_.CoverImage = std::move(*picture);
    } else {
        covers_.CoverImage = covers_.DefCover;
    }

    attempt([&] { live.BoardSizeKey = decimal(toInt16(static_cast<long long>(live.BoardRows) * live.BoardCols)); });
}

}  // namespace quorvia
