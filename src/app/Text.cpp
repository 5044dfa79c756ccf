#include "app/Text.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvia {

namespace {

// Code points of the Windows-1252 bytes 0x80..0x9F (0 = unassigned, kept as the C1 control).
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// One character decoded from UTF-8, or an invalid byte taken as itself (Latin-1) so that
// names that are not valid UTF-8 survive a round trip through the case mapping.
struct Decoded {
    char32_t cp;
    bool valid;
};

// Decodes the sequence at `i` and moves `i` past it (past one byte when it is invalid).
Decoded decodeAt(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return {b0, true};
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    }
    if (len == 0 || i + len > s.size()) {
        ++i;
        return {b0, false};
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return {b0, false};
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // An overlong form ("\xC1\xA1" for 'a') is invalid too: decoding it would let the case
    // mapping turn foreign bytes into plain letters or separators.
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[len]) {
        ++i;
        return {b0, false};
    }
    i += len;
    return {cp, true};
}

char32_t upper(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    switch (c) {
        case 0xFF:
            return 0x178;
        case 0x161:
            return 0x160;
        case 0x153:
            return 0x152;
        case 0x17E:
            return 0x17D;
        default:
            return c;
    }
}

char32_t lower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    switch (c) {
        case 0x178:
            return 0xFF;
        case 0x160:
            return 0x161;
        case 0x152:
            return 0x153;
        case 0x17D:
            return 0x17E;
        default:
            return c;
    }
}

template <class Map>
std::string mapCase(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        const auto [cp, valid] = decodeAt(s, i);
        if (!valid) {
            out.push_back(s[start]);  // keep invalid bytes untouched
        } else if (cp < 0x80) {
            out.push_back(static_cast<char>(map(cp)));
        } else {
            appendUtf8(out, map(cp));
        }
    }
    return out;
}

}  // namespace

std::string fromCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out.push_back(ch);
        } else if (b < 0xA0) {
            const char32_t cp = kHigh[b - 0x80];
            appendUtf8(out, cp ? cp : b);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

namespace {

// The Windows-1252 byte of a character, or nothing when the code page lacks it.
std::optional<char> cp1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t k = 0; k < kHigh.size(); ++k) {
        if (kHigh[k] == cp || (kHigh[k] == 0 && cp == 0x80 + k)) return static_cast<char>(0x80 + k);
    }
    return std::nullopt;
}

}  // namespace

std::string toCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const auto [cp, valid] = decodeAt(utf8, i);
        // An invalid byte is already an 8-bit byte: it passes through.
        out.push_back(valid ? cp1252Byte(cp).value_or('?') : utf8[start]);
    }
    return out;
}

bool fitsCp1252(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [cp, valid] = decodeAt(utf8, i);
        if (valid && !cp1252Byte(cp)) return false;
    }
    return true;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        if (!decodeAt(bytes, i).valid) return false;
    }
    return true;
}

std::string repairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t start = i;
        if (decodeAt(bytes, i).valid) {
            out.append(bytes.substr(start, i - start));
        } else {
            out.append(fromCp1252(bytes.substr(start, 1)));
        }
    }
    return out;
}

std::string fromUtf16le(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string toUtf16le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    const auto put = [&](char32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decodeAt(utf8, i).cp;
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

std::string toUpper(std::string_view utf8) { return mapCase(utf8, upper); }
std::string toLower(std::string_view utf8) { return mapCase(utf8, lower); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return toLower(a) == toLower(b);
}

bool lessIgnoreCase(std::string_view a, std::string_view b) {
    const std::string la = toLower(a);
    const std::string lb = toLower(b);
    if (la != lb) return la < lb;
    return a < b;
}

}  // namespace quorvia
