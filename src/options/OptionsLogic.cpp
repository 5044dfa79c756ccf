#include "options/OptionsLogic.h"

#include "app/Failure.h"
#include "app/Startup.h"
#include "app/Text.h"
#include "app/Theme.h"

#include <algorithm>

namespace quorvia {

// ---- the controls ------------------------------------------------------------------------

void DropDownList::setText(const std::string& value) {
    if (std::find(items.begin(), items.end(), value) == items.end()) {
        fail(FailureKind::InvalidValue, "not an entry of the list: " + value);
    }
    text = value;
}

void ScrollBar::setMax(Int16 max) {
    Max = std::max(max, Min);
    setValue(Value);
}

void ScrollBar::setValue(int value) {
    Value = static_cast<Int16>(std::clamp(value, static_cast<int>(Min), static_cast<int>(Max)));
}

// ---- the dialog --------------------------------------------------------------------------

OptionsLogic::OptionsLogic(Settings& settings, Game& game, const FileSystem& fs, PictureLoader& loader,
                           OptionsView& view)
    : settings_(settings), game_(game), fs_(fs), loader_(loader), view_(view), walk_([this] {
          view_.processEvents();
      }) {
    imgLogo1 = game_.covers().DefCover;
}

std::string OptionsLogic::coverName(long long position) const {
    if (position < 0 || position >= static_cast<long long>(File1.size())) return {};
    return File1[static_cast<std::size_t>(position)];
}

void OptionsLogic::Form_Load() {
    const AppConstants& c = settings_.constants();
    attempt([&] { File1 = fs_.listFiles(c.CoverFolder, kCoverPatterns); });
    attempt([&] { FillCollection(); });
    attempt([&] { FillCR(); });
    attempt([&] { LoadSettings(); });
    attempt([&] { Check1 = settings_.live.RemovePairs == 1; });
    attempt([&] { Check2 = settings_.live.AutoCover == 1; });
}

void OptionsLogic::FillCollection() {
    // Ends at its first failure: a step that fails leaves the rest of the lists empty.
    attempt([&] {
        const AppConstants& c = settings_.constants();
        IconsFolder = theme::iconsFolderOf(c.AppPath) + "/";
        // The walk reads the disk directly, below each folder that makes up the icons
        // folder (found without regard to case); a theme found twice is listed once.
        std::vector<std::string> themes;
        for (const std::string& root : fs_.layers(IconsFolder)) {
            for (std::string& theme : walk_.ScanIconFolders(root)) {
                const auto at = std::lower_bound(themes.begin(), themes.end(), theme, lessIgnoreCase);
                if (at == themes.end() || !equalsIgnoreCase(*at, theme)) themes.insert(at, std::move(theme));
            }
            if (!walk_.ScanActive) break;  // stopped from outside: no further folder
        }
        walk_.ScanActive = false;
        Combo1.items.insert(Combo1.items.end(), themes.begin(), themes.end());

        File1 = fs_.listFiles(c.CoverFolder, kCoverPatterns);
        HScroll1.setMax(toInt16(static_cast<long long>(File1.size()) - kStripSlots));
        for (std::size_t i = 0; i < static_cast<std::size_t>(kStripSlots) && i < File1.size(); ++i) {
            // No existence test here: a file that does not load leaves its slot empty.
            if (auto picture = loader_.load(c.CoverFolder + File1[i])) Image1[i] = std::move(*picture);
        }
    });
}

void OptionsLogic::FillCR() {
    // A size that is not an entry of its list ends the routine: when the columns fail, the
    // rows are not set either.
    attempt([&] {
        cboCols.clear();
        cboRows.clear();
        for (int i = 1; i <= theme::kLargestCols; ++i) {
            if (i > 3) cboCols.items.push_back(decimal(i));
            if (i <= theme::kLargestRows) cboRows.items.push_back(decimal(i));
        }
        cboCols.setText(decimal(settings_.live.BoardCols));
        cboRows.setText(decimal(settings_.live.BoardRows));
    });
}

void OptionsLogic::LoadSettings() {
    const AppConstants& c = settings_.constants();
    LiveSettings& live = settings_.live;

    // A number that does not fit 16 bits leaves its variable as it was.
    attempt([&] { live.BoardRows = textToInt16(settings_.ReadSetting(SettingKey::Rows)); });
    attempt([&] { live.BoardCols = textToInt16(settings_.ReadSetting(SettingKey::Cols)); });
    attempt([&] { live.RemovePairs = textToInt16(settings_.ReadSetting(SettingKey::RemovePairs)); });

    // Only the folder's existence counts here, not whether it holds icons.
    std::string theme = settings_.ReadSetting(SettingKey::Collection);
    if (fs_.isDirectory(theme::folderOf(c, theme))) {
        Combo1.text = toUpper(theme);
    } else if (!fs_.isDirectory(theme::folderOf(c, c.DefaultCollection))) {
        // The theme and the cover stay as the running game has them.
        view_.showMessage(kNoDefaultThemeMessage, c.AppTitle, MessageIcon::Critical);
        return;
    } else {
        Combo1.text = toUpper(c.DefaultCollection);
        theme = c.DefaultCollection;
    }
    live.ActiveCollection = theme;

    live.CoverIcon = settings_.ReadSetting(SettingKey::CoverIcon);
    live.CoverIconFile = theme::coverFile(c, theme, live.CoverIcon);
    // The preview's rule: a missing card back file shows the built-in back; a file that is
    // not a loadable picture leaves the preview as it was.
    if (FileExists(fs_, live.CoverIconFile)) {
        if (auto picture = loader_.load(live.CoverIconFile)) Image2 = std::move(*picture);
    } else {
        Image2 = imgLogo1;
    }
}

// ---- board size and leaving ----------------------------------------------------------------

void OptionsLogic::Option1_Click(int Index) {
    attempt([&] {
        if (Index < 0 || Index >= static_cast<int>(kPresets.size())) fail(FailureKind::OutOfRange, "preset");
        Option1 = Index;
        // The size only takes effect through cmdOK; no variable changes here.
        const BoardPreset& preset = kPresets[static_cast<std::size_t>(*Option1)];
        cboRows.setText(decimal(preset.rows));
        cboCols.setText(decimal(preset.cols));
    });
}

void OptionsLogic::Check1_Click(bool checked) {
    // Immediate: the running game plays with it from now on, even if the dialog is cancelled.
    Check1 = checked;
    settings_.live.RemovePairs = Check1 ? 1 : 0;
}

void OptionsLogic::Check2_Click(bool checked) {
    Check2 = checked;
    settings_.live.AutoCover = Check2 ? 1 : 0;
}

void OptionsLogic::cmdOK_Click() {
    // A list without a selection shows an empty text, whose value is 0.
    Int16 rows = 0;
    Int16 cols = 0;
    attempt([&] { rows = textToInt16(cboRows.text); });
    attempt([&] { cols = textToInt16(cboCols.text); });
    if (rows == 0 || cols == 0) return;

    // Every icon lies on exactly two cards.
    bool odd = false;
    attempt([&] { odd = toInt32(static_cast<double>(rows) * static_cast<double>(cols)) % 2 != 0; });
    if (odd) {
        view_.showMessage(kOddCardsMessage, kOddCardsTitle, MessageIcon::Critical);
        return;
    }

    attempt([&] { game_.setWindowEnabled(true); });
    attempt([&] { game_.covers().CoverImage = Image2; });
    attempt([&] {
        // The next game takes these six instead of the settings file.
        DialogValues& d = settings_.dialog;
        d.DialogRows = rows;
        d.DialogCols = cols;
        d.DialogRemovePairs = Check1 ? 1 : 0;
        d.DialogAutoCover = Check2 ? 1 : 0;
        d.DialogCollection = Combo1.text;
        d.DialogCoverIcon = settings_.live.CoverIcon;
    });
    attempt([&] {
        settings_.SaveSettings(rows, cols, Check1 ? 1 : 0, Check2 ? 1 : 0, Combo1.text, settings_.live.CoverIcon);
    });
    view_.destroyDialog();
}

void OptionsLogic::cmdAbort_Click() {
    // Nothing is written; what the dialog changed in the running game stays changed.
    attempt([&] { game_.setWindowEnabled(true); });
    view_.destroyDialog();
}

// ---- theme and cover ---------------------------------------------------------------------

void OptionsLogic::Combo1_Click(const std::string& chosen) {
    Combo1.text = chosen;
    showThemeCover();
}

void OptionsLogic::Combo1_GotFocus() { showThemeCover(); }

void OptionsLogic::showThemeCover() {
    // Entering the box makes the theme's own cover the choice again, discarding a shared
    // cover picked before. Neither the theme folder nor ActiveCollection is looked at.
    const AppConstants& c = settings_.constants();
    LiveSettings& live = settings_.live;
    attempt([&] { live.CoverIconFile = theme::coverFile(c, Combo1.text, theme::kOwnCover); });
    attempt([&] {
        if (FileExists(fs_, live.CoverIconFile)) {
            auto picture = loader_.load(live.CoverIconFile);
            if (!picture) fail(FailureKind::FileError, "not a picture: " + live.CoverIconFile);
            Image2 = std::move(*picture);
        } else {
            Image2 = imgLogo1;
        }
    });
    attempt([&] { live.CoverIcon = std::string(theme::kOwnCover); });
}

void OptionsLogic::HScroll1_Change(int value) {
    HScroll1.setValue(value);
    showStrip();
}

void OptionsLogic::HScroll1_Scroll(int value) {
    HScroll1.setValue(value);
    showStrip();
}

void OptionsLogic::showStrip() {
    // Slot i shows the file at the bar's value + i; paging changes neither the choice nor
    // the preview.
    const AppConstants& c = settings_.constants();
    for (int i = 0; i < kStripSlots; ++i) {
        attempt([&] {
            Picture& slot = Image1[static_cast<std::size_t>(i)];
            const std::string name = coverName(toInt16(static_cast<long long>(HScroll1.Value) + i));
            std::optional<Picture> picture;
            if (FileExists(fs_, c.CoverFolder + name)) picture = loader_.load(c.CoverFolder + name);
            slot = picture ? std::move(*picture) : Picture{};
        });
    }
}

void OptionsLogic::Image1_Click(int Index) {
    // The name is taken as the strip shows it, without another look at the disk.
    attempt([&] {
        if (Index < 0 || Index >= kStripSlots) fail(FailureKind::OutOfRange, "strip slot");
        Image2 = Image1[static_cast<std::size_t>(Index)];
    });
    attempt([&] { settings_.live.CoverIcon = coverName(toInt16(static_cast<long long>(Index) + HScroll1.Value)); });
}

}  // namespace quorvia
