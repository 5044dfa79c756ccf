#include "app/ProfileFile.h"

#include "app/Text.h"

#include <cstdlib>
#include <stdexcept>

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quorvia::test {
namespace {

using namespace std::string_literals;

// Names and values are found without regard to case, trimmed and unquoted, first match winning.
TEST(ProfileFile, LookupFindsTheFirstMatchingKeyOfTheFirstMatchingSection) {
    const struct {
        std::string file, section, key;
        std::optional<std::string> value;
    } cases[] = {
        {"[EINSTELLUNGEN]\r\nrows=7\r\n", "Einstellungen", "Rows", "7"},
        {"[ Einstellungen ]\n  Rows  = \t7 x \t\n", "einstellungen", "ROWS", "7 x"},
        {"[E]\nK=\"x\"\n", "E", "K", "x"},
        {"[E]\nK='y'\n", "E", "K", "y"},
        {"[E]\nK=\"z'\n", "E", "K", "\"z'"},
        {"[E]\nK=\"\"\n", "E", "K", ""},
        {"[E]\nK=\"\n", "E", "K", "\""},
        {"[E]\nK= ' a ' \n", "E", "K", " a "},
        {"[E]\nK=a=b\n", "E", "K", "a=b"},
        {"[E]\nK=ab\0cd\n"s, "E", "K", "ab"},
        {"[E]\nK=1\nk=2\n[E]\nK=3\nL=4\n", "E", "K", "1"},
        {"[E]\nK=1\n[E]\nL=4\n", "E", "L", std::nullopt},
        {"[A]\nK=1\n[E]\nK=2", "E", "K", "2"},
        {"[A]\nK=1\n[E]\nK=2", "A", "K", "1"},
        {"K=1\n[E]\nX=2\n", "E", "K", std::nullopt},
        {"K=1\n", "E", "K", std::nullopt},
        {"[E]\n;K=1\nK=2\n", "E", "K", "2"},
        {"[E]\n  Flag  \n", "E", "Flag", ""},
        {"[E]\nK=\n", "E", "K", ""},
        {"[E]\n\xC4rger=\xE4\n", "E", "\xE4RGER", "\xE4"},
        {"[E]\nK=1\n", "F", "K", std::nullopt},
        {"[E]\nK=1\n", "E", "L", std::nullopt},
        {"", "E", "K", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(profileLookup(c.file, c.section, c.key), c.value) << c.file;
    EXPECT_EQ(profileLookup("[E]\nK=" + std::string(3000, 'v') + "\n", "E", "K"), std::string(2047, 'v'));
}

// A write changes one line, inserts one in its section, or appends a section; every other byte
// stays, and new lines use the file's own line ending.
TEST(ProfileFile, UpdateChangesNothingButTheOneKey) {
    const struct {
        std::string before, section, key, value, after;
    } cases[] = {
        {"", "Einstellungen", "Rows", "5", "[Einstellungen]\r\nRows=5\r\n"},
        {"[Einstellungen]\r\nrows = 3 \r\nCols=8\r\n", "Einstellungen", "Rows", "5",
         "[Einstellungen]\r\nrows =5\r\nCols=8\r\n"},
        {"[A]\nX=1\n\n[Einstellungen]\nCols=8\n; note\n\n\n[B]\nY=2\n", "Einstellungen", "Rows", "5",
         "[A]\nX=1\n\n[Einstellungen]\nCols=8\n; note\nRows=5\n\n\n[B]\nY=2\n"},
        {"; Kommentar \xE4\r\n[Einstellungen]\r\nFoo=bar\r\nRows=1\r\n\r\n[Other]\r\nRows=9\r\n", "einstellungen",
         "ROWS", "5", "; Kommentar \xE4\r\n[Einstellungen]\r\nFoo=bar\r\nRows=5\r\n\r\n[Other]\r\nRows=9\r\n"},
        {"[A]\r\nX=1", "E", "Rows", "5", "[A]\r\nX=1\r\n[E]\r\nRows=5\r\n"},
        {"[A]\nX=1\n", "E", "Rows", "5", "[A]\nX=1\n[E]\nRows=5\n"},
        {"[A]\nX=1\n\n", "E", "Rows", "5", "[A]\nX=1\n\n[E]\nRows=5\n"},
        {"[E]\nRows\n", "E", "Rows", "5", "[E]\nRows=5\n"},
        {"[E]\nK=1\nK=2\n", "E", "K", "5", "[E]\nK=5\nK=2\n"},
        {"[E]\nK=1\n", "E", "K", "", "[E]\nK=\n"},
        {"[E]\nK=1", "E", "K", "5", "[E]\nK=5"},
        {"[A]\nRows=1\n[E]\nX=1\n", "E", "Rows", "5", "[A]\nRows=1\n[E]\nX=1\nRows=5\n"},
        {"[E]\n[F]\n", "E", "Rows", "5", "[E]\nRows=5\n[F]\n"},
        {"[Einstellungen]", "Einstellungen", "Rows", "5", "[Einstellungen]\r\nRows=5\r\n"},
        {"[E]\nX=1", "E", "Rows", "5", "[E]\nX=1\nRows=5\n"},
        // A file cut off between CR and LF: the CR is completed, not doubled or left alone.
        {"[E]\r\nX=1\r", "E", "Rows", "5", "[E]\r\nX=1\r\nRows=5\r\n"},
        {"[A]\r\nX=1\r", "E", "Rows", "5", "[A]\r\nX=1\r\n[E]\r\nRows=5\r\n"},
    };
    for (const auto& c : cases) {
        const std::string after = profileUpdate(c.before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after) << c.before;
        EXPECT_EQ(profileLookup(after, c.section, c.key), c.value) << c.before;
    }
}

// Splits after every LF, keeping the line endings.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t next = nl == std::string::npos ? text.size() : nl + 1;
        lines.push_back(text.substr(pos, next - pos));
        pos = next;
    }
    return lines;
}

std::string bodyOf(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Checks that `after` is `before` with the key line replaced, or with the key line (and perhaps
// its section header) added, and with no other line touched.
void expectOnlyTheKeyLineChanged(const std::string& before, const std::string& after, const std::string& section,
                                 const std::string& key, const std::string& value) {
    const auto lb = linesOf(before);
    const auto la = linesOf(after);
    std::size_t p = 0;
    while (p < lb.size() && p < la.size() && lb[p] == la[p]) ++p;
    std::size_t s = 0;
    while (s < lb.size() - p && s < la.size() - p && lb[lb.size() - 1 - s] == la[la.size() - 1 - s]) ++s;
    std::vector<std::string> mb(lb.begin() + p, lb.end() - s);
    std::vector<std::string> ma(la.begin() + p, la.end() - s);
    if (mb.empty() && ma.empty()) return;  // the key already held this value
    if (mb.size() == 1 && ma.size() == 1) {
        const std::string body = bodyOf(mb[0]);
        const std::size_t eq = body.find('=');
        const std::string head = eq == std::string::npos ? body + "=" : body.substr(0, eq + 1);
        EXPECT_EQ(ma[0], head + value + mb[0].substr(body.size()));
        return;
    }
    ASSERT_LE(mb.size(), 1u);
    if (mb.size() == 1) {
        // The old last line had no line ending and gets one before the new line.
        ASSERT_EQ(s, 0u);
        ASSERT_EQ(mb[0].find('\n'), std::string::npos);
        ASSERT_GE(ma.size(), 2u);
        EXPECT_EQ(bodyOf(ma[0]), bodyOf(mb[0]));
        EXPECT_EQ(ma[0].substr(0, mb[0].size()), mb[0]);
        ma.erase(ma.begin());
    }
    if (ma.size() == 2) {
        EXPECT_EQ(bodyOf(ma[0]), "[" + section + "]");
        ma.erase(ma.begin());
    }
    ASSERT_EQ(ma.size(), 1u);
    EXPECT_EQ(bodyOf(ma[0]), key + "=" + value);
    EXPECT_EQ(ma[0].back(), '\n');
}

// Over many generated files an update makes the key read back as written, leaves every other
// key's value alone and touches no other line.
TEST(ProfileFile, UpdateRoundTripOverGeneratedFiles) {
    const std::vector<std::string> pieces = {
        "[Einstellungen]",
        "[einstellungen]",
        " [ EINSTELLUNGEN ] ",
        "[Other]",
        "[Other",
        "Rows=3",
        " rows = 4 ",
        "Cols=8",
        "X=\"q\"",
        "; Rows=9",
        "",
        "   ",
        "Flag",
        "Text=\xE4\x80",
        "Rows",
        "=",
        "cols=\t",
    };
    const std::vector<std::string> sections = {"Einstellungen", "Other", "New"};
    const std::vector<std::string> keys = {"Rows", "Cols", "X", "Flag", "Text"};
    const std::string valueChars = "abcXYZ0129_.-\xE4\xC4";
    std::mt19937 rng(20240517);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };

    for (int round = 0; round < 3000; ++round) {
        std::string file;
        const std::size_t lineCount = pick(12);
        for (std::size_t i = 0; i < lineCount; ++i) {
            file += pieces[pick(pieces.size())];
            const bool last = i + 1 == lineCount;
            const std::size_t ending = pick(last ? 4 : 2);
            file += ending == 0 ? "\n" : ending == 1 ? "\r\n" : ending == 2 ? "" : "\r";
        }
        const std::string& section = sections[pick(sections.size())];
        const std::string& key = keys[pick(keys.size())];
        std::string value;
        for (std::size_t n = pick(6); n > 0; --n) value.push_back(valueChars[pick(valueChars.size())]);

        const std::string after = profileUpdate(file, section, key, value);
        SCOPED_TRACE("file: \"" + file + "\" " + section + "/" + key + "=" + value);
        EXPECT_EQ(profileLookup(after, section, key), value);
        for (const auto& otherSection : sections) {
            for (const auto& otherKey : keys) {
                if (otherSection == section && otherKey == key) continue;
                EXPECT_EQ(profileLookup(after, otherSection, otherKey), profileLookup(file, otherSection, otherKey))
                    << otherSection << "/" << otherKey;
            }
        }
        expectOnlyTheKeyLineChanged(file, after, section, key, value);
        if (HasFailure()) break;
    }
}

// The files hold Windows-1252 bytes; the program sees UTF-8 on both sides.
TEST(ProfileFile, FilesStoreWindows1252AndHandOutUtf8) {
    TempDir dir;
    const FileSystem fs;
    const std::string ini = dir.path() + "Quorvia.ini";
    ASSERT_TRUE(WriteIniValue(fs, "Einstellungen", "Collection", "\u00C4pfel \u20AC", ini));
    EXPECT_EQ(dir.read("Quorvia.ini"), "[Einstellungen]\r\nCollection=\xC4pfel \x80\r\n");
    EXPECT_EQ(ReadIniValue(fs, "EINSTELLUNGEN", "collection", ini), "\u00C4pfel \u20AC");

    dir.write("Quorvia.ini", "[Einstellungen]\n\xC4rger=" + std::string(3000, '\xE4') + "\nLeer=\n");
    std::string expected;
    for (int i = 0; i < 2047; ++i) expected += "\u00E4";
    EXPECT_EQ(ReadIniValue(fs, "einstellungen", "\u00E4RGER", ini), expected);
    EXPECT_EQ(ReadIniValue(fs, "Einstellungen", "Leer", ini), "");
    EXPECT_EQ(ReadIniValue(fs, "Einstellungen", "Fehlt", ini), "");
    EXPECT_EQ(ReadIniValue(fs, "Anders", "Leer", ini), "");
    EXPECT_EQ(ReadIniValue(fs, "Einstellungen", "Leer", dir.path() + "missing.ini"), "");
}

// The file is found under any spelling and rewritten under its own, never duplicated.
TEST(ProfileFile, WritesGoToTheExistingSpellingOfTheFile) {
    TempDir dir;
    dir.write("quorvia.INI", "[Einstellungen]\nRows=3\n");
    const FileSystem fs;
    ASSERT_TRUE(WriteIniValue(fs, "Einstellungen", "Rows", "6", dir.path() + "Quorvia.ini"));
    EXPECT_EQ(dir.read("quorvia.INI"), "[Einstellungen]\nRows=6\n");
    EXPECT_FALSE(dir.exists("Quorvia.ini"));
    EXPECT_EQ(ReadIniValue(fs, "Einstellungen", "Rows", dir.path() + "QUORVIA.ini"), "6");
}

// A file system whose files all refuse to be read, counting the writes it is asked for.
class UnreadableFileSystem : public FileSystem {
public:
    std::optional<std::string> readFile(std::string_view) const override { return std::nullopt; }
    bool writeFileAtomically(std::string_view path, std::string_view content) const override {
        ++writes;
        return FileSystem::writeFileAtomically(path, content);
    }
    mutable int writes = 0;
};

// A file that exists but cannot be read is never replaced by one holding only the new key.
TEST(ProfileFile, AnUnreadableFileIsNotReplaced) {
    TempDir dir;
    dir.write("Quorvia.ini", "[Einstellungen]\nRows=3\nCols=4\n");
    const UnreadableFileSystem fs;
    EXPECT_FALSE(WriteIniValue(fs, "Einstellungen", "Rows", "6", dir.path() + "Quorvia.ini"));
    EXPECT_EQ(fs.writes, 0);
    EXPECT_EQ(dir.read("Quorvia.ini"), "[Einstellungen]\nRows=3\nCols=4\n");
    // A missing file is not unreadable: it is created.
    EXPECT_TRUE(WriteIniValue(fs, "Einstellungen", "Rows", "6", dir.path() + "New.ini"));
    EXPECT_EQ(dir.read("New.ini"), "[Einstellungen]\r\nRows=6\r\n");
}

}  // namespace
}  // namespace quorvia::test
