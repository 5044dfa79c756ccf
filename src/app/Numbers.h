#pragma once
// Numeric rules shared by the whole game.
//
// - Counters, indices, sizes and settings are 16-bit signed integers. A result outside
//   -32768..32767 is a defined failure (Failure{Overflow}), never wrap-around: the caller's
//   failure policy then decides whether the step is skipped or the routine ends.
// - Converting a floating-point value to an integer rounds to nearest with ties to even:
//   2.5 -> 2, 3.5 -> 4, -2.5 -> -2. Surprising for anyone used to std::lround.
// - The numeric value of a text is its leading number: blanks are skipped, a sign, digits,
//   a decimal point and an exponent are taken; anything else ends it; no number gives 0.
//   "6.5" -> 6.5 (so 6 after rounding), " 7.5x" -> 7.5, "abc" -> 0, "1e3" -> 1000.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvia {

using Int16 = std::int16_t;

// Nearest integer value, ties to even (as a double; no range check).
double roundHalfEven(double value) noexcept;

// Checked conversions: round half to even, then fail with Overflow outside the range
// (NaN fails too).
Int16 toInt16(double value);
std::int32_t toInt32(double value);

// Checked integer narrowing for sums and products formed in a wider type.
Int16 toInt16(long long value);

// The leading number of a text (see above).
double leadingNumber(std::string_view text) noexcept;

// Leading number converted to a 16-bit integer (fails with Overflow like toInt16).
inline Int16 textToInt16(std::string_view text) { return toInt16(leadingNumber(text)); }

// Plain decimal digits, no blanks, a minus sign when negative.
std::string decimal(long long value);

}  // namespace quorvia
