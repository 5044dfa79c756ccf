// The theme mode file: any content gives a whole-number mode or the defined failure for a
// file without a value, never a crash.

#include "app/Failure.h"
#include "board/Game.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const double mode = quorvia::modeFromText(text);
        if (!std::isinf(mode) && mode != std::floor(mode)) std::abort();
    } catch (const quorvia::Failure& f) {
        if (f.kind() != quorvia::FailureKind::FileError) std::abort();
        if (text.find_first_not_of(" \t\r\n") != std::string_view::npos) std::abort();
    }
    return 0;
}
