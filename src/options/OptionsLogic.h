#pragma once
// The options dialog without its widgets: what every control shows, as plain data, and
// every handler named after the control and the event it answers (Form_Load when the dialog
// opens, cmdOK_Click for the OK button, ...). The Qt dialog only copies this state
// into its widgets and forwards the player's input here.
//
// Opening the dialog changes the running game: BoardRows, BoardCols and RemovePairs are
// read again from the settings file, and ActiveCollection, CoverIcon and CoverIconFile are
// set, whether the player later accepts or cancels. The check boxes switch the play rules at
// once. Only cmdOK writes the settings file and starts a new game.
//
// Handlers that answer a player's change of a control (a click on an option button or a
// check box, a choice in the theme list, a move of the scroll bar) receive the control's new
// state and record it first, as the control itself would, before the rule runs.
//
// Failure policy: Form_Load, cmdOK_Click and the theme, strip and preview handlers skip a
// failing step and go on; FillCollection and FillCR end at their first failure.

#include "app/FileSystem.h"
#include "app/Numbers.h"
#include "app/Picture.h"
#include "app/Settings.h"
#include "app/ThemeWalk.h"
#include "board/BoardView.h"
#include "board/Game.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorvia {

// What the dialog asks of its window (a port): the Qt dialog implements it, tests record.
class OptionsView {
public:
    virtual ~OptionsView() = default;
    // Lets the window system deliver the events that are pending now, once.
    virtual void processEvents() = 0;
    // A modal message box with one OK button; returns when the player has closed it.
    virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // Closes and destroys the dialog (after the running handler has returned).
    virtual void destroyDialog() = 0;
};

// A drop-down list the player cannot type into: it shows one of its entries or nothing.
struct DropDownList {
    std::vector<std::string> items;
    std::string text;  // empty: no selection

    void clear() {
        items.clear();
        text.clear();
    }
    // Shows `value`; a text that is not an entry fails (InvalidValue) and changes nothing.
    void setText(const std::string& value);
};

// A drop-down combo box the player may also type into: any text goes.
struct ComboBox {
    std::vector<std::string> items;
    std::string text;
};

// A horizontal scroll bar. A maximum below the minimum is raised to the minimum: with fewer
// cover icons than slots the bar holds still instead of running backwards.
struct ScrollBar {
    Int16 Min = 0;
    Int16 Max = 0;
    Int16 Value = 0;
    Int16 SmallChange = 1;  // an arrow click
    Int16 LargeChange = 8;  // a click into the track: one page of the strip

    void setMax(Int16 max);
    void setValue(int value);  // kept within Min .. Max
};

// The nine preset board sizes, in the order of their option buttons.
struct BoardPreset {
    const char* caption;
    Int16 rows;
    Int16 cols;
};
inline constexpr std::array<BoardPreset, 9> kPresets = {{
    {"4 x 6", 4, 6},
    {"5 x 8", 5, 8},
    {"6 x 10", 6, 10},
    {"8 x 12", 8, 12},
    {"10 x 16", 10, 16},
    {"12 x 18", 12, 18},
    {"14 x 20", 14, 20},
    {"16 x 24", 16, 24},
    {"1 x 24", 1, 24},
}};

inline constexpr int kStripSlots = 8;
inline constexpr const char* kCoverPatterns = "*.ico;*.icn";
inline constexpr const char* kOddCardsMessage = "Das Ergebnis muss eine gerade Zahl ergeben ( um Paare zu erstellen )!";
inline constexpr const char* kOddCardsTitle = "Fehlerhafte Eingabe";
inline constexpr const char* kNoDefaultThemeMessage = "Standard Icon-Thema konnte nicht gefunden werden.";

class OptionsLogic {
public:
    OptionsLogic(Settings& settings, Game& game, const FileSystem& fs, PictureLoader& loader, OptionsView& view);

    // --- what the controls show ---------------------------------------------------------
    ComboBox Combo1;                          // the theme
    DropDownList cboRows;                     // "1" .. "18"
    DropDownList cboCols;                     // "4" .. "27"
    std::optional<int> Option1;               // the selected preset button, none at first
    bool Check1 = false;                      // "Aufgedeckte Paare entfernen"
    bool Check2 = false;                      // "Ungleiche Paare automatisch abdecken"
    ScrollBar HScroll1;                       // pages through the cover icons
    std::array<Picture, kStripSlots> Image1;  // the strip of cover icons
    Picture Image2;                           // the preview of the chosen cover
    Picture imgLogo1;                         // store of the built-in cover picture
    std::vector<std::string> File1;           // the cover icon files, in name order

    // Root of the theme walk, with its separator; set by FillCollection.
    std::string IconsFolder;

    // --- opening --------------------------------------------------------------------------
    void Form_Load();
    void FillCollection();
    void FillCR();
    void LoadSettings();

    // --- board size and leaving -----------------------------------------------------------
    void Option1_Click(int Index);
    void Check1_Click(bool checked);
    void Check2_Click(bool checked);
    void cmdOK_Click();
    void cmdAbort_Click();

    // --- theme and cover --------------------------------------------------------------------
    // A theme chosen from the list: the box shows it, then the theme's own cover is chosen.
    void Combo1_Click(const std::string& chosen);
    // The box receiving the focus: the same rule for the text it shows.
    void Combo1_GotFocus();
    void HScroll1_Change(int value);
    void HScroll1_Scroll(int value);
    void Image1_Click(int Index);

    // The cover file at a position of File1, or an empty text outside the list.
    std::string coverName(long long position) const;

private:
    void showStrip();
    void showThemeCover();

    Settings& settings_;
    Game& game_;
    const FileSystem& fs_;
    PictureLoader& loader_;
    OptionsView& view_;
    ThemeWalk walk_;
};

}  // namespace quorvia
