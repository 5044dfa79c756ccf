// The settings file reader and writer on arbitrary file bytes: no crash, and a write is a
// round trip: the written value reads back, writing it again changes nothing, and every
// other line of the file survives.

#include "app/ProfileFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\x01');
    const std::string_view file = input.substr(0, cut);
    const std::string value = cleanValue(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1));

    (void)quorvia::profileLookup(file, "Einstellungen", "Rows");
    const std::string once = quorvia::profileUpdate(file, "Einstellungen", "Rows", value);
    const auto back = quorvia::profileLookup(once, "Einstellungen", "Rows");
    if (!back || *back != value) std::abort();
    if (quorvia::profileUpdate(once, "Einstellungen", "Rows", value) != once) std::abort();
    // At most a new section line, a key line and one line ending are added.
    if (std::count(once.begin(), once.end(), '\n') > std::count(file.begin(), file.end(), '\n') + 3) std::abort();
    return 0;
}
