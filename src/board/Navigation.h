#pragma once
// Moving the keyboard frame over the cards. Cards are dealt row by row, `columns` to a row;
// the frame goes only to cards still on the board.

#include <functional>

namespace quorvia {

enum class FrameMove { Left, Right, Up, Down, Home, End };

// The card the frame goes to from card `from` among `count` cards, `onBoard(i)` telling
// whether card i is still on the board; `from` itself where the move finds none.
// - Left and Right: the previous or next card on the board in dealing order; Home and End:
//   the first or the last.
// - Up and Down: the nearest row in that direction with a card on the board, and in it the
//   card nearest to the frame's column (the left one of two equally near).
int frameTarget(FrameMove move, int from, int count, int columns, const std::function<bool(int)>& onBoard);

}  // namespace quorvia
