#include "app/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quorvia::test {
namespace {

// Windows-1252 bytes decode to the right characters, including the 0x80..0x9F extras.
TEST(Text, FromCp1252DecodesEveryRegion) {
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"abc", "abc"},
        {"\x80", "\u20AC"},
        {"\xE4", "\u00E4"},
        {"\xC4\xD6\xDC\xDF", "\u00C4\u00D6\u00DC\u00DF"},
        {"\x81", "\xC2\x81"},  // unassigned: kept as the C1 control of the same value
        {"\x8D\x8F\x90\x9D", "\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {"\x8A\x8C\x8E\x9F", "\u0160\u0152\u017D\u0178"},
        {"\x93x\x94", "\u201Cx\u201D"},
        {"\xA0\xFF", "\u00A0\u00FF"},
    };
    for (const auto& c : cases) EXPECT_EQ(fromCp1252(c.bytes), c.utf8) << c.bytes;
}

// Characters the code page lacks become '?'; every byte survives a trip through UTF-8.
TEST(Text, ToCp1252AndTheRoundTripOfAllBytes) {
    EXPECT_EQ(toCp1252("\u20AC \u00C4 \u0178"), "\x80 \xC4 \x9F");
    EXPECT_EQ(toCp1252("a\u4E2Db\U0001F600c\u0100"), "a?b?c?");
    EXPECT_EQ(toCp1252("\xC2\x80"), "?");  // U+0080 is not the euro sign's byte
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
}

// Case mapping covers ASCII, Latin-1 and the Windows-1252 extras, and nothing else.
TEST(Text, CaseMapping) {
    const struct {
        std::string lower, upper;
    } pairs[] = {
        {"quorvia", "QUORVIA"},           {"\u00E4\u00F6\u00FC", "\u00C4\u00D6\u00DC"},
        {"\u00E0\u00FE", "\u00C0\u00DE"}, {"\u0161\u0153\u017E\u00FF", "\u0160\u0152\u017D\u0178"},
        {"a1-_.[]", "A1-_.[]"},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(toUpper(p.lower), p.upper) << p.lower;
        EXPECT_EQ(toLower(p.upper), p.lower) << p.upper;
    }
    // No single upper-case letter exists for these, and the multiplication/division signs are
    // not letters.
    for (const std::string same : {"\u00DF", "\u00F7", "\u00D7", "\u00B5", "\u4E2D"}) {
        EXPECT_EQ(toUpper(same), same);
        EXPECT_EQ(toLower(same), same);
    }
}

// Bytes that are not valid UTF-8 come out of the case mapping exactly as they went in, and
// never stand in for the letters or separators they would spell if decoded loosely.
TEST(Text, InvalidUtf8SurvivesCaseMapping) {
    const struct {
        std::string in, upper, lower;
    } cases[] = {
        {"\xE4pfel", "\xE4PFEL", "\xE4pfel"},                          // a Latin-1 byte where UTF-8 was expected
        {"Ab\xC3", "AB\xC3", "ab\xC3"},                                // truncated sequence at the end
        {"\x80\xBF", "\x80\xBF", "\x80\xBF"},                          // stray continuation bytes
        {"\xC3x\xF8\xFF", "\xC3X\xF8\xFF", "\xC3x\xF8\xFF"},           // lead byte alone, bytes UTF-8 never uses
        {"\xC1\xA1", "\xC1\xA1", "\xC1\xA1"},                          // overlong 'a'
        {"\xC0\xAF", "\xC0\xAF", "\xC0\xAF"},                          // overlong '/'
        {"\xE0\x83\xA4", "\xE0\x83\xA4", "\xE0\x83\xA4"},              // overlong a-umlaut
        {"\xF0\x80\x81\x81", "\xF0\x80\x81\x81", "\xF0\x80\x81\x81"},  // overlong 'A'
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toUpper(c.in), c.upper);
        EXPECT_EQ(toLower(c.in), c.lower);
    }
    EXPECT_FALSE(equalsIgnoreCase("\xC1\xA1", "a"));
}

// Names compare and sort without regard to case, ties broken by the bytes.
TEST(Text, IgnoreCaseComparisons) {
    EXPECT_TRUE(equalsIgnoreCase("Apple.ICO", "apple.ico"));
    EXPECT_TRUE(equalsIgnoreCase("\u00C4RGER", "\u00E4rger"));
    EXPECT_FALSE(equalsIgnoreCase("apple", "apples"));
    EXPECT_FALSE(equalsIgnoreCase("stra\u00DFe", "STRASSE"));

    std::vector<std::string> names{"b", "A", "c", "a", "B"};
    std::sort(names.begin(), names.end(), [](const auto& x, const auto& y) { return lessIgnoreCase(x, y); });
    EXPECT_EQ(names, (std::vector<std::string>{"A", "a", "B", "b", "c"}));
    EXPECT_TRUE(lessIgnoreCase("\u00E4", "\u00F6"));
    EXPECT_TRUE(lessIgnoreCase("\u00C4", "\u00F6"));
    EXPECT_FALSE(lessIgnoreCase("x", "x"));
}

}  // namespace
}  // namespace quorvia::test
