#pragma once
// Reading and writing one key of an INI-style settings file, with the behaviour of the
// classic Windows profile-file calls.
//
// - Encoding: a file that starts with the UTF-16LE byte-order mark is UTF-16LE, one that
//   starts with the UTF-8 mark is UTF-8; without a mark, a file whose bytes are valid UTF-8
//   and hold at least one non-ASCII byte is UTF-8, any other is 8-bit Windows-1252 (so a
//   Windows-1252 file whose high bytes happen to spell valid UTF-8 reads as UTF-8). A new
//   file is Windows-1252. The values handed in and out are UTF-8. A write keeps the file's
//   encoding, except that a Windows-1252 file (or a new one) that would have to hold a
//   character Windows-1252 lacks (a Greek theme name, a Polish 'ł') becomes UTF-8 with the
//   byte-order mark, every line kept; it then stays UTF-8.
// - Lines end in LF, CR LF or a lone CR. A section line is '[' name ']'; a '[' line without
//   its ']' opens no section and counts as an ordinary line of the section it is in.
// - Section and key names match without regard to case; the first matching section and
//   the first matching key in it count. Blanks around names and values are trimmed, and
//   one pair of matching quotes around a value is removed. At most 2047 characters of a
//   value are returned; a NUL character ends a value.
// - A write changes exactly one line (or inserts one, or appends a section): every other
//   byte of the file stays as it was, comments, blank lines, other sections, unknown keys,
//   line endings, the encoding and its byte-order mark included (only the change to UTF-8
//   above re-encodes the other lines, their characters kept). New lines use the file's
//   own line ending (CR LF for a new file). The file is replaced atomically.

#include "app/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvia {

enum class ProfileEncoding { Cp1252, Utf8, Utf8Bom, Utf16LeBom };

// A settings file as text: UTF-8 without the byte-order mark, plus what it takes to give
// back the same bytes (a last odd byte of a UTF-16 file is kept aside).
struct ProfileText {
    ProfileEncoding encoding = ProfileEncoding::Cp1252;
    std::string text;
    std::string oddByte;
};
ProfileText decodeProfile(std::string_view fileBytes);
std::string encodeProfile(const ProfileText& file);
// The encoding the text is written in: its own, or UTF-8 with the mark for a Windows-1252
// text holding a character the code page lacks.
ProfileEncoding encodingToWrite(const ProfileText& file);

// On the file's text (no file access), for tests and fuzzing: the lookup returns the value
// as it stands; the update returns the new text.
std::optional<std::string> profileLookup(std::string_view fileText, std::string_view section, std::string_view key);
std::string profileUpdate(std::string_view fileText, std::string_view section, std::string_view key,
                          std::string_view value);

// The value under the key, or an empty text when the file, section or key is missing.
std::string ReadIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view file);

// Stores the key with the value, creating file, section or key as needed. Returns success;
// no caller in the game looks at it.
bool WriteIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view value,
                   std::string_view file);

}  // namespace quorvia
