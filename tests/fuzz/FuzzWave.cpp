// libFuzzer entry for parseWave: any input, no crash, no read outside it, and whatever is
// accepted lies inside the input and holds whole frames.

#include "sound/Sound.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto wave = quorvia::parseWave({data, size});
    if (wave) {
        const std::uint8_t* begin = wave->samples.data();
        const bool inside = wave->samples.empty() || (begin >= data && begin + wave->samples.size() <= data + size);
        if (!inside || wave->format.blockAlign == 0 || wave->samples.size() % wave->format.blockAlign != 0) {
            std::abort();
        }
    }
    return 0;
}
