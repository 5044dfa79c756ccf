#pragma once

// WaveResources backed by the Qt resource system: resource `name` of type `type` is the
// file ":/<type>/<name>" compiled into the program.
//
// Promises: the complete file bytes, or an empty vector when there is no such file (or it
// cannot be read); never throws for a missing resource.
//
// Surprising edge: unlike the resource names of some platforms, these are case-sensitive,
// so "klick" does not find ":/WAVE/KLICK". A resource that lives in a static library is
// only found once that library's resources have been initialised (Q_INIT_RESOURCE).

#include "sound/Sound.h"

namespace quorvia {

class QtWaveResources final : public WaveResources {
public:
    std::vector<std::uint8_t> load(std::string_view type, std::string_view name) override;
};

}  // namespace quorvia
