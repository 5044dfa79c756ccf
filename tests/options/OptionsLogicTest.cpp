// The options dialog's handlers, driven without a window on a game in a temporary folder.

#include "options/OptionsLogic.h"

#include "app/Text.h"

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace quorvia;
using Names = std::vector<std::string>;

// Cover file names 00.ico, 01.ico, ... from `first` to `last`, padded with empty names.
static Names files(int first, int last, std::size_t padTo = 0) {
    Names out;
    for (int i = first; i <= last; ++i) out.push_back((i < 10 ? "0" : "") + std::to_string(i) + ".ico");
    out.resize(std::max(out.size(), padTo));
    return out;
}

// A running game with the default theme and `covers` shared cover icons (and a file that is
// none), the dialog opened over it as the board menu does; the dialog's window is recorded.
struct Dialog : test::NullOptionsView {
    test::Board board;
    std::unique_ptr<OptionsLogic> o;
    Names messages;
    int destroyed = 0;

    explicit Dialog(const std::string& ini = "", int covers = 0) {
        board.theme("quorvia", 4);
        for (const std::string& name : files(0, covers - 1)) board.dir.write("icons/@/" + name);
        board.dir.write("icons/@/zz.png");
        board.dir.write("Quorvia.ini", "[Einstellungen]\r\n" + ini);
    }
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back((icon == MessageIcon::Critical ? "critical|" : "information|") + title + "|" + text);
    }
    void destroyDialog() override { ++destroyed; }
    OptionsLogic& open() {
        o = std::make_unique<OptionsLogic>(board.settings, board.game, diskFileSystem(), board.loader, *this);
        o->Form_Load();
        board.game.setWindowEnabled(false);
        return *o;
    }
    LiveSettings& live() { return board.settings.live; }
    std::string icons(const std::string& relative) const { return board.c.AppPath + "icons/" + relative; }
    Picture picture(const std::string& relative) const { return {icons(relative), nullptr}; }
    std::string ini() const { return board.dir.read("Quorvia.ini"); }
    // What the strip shows, by file name ("" for an empty slot).
    Names strip() const {
        Names shown;
        for (const Picture& p : o->Image1) shown.push_back(p.empty() ? "" : p.source.substr(icons("@/").size()));
        return shown;
    }
};

// Opening shows RemovePairs read again from the file, the running game's size where it is
// an entry of its list (no rows if only they are not, nothing if the columns are not), and
// the stored theme in upper case with its cover, falling back to the default theme when the
// stored one's folder is gone and to the built-in cover when the theme has none.
TEST(OptionsOpening, ControlsShowTheSettings) {
    // The file, the running game's size, a cover file written (none: no cover of its own),
    // what Check1, the two lists and the theme box show, and the cover chosen.
    using Case = std::tuple<const char*, Int16, Int16, std::string, const char*, const char*>;
    for (const auto& [ini, rows, cols, file, shown, cover] : std::vector<Case>{
             {"RemovePairs=2\r\n", 5, 8, "", "off 5x8 QUORVIA", "quorvia/@.icn"},
             {"Rows=6\r\nCollection=natur\\Tiere\r\n", 20, 8, "natur/tiere/@.icn", "on x8 NATUR\\TIERE",
              "natur\\tiere/@.icn"},
             {"Cols=3\r\nCollection=gone\r\n", 5, 3, "quorvia/@.icn", "on x QUORVIA", "quorvia/@.icn"},
             {"CoverIcon=02.ico\r\n", 5, 8, "@/02.ico", "on 5x8 QUORVIA", "@/02.ico"},
         }) {
        SCOPED_TRACE(ini);
        Dialog d(ini);
        if (!file.empty()) d.board.dir.write("icons/" + file);
        d.live().BoardRows = rows;
        d.live().BoardCols = cols;
        OptionsLogic& o = d.open();
        EXPECT_EQ((o.Check1 ? "on " : "off ") + o.cboRows.text + "x" + o.cboCols.text + " " + o.Combo1.text, shown);
        EXPECT_EQ(d.live().CoverIconFile, d.icons(cover));
        EXPECT_EQ(o.Image2, file.empty() ? d.board.covers.DefCover : d.picture(cover));
    }
}

// Without the stored and the default theme the player is told so in a critical message;
// the running game's cover stays as it was, and the dialog opens all the same.
TEST(OptionsOpening, MissingDefaultThemeIsReported) {
    Dialog d("Collection=gone\r\nCoverIcon=01.ico\r\n");
    std::filesystem::remove_all(d.icons("quorvia"));
    d.live().CoverIconFile = "old file";
    OptionsLogic& o = d.open();
    EXPECT_EQ(d.messages, Names{"critical|Oskel's Quorvia|Standard Icon-Thema konnte nicht gefunden werden."});
    EXPECT_EQ(std::tuple(d.live().CoverIconFile, o.Check1), std::tuple("old file", true));  // the opening went on
}

// The strip shows the cover files (*.ico and *.icn) from the bar's value on; the bar's
// maximum lets the last page end with the last file and holds still with fewer files than
// slots. A click on a slot previews its picture and chooses the file it shows, or no file
// past the end of the list.
TEST(OptionsCover, ScrollBarPagesAndASlotClickPicks) {
    // Cover files, the bar's new value, its maximum, the files shown then, the slot clicked.
    const std::tuple<int, int, Int16, Names, std::size_t> cases[] = {
        {3, 0, 0, files(0, 2, 8), 5}, {8, 0, 0, files(0, 7), 7},      {20, 12, 12, files(12, 19), 7},
        {20, 5, 12, files(5, 12), 2}, {20, 30, 12, files(12, 19), 0},
    };
    for (const auto& [covers, value, max, shown, slot] : cases) {
        SCOPED_TRACE(covers * 100 + value);
        Dialog d("", covers);
        OptionsLogic& o = d.open();
        EXPECT_EQ(d.strip(), files(0, std::min(covers, 8) - 1, 8));
        EXPECT_EQ(o.HScroll1.Max, max);
        value == 5 ? o.HScroll1_Scroll(value) : o.HScroll1_Change(value);
        EXPECT_EQ(d.strip(), shown);

        o.Image1_Click(static_cast<int>(slot));
        EXPECT_EQ(d.live().CoverIcon, shown[slot]);
        EXPECT_EQ(o.Image2, shown[slot].empty() ? Picture{} : d.picture("@/" + shown[slot]));
    }
}

// Entering the theme box makes the theme's own cover the choice again, looked up under the
// theme's name in lower case (a theme chosen from the list: the real dialog's test).
TEST(OptionsCover, ThemeBoxChoosesTheThemesOwnCover) {
    Dialog d("", 3);
    d.board.dir.write("icons/quorvia/@.icn");
    OptionsLogic& o = d.open();
    o.Image1_Click(1);
    o.Combo1_GotFocus();
    EXPECT_EQ(std::tuple(d.live().CoverIcon, o.Image2), std::tuple("@", d.picture("quorvia/@.icn")));
    o.Combo1.text = "Bunt";
    o.Combo1_GotFocus();  // no such theme: the built-in cover
    EXPECT_EQ(o.Image2, d.board.covers.DefCover);
}

// The size lists run from 1 to 18 rows and 4 to 27 columns. Presets only fill them; cmdOK
// does nothing without a size and refuses an odd number of cards with a message, the dialog
// staying open over the disabled board, nothing written; the rules take effect at a click.
// (Cancelling is the real dialog's test.)
TEST(OptionsSize, PresetsAndRefusalsWriteNothing) {
    Dialog d("Rows=5\r\nCols=8\r\nRemovePairs=1\r\n");
    const std::string before = d.ini();
    OptionsLogic& o = d.open();
    const auto span = [](const Names& list) { return list.front() + ".." + list.back() + " "; };
    EXPECT_EQ(span(o.cboRows.items) + span(o.cboCols.items), "1..18 4..27 ");
    std::string shown;
    for (int i = 0; i < 9; ++i) {
        o.Option1_Click(i);
        shown += o.cboRows.text + "x" + o.cboCols.text + (o.Option1 == i ? " " : "? ");
    }
    EXPECT_EQ(shown, "4x6 5x8 6x10 8x12 10x16 12x18 14x20 16x24 1x24 ");
    o.cboRows.text = "99999";  // beyond 16 bits: no size, as an empty list
    o.cmdOK_Click();
    std::tie(o.cboRows.text, o.cboCols.text) = std::tuple("5", "1");  // one column, typed
    o.cmdOK_Click();
    EXPECT_EQ(d.messages, Names{"critical|Fehlerhafte Eingabe|Das Ergebnis muss eine gerade Zahl ergeben ( um Paare zu "
                                "erstellen )!"});
    EXPECT_EQ(std::tuple(d.destroyed, d.board.game.Enabled, d.live().BoardRows, d.live().BoardCols),
              std::tuple(0, false, Int16(5), Int16(8)));
    o.Check1_Click(true), o.Check2_Click(true);  // the running game plays a rule only at exactly 1
    EXPECT_EQ(d.ini() + std::to_string(d.live().RemovePairs) + std::to_string(d.live().AutoCover), before + "11");
}

// cmdOK with a valid size enables the board, hands the preview to the card back, keeps the
// six choices for the next game and in the file, starts that game and closes the dialog.
TEST(OptionsSize, OkAppliesEverythingAndStartsANewGame) {
    Dialog d("Rows=5\r\nCols=8\r\nRemovePairs=1\r\nAutoCover=0\r\nCollection=quorvia\r\nCoverIcon=@\r\n", 4);
    OptionsLogic& o = d.open();
    o.cboRows.setText("18");
    o.cboCols.setText("27");
    o.Check1_Click(false);
    o.Check2_Click(true);
    o.Image1_Click(2);
    d.board.loader.unloadable.insert(d.icons("@/02.ico"));  // the new game keeps the back it is handed
    o.cmdOK_Click();

    EXPECT_EQ(d.ini(),
              "[Einstellungen]\r\nRows=18\r\nCols=27\r\nRemovePairs=0\r\nAutoCover=1\r\n"
              "Collection=QUORVIA\r\nCoverIcon=02.ico\r\n");
    const DialogValues& v = d.board.settings.dialog;
    EXPECT_EQ((std::tuple(v.DialogRows, v.DialogCols, v.DialogRemovePairs, v.DialogAutoCover, v.DialogCollection,
                          v.DialogCoverIcon)),
              (std::tuple<Int16, Int16, Int16, Int16, std::string, std::string>(18, 27, 0, 1, "QUORVIA", "02.ico")));
    EXPECT_EQ(d.board.covers.CoverImage, d.picture("@/02.ico"));
    EXPECT_EQ(std::tuple(d.board.game.Enabled, d.board.game.imgPiece.size(), d.destroyed), std::tuple(true, 486u, 1));
}

// A theme survives a restart whatever its name: where Windows-1252 lacks one of its letters
// (Greek, Polish, Czech, Turkish) the settings file turns into UTF-8 with the byte-order mark,
// every other line kept; a name the code page holds leaves the file Windows-1252, byte for byte.
TEST(OptionsTheme, AnyThemeNameSurvivesARestart) {
    const auto file = [](const std::string& theme, const std::string& player) {
        return "[Einstellungen]\r\nRows=5\r\nCols=8\r\nRemovePairs=1\r\nAutoCover=0\r\nCollection=" + theme +
               "\r\nCoverIcon=@\r\n\r\n[Spieler]\r\nName=" + player + "\r\n";
    };
    const std::string bom = "\xEF\xBB\xBF", mueller = "M\u00FCller";
    // the theme's folder, the settings file after choosing it
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {{"Ελλάδα", bom + file("Ελλάδα", mueller)},
        {"Łódź", bom + file("ŁÓDź", mueller)}, {"řeka", bom + file("řEKA", mueller)},
        {"Doğa", bom + file("DOğA", mueller)}, {"Bäume", file("B\xC4UME", "M\xFCller")}};
    // clang-format on
    for (const auto& [folder, after] : cases) {
        Dialog d("Rows=5\r\nCols=8\r\n\r\n[Spieler]\r\nName=M\xFCller\r\n");
        d.board.theme(folder, 4);
        OptionsLogic& o = d.open();
        ASSERT_EQ(o.Combo1.items.size(), 2u);
        o.cboRows.setText("5");
        o.cboCols.setText("8");
        o.Combo1_Click(o.Combo1.items[o.Combo1.items[0] == "QUORVIA" ? 1 : 0]);
        o.cmdOK_Click();

        CoverPictures covers;
        Settings restarted{d.board.c, diskFileSystem(), d.board.loader, covers};
        restarted.ReloadSettings();
        EXPECT_EQ(std::tuple(toLower(restarted.live.ActiveCollection), d.ini()), std::tuple(toLower(folder), after));
    }
}
