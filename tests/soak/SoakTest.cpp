// A long random session against the game core: clicks, clock ticks, the turn-back timer,
// new games (also in the middle of the pause after a found pair), restored defaults and
// confirmed options with random values. After every event the invariants of play must hold.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <random>

namespace quorvia::test {
namespace {

// Notices every new deal: only a game start hides the card panel.
class WatchingView : public NullBoardView {
public:
    Game* game = nullptr;
    bool newGame = false;
    void changed(unsigned changes) override {
        NullBoardView::changed(changes);
        if (game && (changes & ChangePanel) && !game->picPanel.Visible) newGame = true;
    }
};

struct Soak {
    Board b;
    WatchingView view;
    std::mt19937 rng{20261206};
    int prevFlips = 0, prevSeconds = 0;
    long events = 0, wins = 0, games = 0, pairsFound = 0;

    Soak() {
        b.theme("quorvia", 40);
        b.ini(4, 6);
        view.game = &b.game;
        view.clock = &b.clock;
        b.game.attach(&view);
        b.game.StartGame();
        checkFreshDeal();
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    float unit() { return std::uniform_real_distribution<float>(0.0f, 0.999f)(rng); }

    void checkFreshDeal() {
        std::map<std::string, int> counts;
        for (const Card& c : b.game.imgPiece) ++counts[c.Tag];
        for (const auto& [tag, n] : counts) ASSERT_EQ(n, 2) << "after event " << events << ": " << tag;
        for (const Card& c : b.game.imgPiece) {
            ASSERT_TRUE(c.Enabled && c.Visible);
            ASSERT_EQ(c.picture, b.game.covers().CoverImage);
        }
        ASSERT_TRUE(b.game.lstIcons[1].empty());
        ASSERT_FALSE(b.game.tmrTimeEnabled);
        ++games;
    }

    void randomOptions() {
        static const int sizes[][2] = {{4, 6}, {5, 8}, {2, 2}, {1, 24}, {6, 10}, {3, 4}};
        const auto& s = sizes[pick(6)];
        b.game.setWindowEnabled(true);
        b.settings.dialog = {static_cast<Int16>(s[0]),
                             static_cast<Int16>(s[1]),
                             static_cast<Int16>(pick(3)),
                             static_cast<Int16>(pick(3)),
                             "quorvia",
                             "@"};
        b.settings.SaveSettings(s[0], s[1], b.settings.dialog.DialogRemovePairs, b.settings.dialog.DialogAutoCover,
                                "quorvia", "@");
    }

    void step() {
        ++events;
        view.newGame = false;
        const std::size_t messagesBefore = view.messages.size();
        bool autoBackFired = false;
        const int roll = pick(100);
        if (roll < 70) {
            const int index = pick(static_cast<int>(b.game.imgPiece.size()));
            if (pick(20) == 0) view.queued.push_back([this] { b.game.StartGame(); });
            b.click(index);
            view.queued.clear();
        } else if (roll < 85) {
            if (b.game.tmrTimeEnabled) b.game.tmrTime_Timer();
        } else if (roll < 95) {
            if (b.game.tmrAutoBackEnabled) {
                b.game.tmrAutoBack_Timer();
                autoBackFired = true;
            }
        } else if (roll < 98) {
            b.game.StartGame();
        } else if (roll < 99) {
            randomOptions();
        } else {
            b.game.setWindowEnabled(true);
            b.settings.mnuStand_Click();
        }

        if (view.messages.size() > messagesBefore) ++wins;
        if (autoBackFired) ASSERT_TRUE(b.game.Enabled) << "the window takes input again after turning back";
        if (view.newGame) {
            prevFlips = prevSeconds = 0;
            if (b.game.FlipCount == 0 && !b.game.OneCardOpen && b.game.FirstCard == -1) checkFreshDeal();
        }
        ASSERT_GE(b.game.FlipCount, prevFlips) << "tries went down within a game at event " << events;
        ASSERT_GE(b.game.ElapsedSeconds, prevSeconds) << "seconds went down within a game at event " << events;
        prevFlips = b.game.FlipCount;
        prevSeconds = b.game.ElapsedSeconds;
        int open = 0;
        for (const Card& c : b.game.imgPiece) {
            if (c.Tag == kFoundTag) ASSERT_FALSE(c.Enabled) << "a found card is clickable at event " << events;
            if (c.Tag != kFoundTag && c.picture != b.game.covers().CoverImage) ++open;
        }
        ASSERT_LE(open, 2) << "more than two unfound cards face up at event " << events;
        ASSERT_TRUE(b.game.picPanel.Enabled) << "the panel stays locked after a click";
    }
};

// 200,000 random events keep every invariant of play, and the session really plays: games
// are won, pairs are found, options change the board.
TEST(Soak, TwoHundredThousandRandomEvents) {
    Soak soak;
    for (int i = 0; i < 200000; ++i) {
        soak.step();
        if (::testing::Test::HasFatalFailure()) return;
    }
    EXPECT_GT(soak.wins, 10);
    EXPECT_GT(soak.games, 100);
}

}  // namespace
}  // namespace quorvia::test
