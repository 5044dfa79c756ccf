// The leading-number reader: any text gives a number without crashing, the 16-bit
// conversion either fails with the defined failure or agrees with half-to-even rounding,
// and a number written as plain decimal digits reads back as itself.

#include "app/Failure.h"
#include "app/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double v = quorvia::leadingNumber(text);
    if (std::isnan(v)) std::abort();
    try {
        const quorvia::Int16 i = quorvia::toInt16(v);
        if (static_cast<double>(i) != quorvia::roundHalfEven(v)) std::abort();
    } catch (const quorvia::Failure& f) {
        if (f.kind() != quorvia::FailureKind::Overflow) std::abort();
        if (std::fabs(quorvia::roundHalfEven(v)) <= 32767.0) std::abort();
    }
    if (size >= 2) {
        const long long k = static_cast<std::int16_t>(data[0] | (data[1] << 8));
        if (quorvia::leadingNumber(quorvia::decimal(k)) != static_cast<double>(k)) std::abort();
    }
    return 0;
}
