#include "app/Settings.h"

#include <cstdlib>
#include <stdexcept>

#include "fakes/Fakes.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

namespace quorvia::test {
namespace {

const char* const kFreshDefaults =
    "[Einstellungen]\r\nRows=5\r\nCols=8\r\nRemovePairs=1\r\nAutoCover=1\r\nCollection=quorvia\r\nCoverIcon=@\r\n";

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : c(makeConstants(dir.path())), settings(c, fs, loader, covers) {
        dir.mkdir("icons/quorvia");
        covers.DefCover = Picture{":DefCover", nullptr};
        settings.startGame = [this] { ++gamesStarted; };
    }
    void ini(const std::string& content) { dir.write("Quorvia.ini", content); }

    TempDir dir;
    AppConstants c;
    FileSystem fs;
    FakePictureLoader loader;
    CoverPictures covers;
    Settings settings;
    int gamesStarted = 0;
};

// A missing or empty key reads as the default, anything else as stored.
TEST_F(SettingsTest, ReadSettingFallsBackToTheDefault) {
    ini("[Einstellungen]\nLeer=\nVoll=7\n[Anders]\nSonst=1\n");
    EXPECT_EQ(settings.ReadSetting("Leer", "d"), "d");
    EXPECT_EQ(settings.ReadSetting("Fehlt", "d"), "d");
    EXPECT_EQ(settings.ReadSetting("Sonst", "d"), "d");
    EXPECT_EQ(settings.ReadSetting("VOLL", "d"), "7");
}

// Without a settings file a reload gives the defaults and creates nothing.
TEST_F(SettingsTest, ReloadWithoutAFileGivesTheDefaults) {
    settings.ReloadSettings();
    const LiveSettings& l = settings.live;
    EXPECT_EQ(l.BoardRows, 5);
    EXPECT_EQ(l.BoardCols, 8);
    EXPECT_EQ(l.RemovePairs, 1);
    EXPECT_EQ(l.AutoCover, 1);
    EXPECT_EQ(l.ActiveCollection, "quorvia");
    EXPECT_EQ(l.CoverIcon, "@");
    EXPECT_EQ(l.CoverIconFile, c.AppPath + "icons/quorvia/@.icn");
    EXPECT_EQ(l.BoardSizeKey, "40");
    EXPECT_EQ(covers.CoverImage, covers.DefCover);
    EXPECT_FALSE(dir.exists("Quorvia.ini"));
}

// A stored number counts by its leading number, rounded half to even.
TEST_F(SettingsTest, ReloadReadsNumbersLikeText) {
    const struct {
        const char* stored;
        int rows;
    } cases[] = {{"", 5}, {"abc", 0}, {"6.5", 6}, {"7.5", 8}, {" 12 cards", 12}, {"-3", -3}, {"\"4\"", 4}};
    for (const auto& k : cases) {
        ini(std::string("[Einstellungen]\r\nRows=") + k.stored + "\r\nCols=6\r\n");
        settings.ReloadSettings();
        EXPECT_EQ(settings.live.BoardRows, k.rows) << k.stored;
        EXPECT_EQ(settings.live.BoardSizeKey, std::to_string(k.rows * 6)) << k.stored;
    }
}

// A value, or a board size, that does not fit 16 bits leaves the previous one in place.
TEST_F(SettingsTest, ReloadKeepsThePreviousValueOnOverflow) {
    ini("[Einstellungen]\nRows=6\nCols=7\n");
    settings.ReloadSettings();
    ini("[Einstellungen]\nRows=40000\nCols=9\nAutoCover=-40000\n");
    settings.ReloadSettings();
    EXPECT_EQ(settings.live.BoardRows, 6);
    EXPECT_EQ(settings.live.BoardCols, 9);
    EXPECT_EQ(settings.live.AutoCover, 1);
    EXPECT_EQ(settings.live.BoardSizeKey, "54");
    ini("[Einstellungen]\nRows=200\nCols=200\n");
    settings.ReloadSettings();
    EXPECT_EQ(settings.live.BoardRows, 200);
    EXPECT_EQ(settings.live.BoardCols, 200);
    EXPECT_EQ(settings.live.BoardSizeKey, "54");
}

// A theme whose folder is gone falls back to the default and the file is corrected in place.
TEST_F(SettingsTest, AMissingThemeIsReplacedByTheDefaultInTheFile) {
    ini("; mine\r\n[Einstellungen]\r\ncollection = verloren\r\nRows=4\r\n\r\n[X]\r\nY=\xE4\r\n");
    settings.ReloadSettings();
    EXPECT_EQ(settings.live.ActiveCollection, "quorvia");
    EXPECT_EQ(settings.live.CoverIconFile, c.AppPath + "icons/quorvia/@.icn");
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "; mine\r\n[Einstellungen]\r\ncollection =quorvia\r\nRows=4\r\n\r\n[X]\r\nY=\xE4\r\n");
}

// A theme named in another case is found as it is; its cover comes from the lower-cased name.
TEST_F(SettingsTest, AThemeMatchesItsFolderWithoutRegardToCase) {
    const std::string content = "[Einstellungen]\nCollection=QUORVIA\n";
    ini(content);
    dir.write("icons/quorvia/@.icn", "icon");
    settings.ReloadSettings();
    EXPECT_EQ(settings.live.ActiveCollection, "QUORVIA");
    EXPECT_EQ(settings.live.CoverIconFile, c.AppPath + "icons/quorvia/@.icn");
    EXPECT_EQ(covers.CoverImage.source, c.AppPath + "icons/quorvia/@.icn");
    EXPECT_EQ(dir.read("Quorvia.ini"), content);
}

// A named cover comes from the cover folder: loaded when it loads, the built-in one when it is
// missing, and the current one kept when the file is there but is no picture.
TEST_F(SettingsTest, ReloadPicksTheCardBack) {
    dir.write("icons/@/good.ico", "icon");
    dir.write("icons/@/broken.ico", "junk");
    loader.unloadable.insert(c.CoverFolder + "broken.ico");
    const struct {
        const char* icon;
        std::string expected;
    } cases[] = {
        {"good.ico", c.CoverFolder + "good.ico"},
        {"broken.ico", c.CoverFolder + "good.ico"},
        {"gone.ico", ":DefCover"},
        {"broken.ico", ":DefCover"},
    };
    for (const auto& k : cases) {
        ini(std::string("[Einstellungen]\nCoverIcon=") + k.icon + "\n");
        settings.ReloadSettings();
        EXPECT_EQ(settings.live.CoverIconFile, c.CoverFolder + k.icon);
        EXPECT_EQ(covers.CoverImage.source, k.expected) << k.icon;
    }
}

// After the first confirmed dialog its values govern; the file no longer counts.
TEST_F(SettingsTest, DialogValuesGovernOnceSet) {
    dir.mkdir("icons/zahlen");
    ini("[Einstellungen]\nRows=3\nCols=4\nCollection=quorvia\n");
    settings.dialog = DialogValues{6, 7, 0, 0, "zahlen", "@"};
    settings.ReloadSettings();
    ini("[Einstellungen]\nRows=9\nCols=9\nRemovePairs=1\nAutoCover=1\nCollection=quorvia\nCoverIcon=x.ico\n");
    settings.ReloadSettings();
    const LiveSettings& l = settings.live;
    EXPECT_EQ(l.BoardRows, 6);
    EXPECT_EQ(l.BoardCols, 7);
    EXPECT_EQ(l.RemovePairs, 0);
    EXPECT_EQ(l.AutoCover, 0);
    EXPECT_EQ(l.ActiveCollection, "zahlen");
    EXPECT_EQ(l.CoverIconFile, c.AppPath + "icons/zahlen/@.icn");
    EXPECT_EQ(l.BoardSizeKey, "42");
}

// Saving writes the six keys in their fixed order and starts one game.
TEST_F(SettingsTest, SaveSettingsWritesSixKeysThenStartsAGame) {
    settings.SaveSettings(4, 6, 0, 1, "zahlen", "@");
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "[Einstellungen]\r\nRows=4\r\nCols=6\r\nRemovePairs=0\r\nAutoCover=1\r\n"
              "Collection=zahlen\r\nCoverIcon=@\r\n");
    EXPECT_EQ(gamesStarted, 1);

    ini("[Einstellungen]\nCoverIcon=x\n; kept\n\n[Anders]\nRows=1\n");
    settings.SaveSettings(-2, 32767, 1, 0, "Natur \u00E4", "k.ico");
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "[Einstellungen]\nCoverIcon=k.ico\n; kept\nRows=-2\nCols=32767\n"
              "RemovePairs=1\nAutoCover=0\nCollection=Natur \xE4\n\n[Anders]\nRows=1\n");
    EXPECT_EQ(gamesStarted, 2);
    dir.mkdir("icons/Natur \u00E4");
    settings.ReloadSettings();
    EXPECT_EQ(settings.live.ActiveCollection, "Natur \u00E4");
}

// Restoring the defaults writes them and starts a game, leaving the dialog values alone.
TEST_F(SettingsTest, RestoreDefaultsLeavesTheDialogValues) {
    ini("[Einstellungen]\r\nRows=3\r\nCollection=zahlen\r\nCoverIcon=k.ico\r\n");
    const DialogValues dialog{3, 4, 0, 0, "zahlen", "k.ico"};
    settings.dialog = dialog;
    settings.mnuStand_Click();
    EXPECT_EQ(dir.read("Quorvia.ini"),
              "[Einstellungen]\r\nRows=5\r\nCollection=quorvia\r\nCoverIcon=@\r\n"
              "Cols=8\r\nRemovePairs=1\r\nAutoCover=1\r\n");
    EXPECT_EQ(gamesStarted, 1);
    EXPECT_EQ(settings.dialog.DialogRows, dialog.DialogRows);
    EXPECT_EQ(settings.dialog.DialogCols, dialog.DialogCols);
    EXPECT_EQ(settings.dialog.DialogCollection, dialog.DialogCollection);
    EXPECT_EQ(settings.dialog.DialogCoverIcon, dialog.DialogCoverIcon);

    std::filesystem::remove(dir.path() + "Quorvia.ini");
    settings.mnuStand_Click();
    EXPECT_EQ(dir.read("Quorvia.ini"), kFreshDefaults);
}

}  // namespace
}  // namespace quorvia::test
