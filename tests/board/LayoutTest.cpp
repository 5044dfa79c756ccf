// Dealing a new game: the grid in twips, the window and panel sizes, the captions, and the
// deck ending up on the cards; the window's loaded size, its background gradient and the
// keyboard frame's moves.

#include "board/Background.h"
#include "board/BoardFixture.h"
#include "board/Navigation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace quorvia::test {
namespace {

// The grid, panel and window sizes follow from the template card; the window never gets
// smaller than its loaded size, a narrow board is centred in it, and the window is centred
// on the screen in whole twips, halves dropped; the record labels end
// 200 twips inside it, the line runs 200 past it, and the background is painted anew. The info texts of a
// fresh game: the short hint below 8 columns, the board size in the tries label, both
// record labels empty; counters, clock and pair state at rest, events let through exactly
// once while dealing.
TEST(Layout, ANewGameLaysOutTheGridAndResetsTheTexts) {
    const char* const longHint = "Rechtsklick öffnet das Menü. Zum Starten einfach losklicken...";
    const char* const shortHint = "Zum Starten einfach losklicken...";
    struct Case {
        int rows, cols;
        float windowW, windowH, panelW, panelH, panelLeft;
        const char* hint;
    } cases[] = {{5, 8, 5000, 4370, 4680, 3330, 120, longHint},
                 {1, 7, 4470, 2250, 4150, 1210, 120, shortHint},
                 {4, 1, 1755, 3840, 970, 2800, 392.5f, shortHint},
                 {18, 27, 15070, 11260, 14750, 10220, 120, longHint}};
    for (const Case& k : cases) {
        const std::string size = std::to_string(k.rows) + " x " + std::to_string(k.cols);
        SCOPED_TRACE(size);
        Board b;
        b.theme("quorvia", 250);
        b.ini(k.rows, k.cols);
        b.game.FlipCount = 7;
        b.game.ElapsedSeconds = 9;
        b.game.OneCardOpen = true;
        b.view.changeLog = 0;
        b.game.StartGame();
        const Game& g = b.game;
        ASSERT_EQ(static_cast<int>(g.imgPiece.size()), k.rows * k.cols);
        EXPECT_EQ(std::tuple(g.lblBestFlips.Left + g.lblBestFlips.Width, g.lblBestTime.Left + g.lblBestTime.Width,
                             g.lnDeco.X2),
                  std::tuple(k.windowW - 200, k.windowW - 200, k.windowW + 200));
        EXPECT_TRUE(b.view.changeLog & ChangeBackground);
        EXPECT_EQ(std::tuple(g.Width, g.Height, g.picPanel.Width, g.picPanel.Height, g.picPanel.Left, g.picPanel.Top),
                  std::tuple(k.windowW, k.windowH, k.panelW, k.panelH, k.panelLeft, 840.0f));
        EXPECT_EQ(std::tuple(g.Left, g.Top),
                  std::tuple(float(9600 - int(k.windowW) / 2), float(7200 - int(k.windowH) / 2)));
        for (int i = 0; i < k.rows * k.cols; ++i) {
            const Card& card = g.imgPiece[static_cast<std::size_t>(i)];
            EXPECT_EQ(std::tuple(card.Left, card.Top, card.Visible && card.Enabled, card.picture.source),
                      std::tuple(240.0f + 530.0f * static_cast<float>(i % k.cols),
                                 480.0f + 530.0f * static_cast<float>(i / k.cols), true, ":DefCover"))
                << i;
        }
        EXPECT_EQ(
            g.lblTime.Caption + "|" + g.lblFlips.Caption + "|" + g.lblBestTime.Caption + "|" + g.lblBestFlips.Caption,
            std::string(k.hint) + "|Spielfeld Grösse: " + size + "||");
        EXPECT_EQ(std::tuple(g.FlipCount, g.ElapsedSeconds, g.tmrTimeEnabled, g.OneCardOpen, g.FirstCard, g.SecondCard,
                             b.view.eventRounds),
                  std::tuple(Int16(0), Int16(0), false, false, Int16(-1), Int16(-1), 1));
    }
}

// A golden deal: with a scripted sequence the choice of icons and their places are known.
// Pairs: round(0.3*2)=1 -> b, then round(0.6*1)=1 -> c. Deal from [b,b,c,c]: round(0*3)=0
// -> b; round(0.9*2)=2 -> c; round(0.5*1)=0 (tie to even) -> b; then c.
TEST(Layout, GoldenDealOfATwoByTwoBoard) {
    Board b;
    const auto icons = b.theme("quorvia", 3);
    b.ini(2, 2);
    // The next deal starts afresh: drawing 0 always, it takes a, a, b, b.
    for (const auto& [draws, dealt] :
         {std::pair{std::vector{0.3f, 0.6f, 0.0f, 0.9f, 0.5f, 0.0f}, "1212"}, {std::vector(6, 0.0f), "0011"}}) {
        b.random = ScriptedRandom(draws);
        b.game.StartGame();
        std::string tags;
        for (const Card& c : b.game.imgPiece)
            tags += std::to_string(std::find(icons.begin(), icons.end(), c.Tag) - icons.begin());
        EXPECT_EQ(tags, dealt);
        EXPECT_EQ(b.random.draws, 6);
    }
}

// Boards that a hand-edited file can ask for: odd (13 pairs for 25 cards, the spare icon not
// dealt in the next game), empty (the game start ends with the panel hidden, the next good
// one shows it again, every face on two cards), too large for 16 bits (the previous size
// stays); and a deck too short for its board (an empty mode file), whose deal fails at the
// first empty draw, leaving the panel hidden and nothing thrown.
TEST(Layout, OddEmptyOverflowingAndUndealableBoards) {
    Board b;
    b.theme("quorvia", 250);
    b.ini(18, 27);
    b.game.StartGame();
    b.ini(5, 5);
    b.game.StartGame();
    EXPECT_EQ(b.game.imgPiece.size(), 25u) << "no cards left over from the larger board";
    EXPECT_EQ(b.game.lstIcons[1].size(), 1u);
    b.ini(0, 8);
    b.game.StartGame();
    EXPECT_FALSE(b.game.picPanel.Visible);
    b.ini(2, 3);
    b.game.StartGame();
    EXPECT_TRUE(b.game.picPanel.Visible);
    const auto& cards = b.game.imgPiece;  // the odd board's spare icon is not dealt any more
    EXPECT_TRUE(std::ranges::all_of(cards, [&](auto& c) { return std::ranges::count(cards, c.Tag, &Card::Tag) == 2; }));
    b.ini(200, 200);
    b.game.StartGame();
    EXPECT_EQ(b.settings.live.BoardSizeKey, "6");
    EXPECT_EQ(b.game.imgPiece.size(), 6u);
    b.dir.write("icons/quorvia/mgame.ITP", "");
    b.ini(2, 2);
    b.game.StartGame();
    EXPECT_TRUE(b.game.lstIcons[1].empty());
    EXPECT_FALSE(b.game.picPanel.Visible);
}

// Black at both ends, full blue in the middle, rising then falling, for several heights;
// a level that rounds to 256 is painted as 255.
TEST(WindowModel, BackgroundGradient) {
    for (int H : {513, 1100, 2160, 2161, 4280, 11170}) {
        const auto levels = bandLevels(H);
        ASSERT_EQ(levels.size(), static_cast<std::size_t>(H) + 1);
        const int M = static_cast<int>(roundHalfEven(H / 2.0));
        EXPECT_EQ(std::tuple(levels[0], levels[static_cast<std::size_t>(H)], levels[static_cast<std::size_t>(M)]),
                  std::tuple(0, 0, 255))
            << H;
        for (int y = 1; y < M; ++y) EXPECT_LE(levels[y - 1], levels[y]) << H << " row " << y;
        for (int y = M + 1; y <= H; ++y) EXPECT_GE(levels[y - 1], levels[y]) << H << " row " << y;
    }
    for (int rows : {144, 145, 283}) {
        const int H = rows * 15;
        EXPECT_EQ(std::tuple(pixelRowToTwipRow(0, rows, H), pixelRowToTwipRow(rows - 1, rows, H),
                             pixelRowToTwipRow(rows / 2, rows, H)),
                  std::tuple(0, H, static_cast<int>(roundHalfEven(H / 2.0))));
    }
}

// The frame over a board with gaps. 10 cards, 4 to a row, cards 1, 5 and 6 gone:
//   0 . 2 3 / 4 . . 7 / 8 9      (and 6 cards, 3 to a row, card 4 gone: 0 1 2 / 3 . 5)
TEST(WindowModel, FrameMovesOverCardsLeftOnTheBoard) {
    using enum FrameMove;
    const struct {
        FrameMove move;
        int from, to;
    } moves[] = {{Right, 0, 2}, {Left, 2, 0}, {Left, 0, 0}, {Right, 9, 9}, {Home, 7, 0}, {End, 0, 9},
                 {Down, 2, 7},  {Down, 7, 9}, {Down, 8, 8}, {Up, 9, 4},    {Up, 7, 3},   {Up, 0, 0}};
    for (const auto& [move, from, to] : moves) {
        EXPECT_EQ(frameTarget(move, from, 10, 4, [](int i) { return i != 1 && i != 5 && i != 6; }), to) << from;
    }
    EXPECT_EQ(frameTarget(Down, 1, 6, 3, [](int i) { return i != 4; }), 3);  // the left one of two equally near
    for (const auto& [from, to] : {std::pair{3, 0}, {4, 1}, {5, 2}})         // straight up on a full board
        EXPECT_EQ(frameTarget(Up, from, 6, 3, [](int) { return true; }), to) << from;
}

}  // namespace
}  // namespace quorvia::test
