#include "app/Numbers.h"

#include "app/Failure.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace quorvia {

double roundHalfEven(double value) noexcept {
    if (!std::isfinite(value)) return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) return floor;
    if (diff > 0.5) return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

Int16 toInt16(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0)) fail(FailureKind::Overflow, "16-bit overflow");
    return static_cast<Int16>(r);
}

std::int32_t toInt32(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) fail(FailureKind::Overflow, "32-bit overflow");
    return static_cast<std::int32_t>(r);
}

Int16 toInt16(long long value) {
    if (value < -32768 || value > 32767) fail(FailureKind::Overflow, "16-bit overflow");
    return static_cast<Int16>(value);
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double leadingNumber(std::string_view text) noexcept {
    // Collect the characters of the number into a plain buffer, skipping blanks inside it as
    // well ("1 2" reads as 12), then let strtod do the exact decimal conversion. A buffer
    // without digits (a lone sign or point, an exponent alone) converts to nothing: 0.
    std::string buf;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        buf.push_back(text[i]);
        ++i;
    }
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isBlank(c)) continue;
        if (isDigit(c)) {
            buf.push_back(c);
        } else if (c == '.' && !point) {
            buf.push_back(c);
            point = true;
        } else {
            break;
        }
    }
    // Optional exponent: E or D, optional sign, at least one digit.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        while (j < text.size() && isBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exp.push_back(text[j++]);
        bool expDigits = false;
        for (; j < text.size(); ++j) {
            if (isBlank(text[j])) continue;
            if (!isDigit(text[j])) break;
            exp.push_back(text[j]);
            expDigits = true;
        }
        if (expDigits) buf += exp;
    }
    return std::strtod(buf.c_str(), nullptr);
}

std::string decimal(long long value) { return std::to_string(value); }

}  // namespace quorvia
