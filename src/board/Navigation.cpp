#include "board/Navigation.h"

#include <algorithm>
#include <cstdlib>

namespace quorvia {

int frameTarget(FrameMove move, int from, int count, int columns, const std::function<bool(int)>& onBoard) {
    const auto there = [&](int i) { return i >= 0 && i < count && onBoard(i); };
    const int step = move == FrameMove::Left || move == FrameMove::Up || move == FrameMove::End ? -1 : 1;
    if (move != FrameMove::Up && move != FrameMove::Down) {
        // Home and End search from beyond either end of the board.
        const int start = move == FrameMove::Home ? -1 : move == FrameMove::End ? count : from;
        for (int i = start + step; i >= 0 && i < count; i += step) {
            if (there(i)) return i;
        }
        return from;
    }
    const int cols = std::max(columns, 1);
    const int col = from % cols;
    for (int row = from / cols + step; row >= 0 && row * cols < count; row += step) {
        int best = -1;
        for (int i = row * cols; i < std::min(count, (row + 1) * cols); ++i) {
            if (there(i) && (best < 0 || std::abs(i % cols - col) < std::abs(best % cols - col))) best = i;
        }
        if (best >= 0) return best;
    }
    return from;
}

}  // namespace quorvia
