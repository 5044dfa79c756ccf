#pragma once
// The board window's background: a vertical gradient from black at the top through full
// blue in the middle to black at the bottom, painted as one horizontal band per twip row.
//
// bandLevels(H) returns, for every twip row y = 0..H of a client area H twips high, the blue
// level (0..255) of the band that is painted last over that row: the rising loop paints
// rows 0..M (M = H/2, ties to even), the falling loop then paints M..H, so row M takes the
// falling loop's first level. The running level is accumulated in single precision exactly
// as painted, and a level that rounds past 255 is painted as 255.
//
// pixelRowToTwipRow maps the pixel rows of a window onto twip rows so that the top row is
// twip 0, the bottom row twip H, and the middle row twip M, whatever the pixel height.

#include <cstdint>
#include <vector>

namespace quorvia {

std::vector<std::uint8_t> bandLevels(int clientHeightTwips);

int pixelRowToTwipRow(int pixelRow, int pixelRows, int clientHeightTwips);

}  // namespace quorvia
