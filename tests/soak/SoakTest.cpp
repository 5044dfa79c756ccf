// A long random run against the game core: clicks, clock ticks, the turn-back timer,
// new games (also in the middle of the pause after a found pair), restored defaults and
// confirmed options with random values. After every event the invariants of play must hold.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <random>

namespace quorvia::test {
namespace {

// The random run, and the options dialog's view: its messages are ignored, closing is noted.
struct Soak : NullOptionsView {
    Board b;
    std::mt19937 rng{20261206};
    int prevFlips = 0, prevSeconds = 0;
    long events = 0;
    bool dialogClosed = false;

    void destroyDialog() override { dialogClosed = true; }

    Soak() {
        b.theme("quorvia", 40);  // fewer icons than the larger boards have pairs
        b.ini(4, 6);
        step(101);
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    // The options dialog opened from the menu: a random size, perhaps a preset, random rules
    // and a random cover from the strip, then OK or cancel. An odd size keeps the dialog open; it
    // is cancelled then.
    void randomOptions() {
        dialogClosed = false;
        b.game.setWindowEnabled(false);
        OptionsLogic dialog(b.settings, b.game, diskFileSystem(), b.loader, *this);
        dialog.Form_Load();
        dialog.cboRows.setText(std::to_string(1 + pick(6)));
        dialog.cboCols.setText(std::to_string(4 + pick(5)));
        if (pick(2)) dialog.Option1_Click(pick(static_cast<int>(kPresets.size())));
        dialog.Check1_Click(pick(2) == 1);
        dialog.Check2_Click(pick(2) == 1);
        if (pick(2)) dialog.Image1_Click(pick(kStripSlots));
        if (pick(4)) dialog.cmdOK_Click();
        if (!dialogClosed) dialog.cmdAbort_Click();
        ASSERT_TRUE(b.game.Enabled) << "the board takes input again after the dialog at event " << events;
    }

    // One event (a roll of 0 to 99 picks it; 101 deals a new game), then the invariants.
    void step(int roll) {
        ++events;
        while (b.random.pending() < 1000) b.random.push(std::uniform_real_distribution<float>(0.0f, 0.999f)(rng));
        b.view.changeLog = 0;
        if (roll < 70) {
            if (pick(20) == 0) b.view.queued.push_back([this] { b.game.StartGame(); });
            b.click(pick(static_cast<int>(b.game.imgPiece.size())));
            b.view.queued.clear();
        } else if (roll < 85 && b.game.tmrTimeEnabled) {
            b.game.tmrTime_Timer();
        } else if (roll >= 85 && roll < 95 && b.game.tmrAutoBackEnabled) {
            b.game.tmrAutoBack_Timer();
        } else if (roll == 98) {
            randomOptions();
        } else if (roll == 99) {
            b.game.setWindowEnabled(true);
            b.settings.mnuStand_Click();
        } else if (roll >= 95) {
            b.game.StartGame();
        }
        if (b.view.changeLog & ChangeCards) prevFlips = prevSeconds = 0;  // only a new game makes or removes cards
        ASSERT_TRUE(b.game.FlipCount >= prevFlips && b.game.ElapsedSeconds >= prevSeconds)
            << "a counter went down within a game at event " << events;
        std::tie(prevFlips, prevSeconds) = std::tuple(b.game.FlipCount, b.game.ElapsedSeconds);
        int open = 0;
        for (int i = 0; i < static_cast<int>(b.game.imgPiece.size()); ++i) {
            const Card& c = b.game.imgPiece[static_cast<std::size_t>(i)];
            if (c.Tag == kFoundTag) {
                ASSERT_FALSE(c.Enabled) << "a found card is clickable at event " << events;
            }
            open += c.Tag != kFoundTag && !b.game.isFaceDown(i);
        }
        ASSERT_LE(open, 2) << "more than two unfound cards face up at event " << events;
        ASSERT_TRUE(b.game.picPanel.Enabled) << "the panel stays locked after a click";
    }
};

// 200,000 random events keep every invariant of play, and the run really plays: games
// are won.
TEST(Soak, TwoHundredThousandRandomEvents) {
    Soak soak;
    for (int i = 0; i < 200000 && !::testing::Test::HasFatalFailure(); ++i) soak.step(soak.pick(100));
    EXPECT_GT(soak.b.view.messages.size(), 10u) << "games won";
}

}  // namespace
}  // namespace quorvia::test
