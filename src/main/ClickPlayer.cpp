#include "main/ClickPlayer.h"

namespace quorvia {

// Silent until the audio output is wired in.
struct ClickPlayer::Impl {};

ClickPlayer::ClickPlayer() : impl_(std::make_unique<Impl>()) {}
ClickPlayer::~ClickPlayer() = default;
void ClickPlayer::PlayClick() {}

}  // namespace quorvia
