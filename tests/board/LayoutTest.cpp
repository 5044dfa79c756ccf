// Dealing a new game: the grid in twips, the window and panel sizes, the captions, and the
// deck ending up on the cards.

#include "board/BoardFixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quorvia::test {
namespace {

struct LayoutCase {
    int rows, cols;
    float windowW, windowH;
    float panelW, panelH, panelLeft;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

// The grid, panel and window sizes follow from the template card; the window never gets
// smaller than its loaded size, and a narrow board is centred in it.
TEST_P(LayoutTest, WindowAndPanelFollowTheGrid) {
    const LayoutCase& k = GetParam();
    Board b;
    b.theme("quorvia", 250);
    b.ini(k.rows, k.cols);
    b.game.StartGame();

    const int n = k.rows * k.cols;
    ASSERT_EQ(static_cast<int>(b.game.imgPiece.size()), n);
    EXPECT_FLOAT_EQ(b.game.Width, k.windowW);
    EXPECT_FLOAT_EQ(b.game.Height, k.windowH);
    EXPECT_FLOAT_EQ(b.game.picPanel.Width, k.panelW);
    EXPECT_FLOAT_EQ(b.game.picPanel.Height, k.panelH);
    EXPECT_FLOAT_EQ(b.game.picPanel.Left, k.panelLeft);
    EXPECT_FLOAT_EQ(b.game.picPanel.Top, 840);
    EXPECT_TRUE(b.game.picPanel.Visible);
    for (int i = 0; i < n; ++i) {
        const Card& card = b.game.imgPiece[static_cast<std::size_t>(i)];
        EXPECT_FLOAT_EQ(card.Left, 240.0f + 530.0f * static_cast<float>(i % k.cols)) << i;
        EXPECT_FLOAT_EQ(card.Top, 480.0f + 530.0f * static_cast<float>(i / k.cols)) << i;
        EXPECT_TRUE(card.Visible && card.Enabled) << i;
        EXPECT_EQ(card.picture.source, ":DefCover") << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Boards, LayoutTest,
                         ::testing::Values(LayoutCase{5, 8, 5000, 4370, 4680, 3330, 120},
                                           LayoutCase{1, 4, 2880, 2250, 2560, 1210, 120},
                                           LayoutCase{4, 1, 1755, 3840, 970, 2800, 392.5f},
                                           LayoutCase{2, 2, 1820, 2780, 1500, 1740, 120},
                                           LayoutCase{18, 27, 15070, 11260, 14750, 10220, 120}));

// The window is centred on the screen with integer twips, and a new game after a large
// one leaves exactly the new number of cards.
TEST(Layout, CentredAndShrinksWithoutStaleCards) {
    Board b;
    b.theme("quorvia", 250);
    b.ini(18, 27);
    b.game.StartGame();
    ASSERT_EQ(b.game.imgPiece.size(), 486u);
    b.ini(5, 8);
    b.game.StartGame();
    EXPECT_EQ(b.game.imgPiece.size(), 40u);
    EXPECT_FLOAT_EQ(b.game.Left, 19200 / 2 - 5000 / 2);
    EXPECT_FLOAT_EQ(b.game.Top, 14400 / 2 - 4370 / 2);
    b.ini(2, 1);
    b.game.StartGame();
    EXPECT_FLOAT_EQ(b.game.Width, 1755) << "never narrower than the loaded window";
    EXPECT_FLOAT_EQ(b.game.Height, 2780);
}

// The info texts of a fresh game: the short hint below 8 columns, the board size in the
// tries label, both record labels empty, counters, clock and pair state at rest, events let
// through exactly once while dealing.
TEST(Layout, CaptionsAndCountersOfANewGame) {
    const char* const longHint = "Rechtsklick öffnet das Menü. Zum Starten einfach losklicken...";
    const char* const shortHint = "Zum Starten einfach losklicken...";
    for (const auto& [rows, cols, time, flips] : {std::tuple{5, 8, longHint, "Spielfeld Grösse: 5 x 8"},
                                                  {8, 7, shortHint, "Spielfeld Grösse: 8 x 7"},
                                                  {12, 18, longHint, "Spielfeld Grösse: 12 x 18"}}) {
        Board b;
        b.theme("quorvia", 100);
        b.ini(rows, cols);
        b.game.FlipCount = 7;
        b.game.ElapsedSeconds = 9;
        b.game.OneCardOpen = true;
        b.game.StartGame();
        const Game& g = b.game;
        EXPECT_EQ(
            g.lblTime.Caption + "|" + g.lblFlips.Caption + "|" + g.lblBestTime.Caption + "|" + g.lblBestFlips.Caption,
            std::string(time) + "|" + flips + "||");
        EXPECT_EQ(std::tuple(g.FlipCount, g.ElapsedSeconds, g.tmrTimeEnabled, g.OneCardOpen, g.FirstCard, g.SecondCard,
                             b.view.eventRounds),
                  std::tuple(Int16(0), Int16(0), false, false, Int16(-1), Int16(-1), 1));
    }
}

// A golden deal: with a scripted sequence the choice of icons and their places are known.
// The pair draw rounds to nearest (ties to even), the deal draw likewise.
TEST(Layout, GoldenDealOfATwoByTwoBoard) {
    Board b;
    const auto icons = b.theme("quorvia", 3);  // a, b, c
    b.ini(2, 2);
    for (float r : {0.3f, 0.6f, 0.0f, 0.9f, 0.5f, 0.0f}) b.random.push(r);
    b.game.StartGame();
    ASSERT_EQ(b.game.imgPiece.size(), 4u);
    // Pairs: round(0.3*2)=1 -> b, then round(0.6*1)=1 -> c. Deal from [b,b,c,c]:
    // round(0*3)=0 -> b; round(0.9*2)=2 -> c; round(0.5*1)=0 (tie to even) -> b; then c.
    EXPECT_EQ(b.game.imgPiece[0].Tag, icons[1]);
    EXPECT_EQ(b.game.imgPiece[1].Tag, icons[2]);
    EXPECT_EQ(b.game.imgPiece[2].Tag, icons[1]);
    EXPECT_EQ(b.game.imgPiece[3].Tag, icons[2]);
    EXPECT_EQ(b.game.lstIcons[0], std::vector<std::string>{icons[0]});
    EXPECT_EQ(b.random.draws, 6);
}

// Boards that a hand-edited file can ask for: odd (13 pairs for 25 cards), empty (the game
// start ends with the panel hidden, the next good one shows it again), and too large for
// 16 bits (the previous size stays).
TEST(Layout, OddEmptyAndOverflowingBoards) {
    Board b;
    b.theme("quorvia", 40);
    b.ini(5, 5);
    b.game.StartGame();
    EXPECT_EQ(b.game.imgPiece.size(), 25u);
    EXPECT_EQ(b.game.lstIcons[1].size(), 1u);
    b.ini(0, 8);
    b.game.StartGame();
    EXPECT_FALSE(b.game.picPanel.Visible);
    b.ini(2, 3);
    b.game.StartGame();
    EXPECT_TRUE(b.game.picPanel.Visible);
    b.ini(200, 200);
    b.game.StartGame();
    EXPECT_EQ(b.settings.live.BoardSizeKey, "6");
    EXPECT_EQ(b.game.imgPiece.size(), 6u);
}

// A deck with too few entries makes the deal fail at the first empty draw: the cards so
// far stay, the panel stays hidden, nothing throws.
TEST(Layout, EmptyModeFileLeavesTheBoardHidden) {
    Board b;
    b.theme("quorvia", 10);
    b.dir.write("icons/quorvia/mgame.ITP", "");
    b.ini(2, 2);
    b.game.StartGame();
    EXPECT_TRUE(b.game.lstIcons[1].empty());
    EXPECT_FALSE(b.game.picPanel.Visible);
}

}  // namespace
}  // namespace quorvia::test
