// The board window's own model: its loaded size, the record labels and the line after a
// resize, the background gradient, and the drag arithmetic.

#include "board/Background.h"
#include "board/BoardFixture.h"
#include "board/Drag.h"

#include <gtest/gtest.h>

namespace quorvia::test {
namespace {

// A loaded window measures 1755 x 2250 and records that as its minimum.
TEST(WindowModel, LoadedWindow) {
    Board b;
    EXPECT_FLOAT_EQ(b.game.Width, 1755);
    EXPECT_FLOAT_EQ(b.game.Height, 2250);
    EXPECT_EQ(b.game.MinFormWidth, 1755);
    EXPECT_EQ(b.game.MinFormHeight, 2250);
    EXPECT_EQ(b.game.PanelLeft, 120);
    EXPECT_TRUE(b.game.tmrTimeEnabled) << "the clock is enabled as designed until a game stops it";
    EXPECT_FALSE(b.game.tmrAutoBackEnabled);
}

// After a 5 x 8 game (window 5000 wide) the record labels end at 4800 and the line runs
// to 5200; a resize also asks for the background to be painted anew.
TEST(WindowModel, ResizeMovesLabelsAndLine) {
    Board b;
    b.theme("quorvia", 30);
    b.ini(5, 8);
    b.view.changeLog = 0;
    b.game.StartGame();
    EXPECT_FLOAT_EQ(b.game.lblBestFlips.Left + b.game.lblBestFlips.Width, 4800);
    EXPECT_FLOAT_EQ(b.game.lblBestTime.Left + b.game.lblBestTime.Width, 4800);
    EXPECT_FLOAT_EQ(b.game.lnDeco.X2, 5200);
    EXPECT_TRUE(b.view.changeLog & ChangeBackground);
}

// Black at both ends, full blue in the middle, rising then falling, for several heights;
// a level that rounds to 256 is painted as 255.
TEST(WindowModel, BackgroundGradient) {
    for (int H : {513, 1100, 2160, 2161, 4280, 11170}) {
        const auto levels = bandLevels(H);
        ASSERT_EQ(levels.size(), static_cast<std::size_t>(H) + 1);
        const int M = static_cast<int>(roundHalfEven(H / 2.0));
        EXPECT_EQ(levels[0], 0) << H;
        EXPECT_EQ(levels[static_cast<std::size_t>(H)], 0) << H;
        EXPECT_EQ(levels[static_cast<std::size_t>(M)], 255) << H;
        for (int y = 1; y < M; ++y) EXPECT_LE(levels[y - 1], levels[y]) << H << " row " << y;
        for (int y = M + 1; y <= H; ++y) EXPECT_GE(levels[y - 1], levels[y]) << H << " row " << y;
    }
    for (int rows : {144, 145, 283}) {
        const int H = rows * 15;
        EXPECT_EQ(pixelRowToTwipRow(0, rows, H), 0);
        EXPECT_EQ(pixelRowToTwipRow(rows - 1, rows, H), H);
        EXPECT_EQ(pixelRowToTwipRow(rows / 2, rows, H), static_cast<int>(roundHalfEven(H / 2.0)));
    }
}

// The drag: right opens the menu and stores nothing; only the left button alone moves;
// the window moves by the pointer's distance from the press point.
TEST(WindowModel, DragArithmetic) {
    Drag drag;
    EXPECT_FALSE(drag.mouseDown(ButtonLeft, 30, 45));
    EXPECT_TRUE(drag.mouseDown(ButtonRight, 500, 500));
    EXPECT_FLOAT_EQ(drag.DragStartX, 30);
    EXPECT_FLOAT_EQ(drag.DragStartY, 45);
    const WindowPosition at{1000, 2000};
    struct Case {
        int buttons;
        float x, y;
        bool moves;
        float left, top;
    } cases[] = {
        {ButtonLeft, 60, 15, true, 1030, 1970},
        {ButtonLeft, 30, 45, true, 1000, 2000},
        {ButtonLeft | ButtonRight, 60, 15, false, 0, 0},
        {ButtonRight, 60, 15, false, 0, 0},
        {ButtonMiddle, 60, 15, false, 0, 0},
        {0, 60, 15, false, 0, 0},
    };
    for (const Case& k : cases) {
        const auto moved = drag.mouseMove(k.buttons, k.x, k.y, at);
        ASSERT_EQ(moved.has_value(), k.moves) << k.buttons;
        if (moved) {
            EXPECT_FLOAT_EQ(moved->left, k.left);
            EXPECT_FLOAT_EQ(moved->top, k.top);
        }
    }
    EXPECT_FALSE(drag.mouseDown(ButtonMiddle, 5, 6));
    EXPECT_FLOAT_EQ(drag.DragStartX, 5) << "a middle press stores the point too";
}

}  // namespace
}  // namespace quorvia::test
