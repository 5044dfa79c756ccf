// A long random run against the game core: clicks, clock ticks, the turn-back timer,
// new games (also in the middle of the pause after a found pair), restored defaults and
// confirmed options with random values. After every event the invariants of play must hold.

#include "board/BoardFixture.h"
#include "options/OptionsLogic.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace quorvia::test {
namespace {

// The random run, and the options dialog's view: its messages are ignored, closing is noted.
struct Soak : OptionsView {
    static constexpr std::size_t kIcons = 40;
    Board b;
    std::mt19937 rng{20261206};
    int prevFlips = 0, prevSeconds = 0;
    long events = 0, games = 0;
    bool dialogClosed = false;

    void processEvents() override {}
    void showMessage(const std::string&, const std::string&, MessageIcon) override {}
    void destroyDialog() override { dialogClosed = true; }

    Soak() {
        b.theme("quorvia", kIcons);
        b.ini(4, 6);
        step(101);
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    // Every icon lies on exactly two cards when the theme has an icon for every pair, and
    // on an even number of cards when the theme had to be filled up with repeats.
    void checkFreshDeal() {
        std::map<std::string, int> counts;
        for (const Card& c : b.game.imgPiece) {
            ++counts[c.Tag];
            ASSERT_TRUE(c.Enabled && c.Visible && c.picture == b.game.covers().CoverImage) << "event " << events;
        }
        for (const auto& [tag, n] : counts) {
            ASSERT_TRUE(b.game.imgPiece.size() <= 2 * kIcons ? n == 2 : n % 2 == 0) << events << ": " << tag;
        }
        ASSERT_TRUE(b.game.lstIcons[1].empty() && !b.game.tmrTimeEnabled) << "event " << events;
        ++games;
    }

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
            ASSERT_TRUE(b.game.Enabled) << "the window takes input again after turning back";
        } else if (roll == 98) {
            randomOptions();
        } else if (roll == 99) {
            b.game.setWindowEnabled(true);
            b.settings.mnuStand_Click();
        } else if (roll >= 95) {
            b.game.StartGame();
        }
        if (b.view.changeLog & ChangeCards) {  // only a new game makes or removes cards
            prevFlips = prevSeconds = 0;
            if (b.game.FlipCount == 0 && !b.game.OneCardOpen && b.game.FirstCard == -1) checkFreshDeal();
        }
        ASSERT_TRUE(b.game.FlipCount >= prevFlips && b.game.ElapsedSeconds >= prevSeconds)
            << "a counter went down within a game at event " << events;
        std::tie(prevFlips, prevSeconds) = std::tuple(b.game.FlipCount, b.game.ElapsedSeconds);
        int open = 0;
        for (const Card& c : b.game.imgPiece) {
            if (c.Tag == kFoundTag) ASSERT_FALSE(c.Enabled) << "a found card is clickable at event " << events;
            open += c.Tag != kFoundTag && c.picture != b.game.covers().CoverImage;
        }
        ASSERT_LE(open, 2) << "more than two unfound cards face up at event " << events;
        ASSERT_TRUE(b.game.picPanel.Enabled) << "the panel stays locked after a click";
    }
};

// 200,000 random events keep every invariant of play, and the run really plays: games
// are won and new ones dealt.
TEST(Soak, TwoHundredThousandRandomEvents) {
    Soak soak;
    for (int i = 0; i < 200000 && !::testing::Test::HasFatalFailure(); ++i) soak.step(soak.pick(100));
    EXPECT_GT(soak.b.view.messages.size(), 10u) << "games won";
    EXPECT_GT(soak.games, 100);
}

}  // namespace
}  // namespace quorvia::test
