#include "main/ClickPlayer.h"

#include "sound/PulseOutput.h"
#include "sound/QtWaveResources.h"
#include "sound/Sound.h"

namespace quorvia {

// The click from the program's own resources (":/WAVE/KLICK"), played through the
// desktop's sound server.
struct ClickPlayer::Impl {
    QtWaveResources resources;
    PulseOutput output;
    Sound sound{resources, output};
};

ClickPlayer::ClickPlayer() : impl_(std::make_unique<Impl>()) {}
ClickPlayer::~ClickPlayer() = default;
void ClickPlayer::PlayClick() { impl_->sound.PlayClick(); }

}  // namespace quorvia
