#pragma once
// The two kinds of message box the game shows the player: a failure, or news (the win).
// Every window and port that shows one takes this kind.

namespace quorvia {

enum class MessageIcon { Critical, Information };

}  // namespace quorvia
