#pragma once
// The board window's model and every rule of play: dealing, turning cards, the clock and
// the win test. Positions and sizes are in twips, exactly as the rules compute them; the
// view converts them to pixels in one place.
//
// Each handler is named after the control and the event it answers (imgPiece_Click is a
// click on a card, tmrTime_Timer a tick of the game clock). The model never reads a clock
// or touches a widget: time comes in through the Clock port and the timers' ticks, and
// everything visible goes out through the BoardView port.

#include "app/FileSystem.h"
#include "app/Numbers.h"
#include "app/Picture.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "board/BoardView.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvia {

inline constexpr const char* kFoundTag = "GESCHAFFT!";

struct Card {
    Picture picture;  // what the card shows: the cover while face down
    std::string Tag;  // full path of its icon file, or kFoundTag once found
    bool Enabled = true;
    bool Visible = true;
    float Left = 240, Top = 480, Width = 480, Height = 480;
};

struct Label {
    std::string Caption;
    float Left = 0, Top = 0, Width = 0, Height = 195;
};

struct Panel {
    float Left = 120, Top = 840, Width = 3015, Height = 1215;
    bool Visible = true;
    bool Enabled = true;
};

struct DecoLine {
    float X1 = 0, Y1 = 720, X2 = 3240, Y2 = 720;
};

class Game {
public:
    Game(Settings& settings, CoverPictures& covers, const FileSystem& fs, PictureLoader& loader, Random& random,
         Clock& clock, std::function<void()> playClick);

    void attach(BoardView* view) { view_ = view; }

    // --- the board window ---------------------------------------------------------------
    void Form_Load();
    void Form_Resize();

    // Outer size and position of the window.
    float Left = 0, Top = 0, Width = 0, Height = 0;
    bool Enabled = true;  // the whole window takes mouse input
    // Enables or disables the whole window (all mouse input to it).
    void setWindowEnabled(bool on);
    void setWidth(float w);
    void setHeight(float h);
    float clientHeight() const { return Height - 2 * kBorder; }
    static constexpr float kBorder = 45;

    Panel picPanel;
    DecoLine lnDeco;
    Label lblTime, lblFlips, lblBestTime, lblBestFlips;

    std::vector<Card> imgPiece;
    std::vector<std::string> lstIcons[2];  // 0: pool of the theme's icons, 1: the deck

    bool tmrTimeEnabled = true;       // the game clock, 1000 ms
    bool tmrAutoBackEnabled = false;  // one-shot turning back, 1000 ms

    // Recorded when the window loads.
    Int16 MinFormWidth = 0, MinFormHeight = 0, PanelLeft = 0;

    // --- one game ----------------------------------------------------------------------
    Int16 FlipCount = 0;
    Int16 ElapsedSeconds = 0;
    bool OneCardOpen = false;
    Int16 FirstCard = -1;
    Int16 SecondCard = -1;

    void StartGame();
    void LoadLists();
    void CenterInContainer(Panel& panel);
    void CenterOnScreen();

    // True when a click on card `index` reaches imgPiece_Click: the card exists, is visible
    // and enabled, and neither the panel nor the window is disabled.
    bool acceptsClick(int index) const;
    void imgPiece_Click(int Index);
    void tmrAutoBack_Timer();
    void WaitSeconds(double Seconds);

    void tmrTime_Timer();
    void CheckForWin();

    // The win message for the counters as they stand.
    std::string winMessage() const;

    Settings& settings() { return settings_; }
    CoverPictures& covers() { return covers_; }

    // The card with that index; fails with OutOfRange for one that does not exist.
    Card& card(int index);

    // How many cards a row of the board holds: cards are dealt row by row, and a row holds
    // as many as stand level with the first (1 for an empty board).
    int columns() const;

    // Whether the card with that index shows the current card back.
    bool isFaceDown(int index) const;

private:
    void notify(unsigned changes);
    void notifyCard(int index);
    void setCaption(Label& label, const std::string& caption);
    void setTimeEnabled(bool on);
    void setAutoBackEnabled(bool on);
    void turnUp(int index);
    // One change to the card with that index, then the view told; false, and nothing told,
    // when there is no such card or the change fails.
    bool changeCard(int index, const std::function<void(Card&)>& change);

    // The steps of a new game (StartGame) ...
    void showNewGameCaptions();
    void dealCards();
    void fitWindowToBoard();
    // ... and of a click on a card (imgPiece_Click).
    void settleLastPair();
    void turnFirstCard(int Index);
    void turnSecondCard(int Index);
    void takeFoundPair();
    std::string poolEntry(long long position) const;

    Settings& settings_;
    CoverPictures& covers_;
    const FileSystem& fs_;
    PictureLoader& loader_;
    Random& random_;
    Clock& clock_;
    std::function<void()> playClick_;
    BoardView* view_ = nullptr;
};

}  // namespace quorvia
