// The options dialog's handlers, driven without a window on a game in a temporary folder.

#include "options/OptionsLogic.h"

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quorvia;
using Names = std::vector<std::string>;

namespace {

class RecordingView : public OptionsView {
public:
    void processEvents() override { ++eventRounds; }
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back(text + "|" + title + (icon == MessageIcon::Critical ? "|critical" : "|information"));
    }
    void destroyDialog() override { ++destroyed; }
    Names messages;
    int eventRounds = 0;
    int destroyed = 0;
};

// Cover file names 00.ico, 01.ico, ... from `first` to `last`, padded with empty names.
Names files(int first, int last, std::size_t padTo = 0) {
    Names out;
    for (int i = first; i <= last; ++i) out.push_back((i < 10 ? "0" : "") + std::to_string(i) + ".ico");
    if (out.size() < padTo) out.resize(padTo);
    return out;
}

// A running 5 x 8 game with the default theme, the dialog opened over it as the board menu
// does: the dialog loads, then the board is disabled.
struct Dialog {
    test::Board board;
    RecordingView view;
    std::unique_ptr<OptionsLogic> o;
    int newGames = 0;

    explicit Dialog(const std::string& ini = "", int covers = 0) {
        board.theme("quorvia", 4);
        for (const std::string& name : files(0, covers - 1)) board.dir.write("icons/@/" + name);
        if (!ini.empty()) board.dir.write("Quorvia.ini", "[Einstellungen]\r\n" + ini);
        board.settings.live.BoardRows = 5;
        board.settings.live.BoardCols = 8;
        board.settings.startGame = [this] {
            ++newGames;
            board.game.StartGame();
        };
    }
    OptionsLogic& open() {
        o = std::make_unique<OptionsLogic>(board.settings, board.game, diskFileSystem(), board.loader, view);
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

}  // namespace

// The check boxes show RemovePairs read again from the file, and AutoCover as the running
// game has it (its key is not read); a number too big for 16 bits keeps the old value.
TEST(OptionsOpening, CheckBoxesShowThePlayRules) {
    struct Case {
        const char* ini;
        Int16 liveRemove, liveAuto;
        bool check1, check2;
        Int16 removeAfter;
    };
    for (const Case& c : std::vector<Case>{{"RemovePairs=1\r\n", 0, 1, true, true, 1},
                                           {"RemovePairs=2\r\n", 1, 0, false, false, 2},
                                           {"RemovePairs=0\r\nAutoCover=1\r\n", 1, 0, false, false, 0},
                                           {"Rows=5\r\n", 0, 1, true, true, 1},
                                           {"RemovePairs=99999\r\n", 0, 1, false, true, 0}}) {
        SCOPED_TRACE(c.ini);
        Dialog d(c.ini);
        d.live().RemovePairs = c.liveRemove;
        d.live().AutoCover = c.liveAuto;
        OptionsLogic& o = d.open();
        EXPECT_EQ(o.Check1, c.check1);
        EXPECT_EQ(o.Check2, c.check2);
        EXPECT_EQ(d.live().RemovePairs, c.removeAfter);
    }
}

// The size lists hold "1".."18" and "4".."27" and show the running game's size where it is
// an entry (no rows if only the rows are not, nothing if the columns are not); the file's
// size is read into the game afterwards.
TEST(OptionsOpening, SizeListsShowTheRunningGamesSize) {
    struct Case {
        Int16 rows, cols;
        const char* ini;
        const char* rowsText;
        const char* colsText;
        Int16 rowsAfter, colsAfter;
    };
    for (const Case& c : std::vector<Case>{{5, 8, "Rows=5\r\nCols=8\r\n", "5", "8", 5, 8},
                                           {20, 8, "Rows=20\r\nCols=8\r\n", "", "8", 20, 8},
                                           {5, 3, "Rows=5\r\nCols=3\r\n", "", "", 5, 3},
                                           {18, 27, "Rows=18\r\nCols=27\r\n", "18", "27", 18, 27},
                                           {4, 6, "Rows=6\r\nCols=10\r\n", "4", "6", 6, 10},
                                           {4, 6, "Rows=x\r\n", "4", "6", 0, 8}}) {
        SCOPED_TRACE(c.ini);
        Dialog d(c.ini);
        d.live().BoardRows = c.rows;
        d.live().BoardCols = c.cols;
        OptionsLogic& o = d.open();
        EXPECT_EQ(o.cboRows.text, c.rowsText);
        EXPECT_EQ(o.cboCols.text, c.colsText);
        EXPECT_EQ(d.live().BoardRows, c.rowsAfter);
        EXPECT_EQ(d.live().BoardCols, c.colsAfter);
        EXPECT_FALSE(o.Option1.has_value());
        EXPECT_EQ(o.cboRows.items.front() + ".." + o.cboRows.items.back(), "1..18");
        EXPECT_EQ(o.cboCols.items.front() + ".." + o.cboCols.items.back(), "4..27");
        EXPECT_EQ(o.cboRows.items.size() + o.cboCols.items.size(), 18u + 24u);
    }
}

// The theme field, the active theme and the cover preview follow the stored theme and
// cover, falling back to the default theme when the stored one's folder is gone.
TEST(OptionsOpening, ThemeFieldAndCoverPreviewFollowTheSettings) {
    struct Case {
        const char* ini;
        Names files;
        const char* text;
        const char* active;
        const char* coverFile;  // relative to the icons folder
        bool ownPreview;        // false: the built-in cover
    };
    const std::vector<Case> cases = {
        {"Collection=Quorvia\r\n", {"quorvia/@.icn"}, "QUORVIA", "Quorvia", "quorvia/@.icn", true},
        {"Collection=natur\\Tiere\r\n",
         {"natur/tiere/@.icn"},
         "NATUR\\TIERE",
         "natur\\Tiere",
         "natur\\tiere/@.icn",
         true},
        {"Collection=gone\r\n", {"quorvia/@.icn"}, "QUORVIA", "quorvia", "quorvia/@.icn", true},
        {"Collection=leer\r\n", {"leer/readme.txt"}, "LEER", "leer", "leer/@.icn", false},
        {"CoverIcon=@\r\n", {}, "QUORVIA", "quorvia", "quorvia/@.icn", false},
        {"CoverIcon=02.ico\r\n", {"@/02.ico"}, "QUORVIA", "quorvia", "@/02.ico", true},
        {"CoverIcon=07.ico\r\n", {}, "QUORVIA", "quorvia", "@/07.ico", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        Dialog d(c.ini);
        for (const auto& f : c.files) d.board.dir.write("icons/" + f);
        OptionsLogic& o = d.open();
        EXPECT_EQ(o.Combo1.text, c.text);
        EXPECT_EQ(d.live().ActiveCollection, c.active);
        EXPECT_EQ(d.live().CoverIconFile, d.icons(c.coverFile));
        EXPECT_EQ(o.Image2, c.ownPreview ? d.picture(c.coverFile) : d.board.covers.DefCover);
        EXPECT_TRUE(d.view.messages.empty());
    }
}

// Without the stored and the default theme the player is told so; the running game's theme
// and cover stay as they were, and the dialog opens all the same.
TEST(OptionsOpening, MissingDefaultThemeIsReported) {
    Dialog d("Collection=gone\r\nCoverIcon=01.ico\r\n");
    std::filesystem::remove_all(d.icons("quorvia"));
    d.live().ActiveCollection = "before";
    d.live().CoverIconFile = "old file";
    OptionsLogic& o = d.open();
    EXPECT_EQ(d.view.messages, Names{"Standard Icon-Thema konnte nicht gefunden werden.|Oskel's Quorvia|critical"});
    EXPECT_EQ(d.live().ActiveCollection, "before");
    EXPECT_EQ(d.live().CoverIconFile, "old file");
    EXPECT_TRUE(o.Image2.empty());
    EXPECT_EQ(o.cboCols.text, "8");
    EXPECT_TRUE(o.Check1);
}

// The theme list is the walk's sorted result, with events let through once per folder,
// and the walk is marked over when the list is filled.
TEST(OptionsOpening, ThemeListComesFromTheFoldersOnDisk) {
    Dialog d;
    for (const char* f : {"icons/b/1.ico", "icons/A/1.ico", "icons/@/1.ico", "icons/leer/x.icn"}) d.board.dir.write(f);
    OptionsLogic& o = d.open();
    EXPECT_EQ(o.Combo1.items, (Names{"A", "B", "QUORVIA"}));
    EXPECT_EQ(d.view.eventRounds, 6);  // icons, @, A, b, leer, quorvia
    EXPECT_FALSE(o.walk().ScanActive);
}

// The strip shows at most the first eight cover files (*.ico and *.icn), loading no more;
// the bar's maximum lets the last page end with the last file and is never negative.
TEST(OptionsOpening, CoverStripShowsTheFirstPage) {
    struct Case {
        int covers;
        Int16 max;
        int shown;
    };
    for (const Case& c : std::vector<Case>{{0, 0, 0}, {3, 0, 3}, {8, 0, 8}, {20, 12, 8}}) {
        SCOPED_TRACE(c.covers);
        Dialog d("", c.covers);
        OptionsLogic& o = d.open();
        EXPECT_EQ(o.File1, files(0, c.covers - 1));
        EXPECT_EQ(o.HScroll1.Max, c.max);
        EXPECT_EQ(d.strip(), files(0, c.shown - 1, 8));
        EXPECT_EQ(d.board.loader.loads.size(), static_cast<std::size_t>(c.shown));
    }
    Dialog d;
    for (const char* f : {"icons/@/a.ico", "icons/@/b.ICN", "icons/@/c.png", "icons/@/d.ico"}) d.board.dir.write(f);
    d.board.loader.unloadable.insert(d.icons("@/b.ICN"));
    OptionsLogic& o = d.open();
    EXPECT_EQ(o.File1, (Names{"a.ico", "b.ICN", "d.ico"}));
    EXPECT_EQ(d.strip(), (Names{"a.ico", "", "d.ico", "", "", "", "", ""}));
}

// Paging shows the files from the bar's value on (a file that is no picture as an empty
// slot) and changes neither the chosen cover nor the preview; with fewer files than slots
// the bar holds still. A click on a slot then previews its picture and chooses the file at
// slot + value, or no file at all past the end of the list.
TEST(OptionsCover, ScrollBarPagesAndASlotClickPicks) {
    struct Case {
        int covers;
        bool drag;
        int value;
        Int16 standsAt;
        Names shown;
        int slot;
        const char* chosen;
    };
    Names lastPage = files(12, 19);
    lastPage[2] = "";  // 14.ico does not load
    for (const Case& c : std::vector<Case>{{20, false, 12, 12, lastPage, 7, "19.ico"},
                                           {20, true, 5, 5, files(5, 12), 2, "07.ico"},
                                           {20, false, 30, 12, lastPage, 2, "14.ico"},
                                           {3, false, 5, 0, files(0, 2, 8), 5, ""},
                                           {3, true, -2, 0, files(0, 2, 8), 0, "00.ico"}}) {
        SCOPED_TRACE(c.value);
        Dialog d("", c.covers);
        d.board.loader.unloadable.insert(d.icons("@/14.ico"));
        OptionsLogic& o = d.open();
        const Picture preview = o.Image2;
        c.drag ? o.HScroll1_Scroll(c.value) : o.HScroll1_Change(c.value);
        EXPECT_EQ(o.HScroll1.Value, c.standsAt);
        EXPECT_EQ(d.strip(), c.shown);
        EXPECT_EQ(d.live().CoverIcon, "@");
        EXPECT_EQ(o.Image2, preview);

        o.Image1_Click(c.slot);
        EXPECT_EQ(d.live().CoverIcon, c.chosen);
        EXPECT_EQ(o.Image2, o.Image1[static_cast<std::size_t>(c.slot)]);
        EXPECT_EQ(o.Image2.empty(), d.strip()[static_cast<std::size_t>(c.slot)].empty());
    }
}

// Choosing in or entering the theme box makes the theme's own cover the choice again,
// looked up under the theme's name in lower case; typing alone changes nothing.
TEST(OptionsCover, ThemeBoxChoosesTheThemesOwnCover) {
    Dialog d("", 3);
    for (const char* f : {"icons/quorvia/@.icn", "icons/natur/tiere/1.ico", "icons/natur/tiere/@.icn"}) {
        d.board.dir.write(f);
    }
    OptionsLogic& o = d.open();
    o.Image1_Click(1);
    ASSERT_EQ(d.live().CoverIcon, "01.ico");
    o.Combo1_GotFocus();
    EXPECT_EQ(d.live().CoverIcon, "@");
    EXPECT_EQ(o.Image2, d.picture("quorvia/@.icn"));

    o.Image1_Click(2);
    o.Combo1_Click("NATUR\\TIERE");
    EXPECT_EQ(o.Combo1.text, "NATUR\\TIERE");
    EXPECT_EQ(d.live().CoverIcon, "@");
    EXPECT_EQ(d.live().CoverIconFile, d.icons("natur\\tiere/@.icn"));
    EXPECT_EQ(o.Image2, d.picture("natur\\tiere/@.icn"));
    EXPECT_EQ(d.live().ActiveCollection, "quorvia");

    o.Combo1.text = "Bunt";  // typed
    EXPECT_EQ(o.Image2, d.picture("natur\\tiere/@.icn"));
    o.Combo1_GotFocus();  // no such theme: the built-in cover
    EXPECT_EQ(o.Image2, d.board.covers.DefCover);

    d.board.loader.unloadable.insert(d.icons("quorvia/@.icn"));
    o.Image1_Click(0);
    o.Combo1_Click("QUORVIA");  // a cover that does not load leaves the preview as it was
    EXPECT_EQ(o.Image2, d.picture("@/00.ico"));
    EXPECT_EQ(d.live().CoverIcon, "@");
}

// Each preset shows its size in the two lists and changes no variable.
TEST(OptionsSize, PresetsSetTheLists) {
    const Names sizes = {"4x6", "5x8", "6x10", "8x12", "10x16", "12x18", "14x20", "16x24", "1x24"};
    Dialog d;
    d.live().BoardRows = 20;  // no row selection at first
    OptionsLogic& o = d.open();
    for (int i = 0; i < 9; ++i) {
        o.Option1_Click(i);
        EXPECT_EQ(o.Option1, i);
        EXPECT_EQ(o.cboRows.text + "x" + o.cboCols.text, sizes[static_cast<std::size_t>(i)]);
        EXPECT_EQ(d.live().BoardRows * 100 + d.live().BoardCols, 508);  // as re-read at opening
    }
}

// cmdOK refuses an odd number of cards with a message and does nothing without a size;
// either way the dialog stays open over the disabled board and nothing is written.
TEST(OptionsSize, OkRefusesOddOrMissingSizes) {
    const std::string oddMessage =
        "Das Ergebnis muss eine gerade Zahl ergeben ( um Paare zu erstellen )!|Fehlerhafte Eingabe|critical";
    struct Case {
        const char* rows;
        const char* cols;
        Names messages;
    };
    for (const Case& c :
         std::vector<Case>{{"5", "9", {oddMessage}}, {"1", "27", {oddMessage}}, {"", "8", {}}, {"5", "", {}}}) {
        SCOPED_TRACE(std::string(c.rows) + " x " + c.cols);
        Dialog d("Rows=5\r\nCols=8\r\n");
        const std::string before = d.ini();
        OptionsLogic& o = d.open();
        o.cboRows.text = c.rows;
        o.cboCols.text = c.cols;
        o.cmdOK_Click();
        EXPECT_EQ(d.view.messages, c.messages);
        EXPECT_EQ(d.view.destroyed, 0);
        EXPECT_FALSE(d.board.game.Enabled);
        EXPECT_EQ(d.newGames, 0);
        EXPECT_EQ(d.ini(), before);
        EXPECT_EQ(d.board.settings.dialog.DialogCollection, "");
    }
}

// cmdOK with a valid size enables the board, hands the preview to the card back, keeps the
// six choices for the next game and in the file, starts that game and closes the dialog.
TEST(OptionsSize, OkAppliesEverythingAndStartsANewGame) {
    Dialog d("Rows=5\r\nCols=8\r\nRemovePairs=1\r\nAutoCover=0\r\nCollection=quorvia\r\n", 4);
    OptionsLogic& o = d.open();
    Picture backAtStart;
    bool enabledAtStart = false;
    d.board.settings.startGame = [&] {
        ++d.newGames;
        backAtStart = d.board.covers.CoverImage;
        enabledAtStart = d.board.game.Enabled;
        d.board.game.StartGame();
    };
    o.cboRows.setText("18");
    o.cboCols.setText("27");
    o.Check1_Click(false);
    o.Check2_Click(true);
    o.Image1_Click(2);
    o.cmdOK_Click();

    Names stored;
    for (const char* key : {"Rows", "Cols", "RemovePairs", "AutoCover", "Collection", "CoverIcon"}) {
        stored.push_back(d.board.settings.ReadSetting(key, "?"));
    }
    EXPECT_EQ(stored, (Names{"18", "27", "0", "1", "QUORVIA", "02.ico"}));
    const DialogValues& v = d.board.settings.dialog;
    EXPECT_EQ(std::vector<int>({v.DialogRows, v.DialogCols, v.DialogRemovePairs, v.DialogAutoCover}),
              std::vector<int>({18, 27, 0, 1}));
    EXPECT_EQ(v.DialogCollection + " " + v.DialogCoverIcon, "QUORVIA 02.ico");
    EXPECT_EQ(backAtStart, d.picture("@/02.ico"));
    EXPECT_TRUE(enabledAtStart);
    EXPECT_EQ(d.newGames, 1);
    EXPECT_EQ(d.board.game.imgPiece.size(), 486u);
    EXPECT_EQ(d.view.destroyed, 1);
    EXPECT_TRUE(d.view.messages.empty());
}

// cmdAbort only enables the board and closes: nothing is written and no game starts, but
// the play rules switched in the dialog stay switched until the next game reads the file.
TEST(OptionsSize, CancelWritesNothingButKeepsRuleChanges) {
    Dialog d("RemovePairs=1\r\nAutoCover=1\r\n");
    const std::string before = d.ini();
    d.live().AutoCover = 1;
    OptionsLogic& o = d.open();
    o.Check1_Click(false);
    o.Check2_Click(false);
    o.Option1_Click(8);
    o.cmdAbort_Click();
    EXPECT_EQ(d.live().RemovePairs + d.live().AutoCover, 0);
    EXPECT_EQ(d.ini(), before);
    EXPECT_EQ(d.newGames, 0);
    EXPECT_EQ(d.board.settings.dialog.DialogCollection, "");
    EXPECT_TRUE(d.board.game.Enabled);
    EXPECT_EQ(d.view.destroyed, 1);

    d.board.game.StartGame();
    EXPECT_EQ(d.live().RemovePairs + d.live().AutoCover, 2);
}
