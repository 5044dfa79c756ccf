#include "app/Settings.h"

#include "app/Failure.h"
#include "app/ProfileFile.h"
#include "app/Text.h"
#include "app/Theme.h"

namespace quorvia {

const char* settingName(SettingKey key) {
    static constexpr const char* kNames[] = {"Rows", "Cols", "RemovePairs", "AutoCover", "Collection", "CoverIcon"};
    return kNames[static_cast<int>(key)];
}

std::string settingDefault(const AppConstants& c, SettingKey key) {
    static constexpr const char* kDefaults[] = {"5", "8", "1", "1", nullptr, theme::kOwnCover};
    return key == SettingKey::Collection ? c.DefaultCollection : kDefaults[static_cast<int>(key)];
}

std::string ReadSetting(const FileSystem& fs, const AppConstants& c, SettingKey key) {
    std::string value = ReadIniValue(fs, kSection, settingName(key), c.IniFile);
    if (value.empty()) return settingDefault(c, key);
    return value;
}

void Settings::SaveSettings(Int16 rows, Int16 cols, Int16 removePairs, Int16 autoCover, const std::string& collection,
                            const std::string& coverIcon) {
    // Each write stands alone: a failing one (read-only folder) is simply not looked at.
    const std::string values[] = {decimal(rows),      decimal(cols), decimal(removePairs),
                                  decimal(autoCover), collection,    coverIcon};
    for (const SettingKey key : kSettingKeys) {
        WriteIniValue(fs_, kSection, settingName(key), values[static_cast<int>(key)], c_.IniFile);
    }
    if (startGame) startGame();
}

void Settings::mnuStand_Click() {
    for (const SettingKey key : kSettingKeys)
        WriteIniValue(fs_, kSection, settingName(key), settingDefault(c_, key), c_.IniFile);
    if (startGame) startGame();
}

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
        attempt([&] { live.BoardRows = textToInt16(ReadSetting(SettingKey::Rows)); });
        attempt([&] { live.BoardCols = textToInt16(ReadSetting(SettingKey::Cols)); });
        attempt([&] { live.RemovePairs = textToInt16(ReadSetting(SettingKey::RemovePairs)); });
        attempt([&] { live.AutoCover = textToInt16(ReadSetting(SettingKey::AutoCover)); });
        theme = ReadSetting(SettingKey::Collection);
        live.CoverIcon = ReadSetting(SettingKey::CoverIcon);
    }

    if (fs_.entryExists(theme::folderOf(c_, theme))) {
        live.ActiveCollection = theme;
    } else {
        live.ActiveCollection = c_.DefaultCollection;
        theme = c_.DefaultCollection;
        WriteIniValue(fs_, kSection, settingName(SettingKey::Collection), c_.DefaultCollection, c_.IniFile);
    }

    live.CoverIconFile = theme::coverFile(c_, theme, live.CoverIcon);
    // The game's rule: a missing card back file gives the built-in back; a file that is not
    // a loadable picture leaves the card back as it was.
    if (FileExists(fs_, live.CoverIconFile)) {
        if (auto picture = loader_.load(live.CoverIconFile)) covers_.CoverImage = std::move(*picture);
    } else {
        covers_.CoverImage = covers_.DefCover;
    }

    attempt([&] { live.BoardSizeKey = decimal(toInt16(static_cast<long long>(live.BoardRows) * live.BoardCols)); });
}

}  // namespace quorvia
