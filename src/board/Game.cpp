#include "board/Game.h"

#include "app/Failure.h"
#include "app/Text.h"
#include "app/Theme.h"
#include "app/Units.h"

#include <algorithm>
#include <cmath>

namespace quorvia {

namespace {

const char* const kLongHint = "Rechtsklick öffnet das Menü. Zum Starten einfach losklicken...";
const char* const kShortHint = "Zum Starten einfach losklicken...";

// Single-precision sum, as the card and panel positions are kept.
float toSingle(double v) { return static_cast<float>(v); }

// A place of the window as designed: whole pixels, in twips.
consteval float designed(int twips) { return static_cast<float>(wholePixelTwips(twips)); }

}  // namespace

Game::Game(Settings& settings, CoverPictures& covers, const FileSystem& fs, PictureLoader& loader, Random& random,
           Clock& clock, std::function<void()> playClick)
    : settings_(settings),
      covers_(covers),
      fs_(fs),
      loader_(loader),
      random_(random),
      clock_(clock),
      playClick_(std::move(playClick)) {
    // The window as designed, before Form_Load.
    Width = designed(3360);
    Height = designed(4500);
    lblBestFlips = {"Beste Versuche:", designed(1980), designed(360), designed(1170), designed(195)};
    lblBestTime = {"Beste Zeit:", designed(2280), designed(120), designed(780), designed(195)};
    lblFlips = {"Tips:", designed(120), designed(360), designed(345), designed(195)};
    lblTime = {"Zeit:", designed(120), designed(120), designed(330), designed(195)};
    imgPiece.emplace_back();
}

int Game::columns() const {
    int cols = 0;
    while (cols < static_cast<int>(imgPiece.size()) &&
           imgPiece[static_cast<std::size_t>(cols)].Top == imgPiece[0].Top) {
        ++cols;
    }
    return std::max(cols, 1);
}

bool Game::isFaceDown(int index) const {
    return imgPiece.at(static_cast<std::size_t>(index)).picture == covers_.CoverImage;
}

Card& Game::card(int index) {
    if (index < 0 || index >= static_cast<int>(imgPiece.size())) fail(FailureKind::OutOfRange, "no such card");
    return imgPiece[static_cast<std::size_t>(index)];
}

void Game::notify(unsigned changes) {
    if (view_) view_->changed(changes);
}

void Game::notifyCard(int index) {
    if (view_) view_->cardChanged(index);
}

void Game::setCaption(Label& label, const std::string& caption) {
    label.Caption = caption;
    if (view_) label.Width = view_->labelWidth(caption);
    notify(ChangeCaptions);
}

void Game::setTimeEnabled(bool on) {
    if (tmrTimeEnabled == on) return;
    tmrTimeEnabled = on;
    notify(ChangeTimers);
}

void Game::setAutoBackEnabled(bool on) {
    if (tmrAutoBackEnabled == on) return;
    tmrAutoBackEnabled = on;
    notify(ChangeTimers);
}

// ---- the board window ------------------------------------------------------------------

void Game::setWindowEnabled(bool on) {
    Enabled = on;
    notify(ChangeEnabled);
}

void Game::setWidth(float w) {
    if (w == Width) return;
    Width = w;
    notify(ChangeGeometry);
    Form_Resize();
}

void Game::setHeight(float h) {
    if (h == Height) return;
    Height = h;
    notify(ChangeGeometry);
    Form_Resize();
}

void Game::Form_Load() {
    attempt([&] { setHeight(2250); });
    attempt([&] { setWidth(1755); });
    attempt([&] { PanelLeft = toInt16(static_cast<double>(picPanel.Left)); });
    attempt([&] { MinFormWidth = toInt16(static_cast<double>(Width)); });
    attempt([&] { MinFormHeight = toInt16(static_cast<double>(Height)); });
}

void Game::Form_Resize() {
    // The record labels end 200 short of the outer right edge; the line runs past it.
    lblBestFlips.Left = toSingle(Width - lblBestFlips.Width - 200);
    lblBestTime.Left = toSingle(Width - lblBestTime.Width - 200);
    lnDeco.X2 = Width + 200;
    notify(ChangeCaptions | ChangeBackground);
}

// ---- a new game ------------------------------------------------------------------------

std::string Game::poolEntry(long long position) const {
    const auto& pool = lstIcons[0];
    if (position < 0 || position >= static_cast<long long>(pool.size())) return {};
    return pool[static_cast<std::size_t>(position)];
}

void Game::LoadLists() {
    attempt([&] {
        auto& pool = lstIcons[0];
        auto& deck = lstIcons[1];
        pool.clear();
        deck.clear();
        const LiveSettings& s = settings_.live;
        const double N = leadingNumber(s.BoardSizeKey);
        const std::string themeDir = theme::folderOf(settings_.constants(), s.ActiveCollection);

        for (const std::string& name : fs_.listFiles(themeDir, theme::kFacePatterns)) {
            pool.push_back(themeDir + "/" + name);
        }

        // Fill up with copies of random entries until there is an icon for every pair.
        while (N / 2 > static_cast<double>(pool.size())) {
            const double r = random_.next();
            const auto k = static_cast<long long>(std::floor(r * (static_cast<double>(pool.size()) - 1)));
            pool.push_back(poolEntry(k));
        }

        // The mode file is read afresh for every pair; its name is looked up (without regard
        // to case) once, so a large theme folder is not listed again for every pair.
        const auto modeFile = fs_.resolve(themeDir + "/" + theme::kModeFile);
        for (long long i = 0; static_cast<double>(i) <= (N - 1) / 2; ++i) {
            double mode = 1;
            if (modeFile && fs_.isRegularFile(*modeFile)) {
                const auto text = fs_.readFile(*modeFile);
                if (!text) fail(FailureKind::FileError, "mode file unreadable");
                mode = theme::modeFromText(*text);
            }
            const double r = random_.next();
            const Int16 k = toInt16(r * (static_cast<double>(pool.size()) - 1));
            const std::string entry = mode == 1 ? poolEntry(k) : poolEntry(i);
            deck.push_back(entry);
            deck.push_back(entry);
            if (k < 0 || k >= static_cast<long long>(pool.size())) fail(FailureKind::OutOfRange, "pool entry");
            pool.erase(pool.begin() + k);
        }
    });
}

void Game::CenterInContainer(Panel& panel) {
    panel.Left = toSingle(static_cast<double>(Width) / 2 - static_cast<double>(panel.Width) / 2);
    notify(ChangeGeometry);
}

void Game::CenterOnScreen() {
    ScreenSize screen;
    if (view_) screen = view_->screenSize();
    const std::int32_t sh = toInt32(screen.height), sw = toInt32(screen.width);
    const std::int32_t h = toInt32(Height), w = toInt32(Width);
    // Whole twips, halved with truncation: an odd size leaves the window half a twip left of
    // and above the exact centre.
    Top = static_cast<float>(sh / 2 - h / 2);   // NOLINT(bugprone-integer-division)
    Left = static_cast<float>(sw / 2 - w / 2);  // NOLINT(bugprone-integer-division)
    notify(ChangeGeometry);
}

void Game::StartGame() {
    // The first failure ends the routine: the steps after it are not taken.
    attempt([&] {
        settings_.ReloadSettings();
        LoadLists();
        showNewGameCaptions();
        dealCards();
        fitWindowToBoard();
    });
}

void Game::showNewGameCaptions() {
    const LiveSettings& s = settings_.live;
    ElapsedSeconds = 0;
    FlipCount = 0;
    setCaption(lblBestTime, "");
    setCaption(lblBestFlips, "");
    setCaption(lblTime, s.BoardCols >= 8 ? kLongHint : kShortHint);
    setCaption(lblFlips, "Spielfeld Grösse: " + decimal(s.BoardRows) + " x " + decimal(s.BoardCols));
    setTimeEnabled(false);
    picPanel.Visible = false;
    notify(ChangePanel);
    if (view_) view_->processEvents();
}

void Game::dealCards() {
    const LiveSettings& s = settings_.live;
    OneCardOpen = false;
    FirstCard = -1;
    SecondCard = -1;

    imgPiece.resize(1);
    notify(ChangeCards);

    const double N = leadingNumber(s.BoardSizeKey);
    const long long last = static_cast<long long>(roundHalfEven(N - 1));
    auto& deck = lstIcons[1];
    for (long long i = 0; i <= last; ++i) {
        const Int16 index = toInt16(i);
        if (index > 0) {
            Card copy;  // a copy of the template: same size, starts invisible
            copy.Width = imgPiece[0].Width;
            copy.Height = imgPiece[0].Height;
            copy.Visible = false;
            imgPiece.push_back(copy);
        }
        Card& c = imgPiece[static_cast<std::size_t>(index)];
        c.Enabled = true;
        const double r = random_.next();
        const Int16 k = toInt16(static_cast<double>(r) * (static_cast<double>(deck.size()) - 1));
        if (k < 0 || k >= static_cast<int>(deck.size())) fail(FailureKind::OutOfRange, "deck entry");
        c.Tag = deck[static_cast<std::size_t>(k)];
        deck.erase(deck.begin() + k);
        c.picture = covers_.CoverImage;
        c.Visible = true;
        if (index > 0) {
            const Card& prev = imgPiece[static_cast<std::size_t>(index - 1)];
            if (s.BoardCols == 0) fail(FailureKind::InvalidValue, "division by zero");
            if (index % s.BoardCols == 0) {
                c.Left = imgPiece[0].Left;
                c.Top = prev.Top + prev.Height + 50.0f;
            } else {
                c.Left = prev.Left + prev.Width + 50.0f;
                c.Top = prev.Top;
            }
        }
    }
    notify(ChangeCards);
}

void Game::fitWindowToBoard() {
    const double N = leadingNumber(settings_.live.BoardSizeKey);
    const Card& L = card(toInt16(roundHalfEven(N - 1)));
    picPanel.Width = L.Width + L.Left + 250.0f;
    picPanel.Height = L.Height + L.Top + 250.0f;
    const Int16 W = toInt16(static_cast<double>(PanelLeft) + picPanel.Width + 200.0);
    const Int16 H = toInt16(static_cast<double>(picPanel.Top) + picPanel.Height + 200.0);
    if (W < MinFormWidth) {
        setWidth(MinFormWidth);
        CenterInContainer(picPanel);
    } else {
        setWidth(W);
        picPanel.Left = PanelLeft;
    }
    setHeight(H < MinFormHeight ? MinFormHeight : H);
    picPanel.Visible = true;
    notify(ChangePanel | ChangeGeometry);
    CenterOnScreen();
}

// ---- turning cards ---------------------------------------------------------------------

bool Game::acceptsClick(int index) const {
    if (!Enabled || !picPanel.Enabled || !picPanel.Visible) return false;
    if (index < 0 || index >= static_cast<int>(imgPiece.size())) return false;
    const Card& c = imgPiece[static_cast<std::size_t>(index)];
    return c.Enabled && c.Visible;
}

void Game::turnUp(int index) {
    Card& c = card(index);
    auto picture = loader_.load(c.Tag);
    if (!picture) fail(FailureKind::FileError, "face picture");
    c.picture = std::move(*picture);
    notifyCard(index);
}

bool Game::changeCard(int index, const std::function<void(Card&)>& change) {
    return attempt([&] {
        change(card(index));
        notifyCard(index);
    });
}

// Each statement of a click stands alone: one that fails is left out and the click goes on.
// The failures they guard against: an index that names no card (-1 before the first pair,
// or a card of a game that was dealt anew during the pause after a found pair), a counter
// or index beyond 16 bits, a face picture that cannot be loaded.
void Game::imgPiece_Click(int Index) {
    attempt([&] { setTimeEnabled(true); });
    attempt([&] {
        if (playClick_) playClick_();
    });
    if (!OneCardOpen) {
        if (FirstCard != -1 && SecondCard != -1) settleLastPair();
        turnFirstCard(Index);
    } else {
        turnSecondCard(Index);
        bool equal = false;
        attempt([&] { equal = card(SecondCard).Tag == card(FirstCard).Tag; });
        if (equal) {
            takeFoundPair();
        } else if (settings_.live.AutoCover == 1) {
            setAutoBackEnabled(true);
            setWindowEnabled(false);
        }
    }
    CheckForWin();
}

void Game::settleLastPair() {
    // The pair turned last is still up: a found one is marked, an unequal one covered.
    attempt([&] {
        Card& first = card(FirstCard);
        Card& second = card(SecondCard);
        if (second.Tag == first.Tag) {
            second.Enabled = false;
            first.Enabled = false;
            first.Tag = kFoundTag;
            second.Tag = kFoundTag;
        } else {
            first.picture = covers_.CoverImage;
            second.picture = first.picture;
        }
        notifyCard(FirstCard);
        notifyCard(SecondCard);
    });
}

void Game::turnFirstCard(int Index) {
    attempt([&] { FirstCard = toInt16(static_cast<long long>(Index)); });
    changeCard(FirstCard, [](Card& c) { c.Enabled = false; });
    OneCardOpen = true;
    attempt([&] { turnUp(Index); });
}

void Game::turnSecondCard(int Index) {
    attempt([&] { FlipCount = toInt16(static_cast<long long>(FlipCount) + 1); });
    attempt([&] { setCaption(lblFlips, "Versuche: " + decimal(FlipCount)); });
    changeCard(FirstCard, [](Card& c) { c.Enabled = true; });
    attempt([&] { SecondCard = toInt16(static_cast<long long>(Index)); });
    OneCardOpen = false;
    attempt([&] { turnUp(Index); });
}

void Game::takeFoundPair() {
    changeCard(SecondCard, [](Card& c) { c.Enabled = false; });
    changeCard(FirstCard, [](Card& c) { c.Enabled = false; });
    picPanel.Enabled = false;
    notify(ChangePanel);
    WaitSeconds(0.2);
    picPanel.Enabled = true;
    notify(ChangePanel);
    // A new game may have started during the pause: the indices then name no card any more,
    // and the steps below find nothing to change.
    if (settings_.live.RemovePairs == 1) {
        changeCard(SecondCard, [](Card& c) { c.Visible = false; });
        changeCard(FirstCard, [](Card& c) { c.Visible = false; });
    }
    changeCard(FirstCard, [](Card& c) { c.Tag = kFoundTag; });
    changeCard(SecondCard, [](Card& c) { c.Tag = kFoundTag; });
}

void Game::tmrAutoBack_Timer() {
    changeCard(FirstCard, [&](Card& c) { c.picture = covers_.CoverImage; });
    attempt([&] {
        card(SecondCard).picture = card(FirstCard).picture;
        notifyCard(SecondCard);
    });
    setWindowEnabled(true);
    setAutoBackEnabled(false);
}

void Game::WaitSeconds(double Seconds) {
    const double deadline = clock_.now() + Seconds;
    for (double now = clock_.now(); deadline > now; now = clock_.now()) {
        if (view_) {
            view_->processEventsWaiting(deadline - now);
        }
    }
}

// ---- clock and win ---------------------------------------------------------------------

void Game::tmrTime_Timer() {
    // The count stops at the 16-bit limit; the label keeps showing it.
    attempt([&] { ElapsedSeconds = toInt16(static_cast<long long>(ElapsedSeconds) + 1); });
    setCaption(lblTime, "Zeit: " + decimal(ElapsedSeconds) + " Sekunden");
}

std::string Game::winMessage() const {
    return "DU HAST ES GESCHAFFT !    \nIn " + decimal(ElapsedSeconds) + " Sekunden\nMit " + decimal(FlipCount) +
           " Versuchen";
}

void Game::CheckForWin() {
    attempt([&] {
        for (const Card& c : imgPiece) {
            if (c.Tag != kFoundTag) return;
        }
        setTimeEnabled(false);
        if (view_) view_->showMessage(winMessage(), settings_.constants().AppTitle, MessageIcon::Information);
        StartGame();
    });
}

}  // namespace quorvia
