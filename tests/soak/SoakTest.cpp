// A long random session against the game core: clicks, clock ticks, the turn-back timer,
// new games (also in the middle of the pause after a found pair), restored defaults and
// confirmed options with random values. After every event the invariants of play must hold.

#include "board/BoardFixture.h"
#include "options/OptionsLogic.h"

#include <gtest/gtest.h>

#include <random>

namespace quorvia::test {
namespace {

// The options dialog without a window: messages are recorded, closing is noted.
struct NullOptionsView : OptionsView {
    void processEvents() override {}
    void showMessage(const std::string&, const std::string&, MessageIcon) override { ++messages; }
    void destroyDialog() override { closed = true; }
    int messages = 0;
    bool closed = false;
};

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
    static constexpr std::size_t kIcons = 40;
    Board b;
    WatchingView view;
    std::mt19937 rng{20261206};
    int prevFlips = 0, prevSeconds = 0;
    long events = 0, wins = 0, games = 0, pairsFound = 0;

    Soak() {
        b.theme("quorvia", kIcons);
        b.ini(4, 6);
        while (b.random.pending() < 1000) b.random.push(unit());
        view.game = &b.game;
        view.clock = &b.clock;
        b.game.attach(&view);
        b.game.StartGame();
        checkFreshDeal();
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    float unit() { return std::uniform_real_distribution<float>(0.0f, 0.999f)(rng); }

    // Every icon lies on exactly two cards when the theme has an icon for every pair, and
    // on an even number of cards when the theme had to be filled up with repeats.
    void checkFreshDeal() {
        std::map<std::string, int> counts;
        for (const Card& c : b.game.imgPiece) ++counts[c.Tag];
        const bool enoughIcons = b.game.imgPiece.size() <= 2 * kIcons;
        for (const auto& [tag, n] : counts) {
            if (enoughIcons) ASSERT_EQ(n, 2) << "after event " << events << ": " << tag;
            ASSERT_EQ(n % 2, 0) << "after event " << events << ": " << tag;
        }
        for (const Card& c : b.game.imgPiece) {
            ASSERT_TRUE(c.Enabled && c.Visible);
            ASSERT_EQ(c.picture, b.game.covers().CoverImage);
        }
        ASSERT_TRUE(b.game.lstIcons[1].empty());
        ASSERT_FALSE(b.game.tmrTimeEnabled);
        ++games;
    }

    // The options dialog opened from the menu: a random preset or size, random rules and a
    // random cover from the strip, then OK or cancel. An odd size keeps the dialog open; it
    // is cancelled then.
    void randomOptions() {
        NullOptionsView optionsView;
        b.game.setWindowEnabled(false);
        OptionsLogic dialog(b.settings, b.game, diskFileSystem(), b.loader, optionsView);
        dialog.Form_Load();
        if (pick(2)) {
            dialog.Option1_Click(pick(static_cast<int>(kPresets.size())));
        } else {
            dialog.cboRows.setText(std::to_string(1 + pick(6)));
            dialog.cboCols.setText(std::to_string(4 + pick(5)));
        }
        dialog.Check1_Click(pick(2) == 1);
        dialog.Check2_Click(pick(2) == 1);
        if (pick(2)) dialog.Image1_Click(pick(kStripSlots));
        if (pick(4)) dialog.cmdOK_Click();
        if (!optionsView.closed) dialog.cmdAbort_Click();
        ASSERT_TRUE(b.game.Enabled) << "the board takes input again after the dialog at event " << events;
    }

    void step() {
        ++events;
        while (b.random.pending() < 1000) b.random.push(unit());
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
