#include "app/Failure.h"
#include "app/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace quorvia::test {
namespace {

FailureKind kindOf(double value) {
    try {
        toInt16(value);
    } catch (const Failure& f) {
        return f.kind();
    }
    ADD_FAILURE() << value << " converted without a failure";
    return FailureKind::InvalidValue;
}

// Converting to 16 bits rounds halves to the even neighbour, not away from zero.
TEST(Numbers, ConversionRoundsHalvesToEven) {
    const struct {
        double in;
        int out;
    } cases[] = {
        {2.5, 2}, {3.5, 4},  {-2.5, -2},       {-3.5, -4},         {0.5, 0},
        {1.5, 2}, {-0.5, 0}, {2.4999, 2},      {2.5001, 3},        {-1.6, -2},
        {6.5, 6}, {7.5, 8},  {32767.4, 32767}, {-32768.5, -32768}, {-32768.4, -32768},
    };
    for (const auto& c : cases) EXPECT_EQ(toInt16(c.in), c.out) << c.in;
}

// Anything that does not round into -32768..32767 is an Overflow failure, never a wrapped value.
TEST(Numbers, ConversionOutsideTheRangeFailsWithOverflow) {
    for (const double v : {32767.5, 32768.0, -32768.6, -32769.0, 1e10, -1e10, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(kindOf(v), FailureKind::Overflow) << v;
    }
    EXPECT_THROW(toInt16(32768LL), Failure);
    EXPECT_THROW(toInt16(-32769LL), Failure);
    EXPECT_EQ(toInt16(-32768LL), -32768);
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_THROW(toInt32(2147483647.5), Failure);
}

// The numeric value of a text is its leading number; text without one counts as 0.
TEST(Numbers, LeadingNumberOfAText) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"6.5", 6.5},       {"7.5", 7.5}, {"", 0},     {"abc", 0}, {"  12abc", 12}, {"-3", -3},    {"1e3", 1000},
        {"1.5.5", 1.5},     {"+4", 4},    {".5", 0.5}, {"1e", 1},  {"1e+", 1},      {"2E-1", 0.2}, {" 7.5x", 7.5},
        {"\t-0.25", -0.25}, {"1 2", 12},  {"-", 0},    {".", 0},   {"x12", 0},      {"0x10", 0},   {"inf", 0},
        {"nan", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(textToInt16("7.5"), 8);
    EXPECT_EQ(textToInt16("6.5"), 6);
}

// A text far too long for any 16-bit value gives a huge number whose conversion fails.
TEST(Numbers, AMegabyteOfDigitsFailsConversionInsteadOfCrashing) {
    const std::string digits(1 << 20, '9');
    const double v = leadingNumber(digits);
    EXPECT_TRUE(v > 1e300 || std::isinf(v));
    EXPECT_THROW(textToInt16(digits), Failure);
    EXPECT_DOUBLE_EQ(leadingNumber("0." + digits), 1.0);
}

}  // namespace
}  // namespace quorvia::test
