// Turning cards: the pair state machine, the pause after a found pair, turning back, the
// counters, the clock and the win.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace quorvia::test {
namespace {

struct Play : ::testing::Test {
    Board b;
    void deal(int rows, int cols, int removePairs, int autoCover, int icons = 30) {
        b.theme("quorvia", icons);
        b.ini(rows, cols, removePairs, autoCover);
        b.random = ScriptedRandom({}, 0.41f);
        b.game.StartGame();
    }
    const Card& card(int i) { return b.game.imgPiece.at(static_cast<std::size_t>(i)); }
    bool faceUp(int i) { return card(i).picture.source == card(i).Tag; }
    bool faceDown(int i) { return card(i).picture.source == ":DefCover"; }
};

// The first card of a pair: the clock starts, the click sounds, the card turns up and is
// locked so it cannot be clicked a second time.
TEST_F(Play, FirstCardTurnsUpAndLocks) {
    deal(2, 4, 1, 1);
    EXPECT_FALSE(b.game.tmrTimeEnabled) << "a new game waits for the first click";
    b.click(3);
    EXPECT_TRUE(b.game.tmrTimeEnabled);
    EXPECT_EQ(b.clicks, 1);
    EXPECT_TRUE(faceUp(3));
    EXPECT_FALSE(card(3).Enabled);
    EXPECT_TRUE(b.game.OneCardOpen);
    EXPECT_EQ(b.game.FirstCard, 3);
    EXPECT_FALSE(b.game.acceptsClick(3));
    b.click(3);
    EXPECT_EQ(b.clicks, 1) << "a click on the open first card does nothing at all";
    EXPECT_EQ(b.game.lblFlips.Caption, "Spielfeld Grösse: 2 x 4") << "no try counted yet";
}

// A found pair with removal: one try, both seen face up through a 0.2 s pause with the
// panel locked, then both leave the board marked as found.
TEST_F(Play, FoundPairIsRemovedAfterThePause) {
    deal(2, 4, 1, 1);
    const auto [x, y] = b.equalPair();
    bool panelLockedDuringPause = false;
    bool bothUpDuringPause = false;
    b.click(x);
    b.view.queued.push_back([&] {
        panelLockedDuringPause = !b.game.picPanel.Enabled;
        bothUpDuringPause = faceUp(x) && faceUp(y) && card(x).Visible && card(y).Visible;
    });
    const double before = b.clock.time;
    b.click(y);
    EXPECT_TRUE(panelLockedDuringPause);
    EXPECT_TRUE(bothUpDuringPause);
    EXPECT_GE(b.clock.time - before, 0.2) << "the pause lasts until 0.2 s have passed";
    EXPECT_LT(b.clock.time - before, 0.2 + 2 * b.view.clockStepPerRound);
    EXPECT_TRUE(b.game.picPanel.Enabled);
    EXPECT_FALSE(card(x).Visible);
    EXPECT_FALSE(card(y).Visible);
    EXPECT_FALSE(card(x).Enabled || card(y).Enabled);
    EXPECT_EQ(card(x).Tag, kFoundTag);
    EXPECT_EQ(card(y).Tag, kFoundTag);
    EXPECT_EQ(b.game.FlipCount, 1);
    EXPECT_EQ(b.game.lblFlips.Caption, "Versuche: 1");
}

// The rules switch on only at exactly 1: RemovePairs 0 or 2 leaves found pairs on the board,
// face up and locked; AutoCover 2 leaves unequal pairs open.
TEST_F(Play, RulesCountOnlyWhenExactlyOne) {
    for (int value : {0, 2}) {
        auto fresh = [&] {
            auto board = std::make_unique<Board>();
            board->theme("quorvia", 30);
            board->ini(2, 4, value, value);
            board->random = ScriptedRandom({}, 0.41f);
            board->game.StartGame();
            return board;
        };
        auto found = fresh();
        const auto [x, y] = found->equalPair();
        found->click(x);
        found->click(y);
        const Card& cx = found->game.imgPiece[static_cast<std::size_t>(x)];
        EXPECT_TRUE(cx.Visible) << value;
        EXPECT_FALSE(cx.Enabled) << value;
        EXPECT_NE(cx.picture.source, ":DefCover") << value;

        auto unequal = fresh();
        const auto [p, q] = unequal->unequalPair();
        unequal->click(p);
        unequal->click(q);
        EXPECT_TRUE(unequal->game.Enabled) << "no automatic turning back at AutoCover " << value;
        EXPECT_FALSE(unequal->game.tmrAutoBackEnabled);
    }
}

// An unequal pair with AutoCover 1: the whole window ignores input until the turn-back
// timer fires; then both are face down and the window takes input again.
TEST_F(Play, UnequalPairTurnsBackByTimer) {
    deal(2, 4, 1, 1);
    const auto [x, y] = b.unequalPair();
    b.click(x);
    b.click(y);
    EXPECT_TRUE(faceUp(x) && faceUp(y));
    EXPECT_FALSE(b.game.Enabled);
    EXPECT_TRUE(b.game.tmrAutoBackEnabled);
    EXPECT_FALSE(b.game.acceptsClick(5));
    EXPECT_EQ(b.game.FlipCount, 1);
    b.game.tmrAutoBack_Timer();
    EXPECT_TRUE(faceDown(x) && faceDown(y));
    EXPECT_TRUE(b.game.Enabled);
    EXPECT_FALSE(b.game.tmrAutoBackEnabled);
    EXPECT_TRUE(card(x).Enabled && card(y).Enabled);
}

// An unequal pair without AutoCover stays open and clickable; a click on one of its cards
// turns both face down and opens the clicked one as the first card of a new pair.
TEST_F(Play, UnequalPairTurnsBackAtTheNextClick) {
    deal(2, 4, 1, 0);
    const auto [x, y] = b.unequalPair();
    b.click(x);
    b.click(y);
    EXPECT_TRUE(b.game.Enabled);
    EXPECT_TRUE(card(x).Enabled && card(y).Enabled);
    EXPECT_TRUE(faceUp(x) && faceUp(y));
    b.click(y);
    EXPECT_TRUE(faceDown(x));
    EXPECT_TRUE(faceUp(y));
    EXPECT_FALSE(card(y).Enabled);
    EXPECT_EQ(b.game.FirstCard, y);
    EXPECT_TRUE(b.game.OneCardOpen);
    EXPECT_EQ(b.game.FlipCount, 1);
}

// A new game started from the menu during the pause: the interrupted click finds no card
// of the old pair and leaves the new board untouched.
TEST_F(Play, NewGameDuringThePause) {
    deal(2, 4, 1, 1);
    const auto [x, y] = b.equalPair();
    b.click(x);
    b.view.queued.push_back([&] { b.game.StartGame(); });
    b.click(y);
    ASSERT_EQ(b.game.imgPiece.size(), 8u);
    for (const Card& c : b.game.imgPiece) {
        EXPECT_TRUE(c.Visible);
        EXPECT_TRUE(c.Enabled);
        EXPECT_NE(c.Tag, kFoundTag);
        EXPECT_EQ(c.picture.source, ":DefCover");
    }
    EXPECT_EQ(b.game.FlipCount, 0);
    EXPECT_TRUE(b.game.picPanel.Enabled);
}

// Faces are read from their files at every turn, nothing is cached; a face that cannot be
// loaded leaves the cover showing, and the tags still decide the pair.
TEST_F(Play, FacesAreReadAtEveryTurn) {
    deal(2, 4, 0, 0);
    const auto [x, y] = b.equalPair();
    const int other = b.unequalPair().second;
    b.loader.unloadable.insert(card(x).Tag);
    b.click(other);
    b.click(y);      // an unequal pair: both stay up
    b.click(other);  // both turn down, and `other` is read again as a new first card
    EXPECT_EQ(std::count(b.loader.loads.begin(), b.loader.loads.end(), card(other).Tag), 2);
    b.click(x);
    EXPECT_TRUE(faceDown(x)) << "an unloadable face leaves the cover";
    b.click(y);
    b.click(x);
    EXPECT_EQ(card(x).Tag, kFoundTag);
    EXPECT_EQ(card(y).Tag, kFoundTag);
}

// Both counters stop at the 16-bit limit; the clock's word stays plural for 1.
TEST_F(Play, CountersStopAt32767) {
    deal(2, 4, 1, 0);
    b.game.tmrTime_Timer();
    EXPECT_EQ(b.game.lblTime.Caption, "Zeit: 1 Sekunden");
    b.game.ElapsedSeconds = 32767;
    b.game.tmrTime_Timer();
    EXPECT_EQ(b.game.lblTime.Caption, "Zeit: 32767 Sekunden");
    b.game.FlipCount = 32767;
    const auto [x, y] = b.unequalPair();
    b.click(x);
    b.click(y);
    EXPECT_EQ(b.game.lblFlips.Caption, "Versuche: 32767");
}

// Winning a 1 x 2 board: the clock stops before the message, the message has the exact
// text, title and icon, and a new game of the same size follows.
TEST_F(Play, WinningShowsTheResultAndDealsAgain) {
    deal(1, 2, 1, 1);
    b.game.tmrTime_Timer();
    b.game.tmrTime_Timer();
    b.game.tmrTime_Timer();
    bool clockStoppedForMessage = false;
    b.view.onMessage = [&] { clockStoppedForMessage = !b.game.tmrTimeEnabled; };
    b.click(0);
    EXPECT_TRUE(b.view.messages.empty());
    b.click(1);
    ASSERT_EQ(b.view.messages.size(), 1u);
    EXPECT_EQ(b.view.messages[0].text, "DU HAST ES GESCHAFFT !    \nIn 3 Sekunden\nMit 1 Versuchen");
    EXPECT_EQ(b.view.messages[0].title, "Oskel's Quorvia");
    EXPECT_EQ(b.view.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(clockStoppedForMessage);
    EXPECT_EQ(b.game.imgPiece.size(), 2u);
    EXPECT_TRUE(b.game.imgPiece[0].Visible && b.game.imgPiece[1].Visible);
    EXPECT_NE(b.game.imgPiece[0].Tag, kFoundTag);
    EXPECT_EQ(b.game.FlipCount, 0);
    EXPECT_EQ(b.game.lblTime.Caption, "Zum Starten einfach losklicken...");
    EXPECT_FALSE(b.game.tmrTimeEnabled);
}

// Clicks reach the game only on visible, enabled cards of an enabled panel and window.
TEST_F(Play, WhichClicksGetThrough) {
    deal(2, 4, 1, 1);
    EXPECT_TRUE(b.game.acceptsClick(0));
    EXPECT_FALSE(b.game.acceptsClick(-1));
    EXPECT_FALSE(b.game.acceptsClick(8));
    b.game.picPanel.Enabled = false;
    EXPECT_FALSE(b.game.acceptsClick(0));
    b.game.picPanel.Enabled = true;
    b.game.Enabled = false;
    EXPECT_FALSE(b.game.acceptsClick(0));
    b.game.Enabled = true;
    b.game.imgPiece[0].Visible = false;
    EXPECT_FALSE(b.game.acceptsClick(0));
}

}  // namespace
}  // namespace quorvia::test
