// The settings file reader and writer on arbitrary file bytes, in whatever encoding they
// are taken for: no crash, decoding and encoding give back the same bytes, and a write is a
// round trip: the written value reads back from the new bytes, writing it again changes
// nothing, and every other line of the file and every other key's value survive. A value
// may hold a letter that Windows-1252 lacks (byte 0x02 of the input stands for 'ł'); it
// turns such a file into UTF-8.

#include "app/ProfileFile.h"
#include "app/Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Splits the input into file bytes and a value; the value is made one a profile file can
// hold (one line, no NUL, no surrounding blanks or quotes, at most 2047 characters).
std::string cleanValue(std::string_view raw) {
    std::string v;
    for (const char c : raw) {
        if (c != '\r' && c != '\n' && c != '\0' && c != ' ' && c != '\t' && c != '"' && c != '\'') v.push_back(c);
    }
    if (v.size() > 2047) v.resize(2047);
    return v;
}

// Line ends: LF, CR LF (counted once) or a lone CR.
std::size_t countLines(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        n += s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n'));
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\x01');
    const std::string_view file = input.substr(0, cut);
    std::string value;
    for (const char c : cleanValue(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1))) {
        value += c == '\x02' ? "\u0142" : quorvia::fromCp1252(std::string_view(&c, 1));
    }

    quorvia::ProfileText text = quorvia::decodeProfile(file);
    if (quorvia::encodeProfile(text) != file) std::abort();
    (void)quorvia::profileLookup(text.text, "Einstellungen", "Rows");
    const std::string before = text.text;
    text.text = quorvia::profileUpdate(before, "Einstellungen", "Rows", value);
    text.encoding = quorvia::encodingToWrite(text);
    // At most a new section line, a key line and one line ending are added.
    if (countLines(text.text) > countLines(before) + 3) std::abort();
    // Every other key, in the same section or another, keeps its value.
    for (const auto& [section, key] : {std::pair{"Einstellungen", "Cols"}, {"Other", "Rows"}, {"Einstellungen", "X"}}) {
        if (quorvia::profileLookup(before, section, key) != quorvia::profileLookup(text.text, section, key))
            std::abort();
    }
    const quorvia::ProfileText again = quorvia::decodeProfile(quorvia::encodeProfile(text));
    // A file without a byte-order mark is UTF-8 exactly when its bytes are valid UTF-8 with a
    // non-ASCII byte, so a write may turn a Windows-1252 file into one read as UTF-8 (or the
    // reverse); the round trip is promised for a file that keeps its encoding.
    if (again.encoding != text.encoding) return 0;
    const auto back = quorvia::profileLookup(again.text, "Einstellungen", "Rows");
    if (!back || *back != value) std::abort();
    if (quorvia::profileUpdate(again.text, "Einstellungen", "Rows", value) != again.text) std::abort();
    return 0;
}
