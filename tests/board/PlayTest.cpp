// Turning cards: the pair state machine, the pause after a found pair, turning back, the
// counters, the clock and the win.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvia::test {
namespace {

// A dealt board with 30 icons and a fixed deal.
struct Dealt : Board {
    Dealt(int rows, int cols, int removePairs, int autoCover) {
        theme("quorvia", 30);
        ini(rows, cols, removePairs, autoCover);
        random = ScriptedRandom({}, 0.41f);
        game.StartGame();
    }
    const Card& card(int i) { return game.imgPiece.at(static_cast<std::size_t>(i)); }

    // The given cards, one letter each: d face down, u face up, f found, x found and gone;
    // upper case when locked. Then the window, panel, clock and turn-back timer (upper case
    // when enabled), the tries, and the open first card of a pair.
    std::string state(std::initializer_list<int> cards) {
        std::string s;
        for (int i : cards) {
            const Card& c = card(i);
            const char l = !c.Visible ? 'x' : c.picture.source == ":DefCover" ? 'd' : c.Tag == kFoundTag ? 'f' : 'u';
            s += c.Enabled ? l : static_cast<char>(std::toupper(l));
        }
        const Game& g = game;
        s += std::string(" ") + (g.Enabled ? 'W' : 'w') + (g.picPanel.Enabled ? 'P' : 'p') +
             (g.tmrTimeEnabled ? 'T' : 't') + (g.tmrAutoBackEnabled ? 'A' : 'a') + " " + std::to_string(g.FlipCount);
        return g.OneCardOpen ? s + " open " + std::to_string(g.FirstCard) : s;
    }
};

// The first card of a pair: the clock starts, the click sounds, the card turns up and is
// locked so it cannot be clicked a second time; that click does nothing at all, and
// neither do clicks just before and just after the board's ends.
TEST(Play, FirstCardTurnsUpAndLocks) {
    Dealt b(2, 4, 1, 1);
    b.click(3);
    EXPECT_EQ(b.state({3}), "U WPTa 0 open 3");
    for (int index : {3, -1, 8}) b.click(index);
    EXPECT_EQ(b.clicks, 1);
}

// Two cards turned, by RemovePairs, AutoCover and whether their icons match: a found pair
// is seen face up through a 0.2 s pause with the panel locked, then leaves the board only
// at RemovePairs exactly 1, otherwise it stays face up and locked; an unequal pair locks
// the window for the turn-back timer only at AutoCover exactly 1, otherwise it stays open
// and clickable. Either way it is one try.
TEST(Play, TwoCardsByRemovePairsAndAutoCover) {
    const std::tuple<int, bool, const char*, const char*> cases[] = {
        {1, true, "UU WpTa 1", "XX WPTa 1"}, {0, true, "UU WpTa 1", "FF WPTa 1"}, {2, true, "UU WpTa 1", "FF WPTa 1"},
        {1, false, "", "uu wPTA 1"},         {0, false, "", "uu WPTa 1"},         {2, false, "", "uu WPTa 1"},
    };
    for (const auto& [rule, equal, duringPause, after] : cases) {
        SCOPED_TRACE(std::to_string(rule) + (equal ? " equal" : " unequal"));
        Dealt b(2, 4, rule, rule);
        const auto [x, y] = b.pairWithFirst(equal);
        std::string paused;
        b.click(x);
        b.view.queued.push_back([&, x = x, y = y] { paused = b.state({x, y}); });
        const double before = b.clock.time;
        b.click(y);
        EXPECT_EQ(b.state({x, y}) + " after " + paused, std::string(after) + " after " + duringPause);
        EXPECT_GE(b.clock.time - before, equal ? 0.2 : 0.0) << "the pause lasts until 0.2 s have passed";
        EXPECT_LT(b.clock.time - before, equal ? 0.2 + 2 * b.view.clockStepPerRound : 0.0001);
    }
}

// The second card leaves the running clock alone: restarting it at every click would
// freeze the time of a player who clicks faster than once a second. Both counters stop at
// the 16-bit limit.
TEST(Play, SecondCardLeavesTheRunningClockAloneAndTheCountersStopAt32767) {
    Dealt b(2, 4, 0, 0);
    const auto [x, y] = b.pairWithFirst(false);
    b.click(x);
    b.game.tmrTime_Timer();
    b.view.changeLog = 0;
    b.click(y);
    b.click(x);
    EXPECT_TRUE(b.game.tmrTimeEnabled);
    EXPECT_EQ(b.view.changeLog & ChangeTimers, 0u) << "the clock was switched again";
    b.game.tmrTime_Timer();
    EXPECT_EQ(b.game.ElapsedSeconds, 2);
    b.game.ElapsedSeconds = b.game.FlipCount = 32767;
    b.game.tmrTime_Timer();
    b.click(y);  // x is open again as a first card: one more try
    EXPECT_EQ(b.game.lblTime.Caption + "|" + b.game.lblFlips.Caption, "Zeit: 32767 Sekunden|Versuche: 32767");
}

// Faces are read from their files at every turn, nothing is cached; a face that cannot be
// loaded leaves the cover showing, and the tags still decide the pair. Without the turn-back
// timer (AutoCover 0) an unequal pair turns face down at the next click on one of its cards,
// which opens that card as the first of a new pair.
TEST(Play, FacesAreReadAtEveryTurn) {
    Dealt b(2, 4, 0, 0);
    const auto [x, y] = b.pairWithFirst(true);
    const int other = b.pairWithFirst(false).second;
    b.loader.unloadable.insert(b.card(x).Tag);
    b.click(other);
    b.click(y);      // an unequal pair: both stay up
    b.click(other);  // both turn down, and `other` is read again as a new first card
    EXPECT_EQ(std::count(b.loader.loads.begin(), b.loader.loads.end(), b.card(other).Tag), 2);
    b.click(x);
    EXPECT_EQ(b.state({x}), "d WPTa 2") << "an unloadable face leaves the cover";
    b.click(y);  // the unequal pair turns down, and y opens a new pair
    EXPECT_EQ(b.state({other, y}), "dD WPTa 2 open " + std::to_string(y));
    b.click(x);
    EXPECT_EQ(std::tuple(b.card(x).Tag, b.card(y).Tag), std::tuple(kFoundTag, kFoundTag));
}

// Winning a 1 x 2 board: the clock stops before the message, the message counts the
// seconds and tries, and a new game of the same size follows.
TEST(Play, WinningShowsTheResultAndDealsAgain) {
    Dealt b(1, 2, 1, 1);
    for (int i = 0; i < 3; ++i) b.game.tmrTime_Timer();
    bool clockStoppedForMessage = false;
    b.view.onMessage = [&] { clockStoppedForMessage = !b.game.tmrTimeEnabled; };
    b.click(0);
    b.click(1);
    ASSERT_EQ(b.view.messages.size(), 1u);
    EXPECT_EQ(b.view.messages[0].text, "DU HAST ES GESCHAFFT !    \nIn 3 Sekunden\nMit 1 Versuchen");
    EXPECT_TRUE(clockStoppedForMessage);
    EXPECT_EQ(b.state({0, 1}), "dd WPta 0");
}

}  // namespace
}  // namespace quorvia::test
