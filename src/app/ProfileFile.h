#pragma once
// Reading and writing one key of an INI-style settings file, with the behaviour of the
// classic Windows profile-file calls.
//
// - The file is 8-bit Windows-1252 text; the values handed in and out are UTF-8.
// - Section and key names match without regard to case; the first matching section and
//   the first matching key in it count. Blanks around names and values are trimmed, and
//   one pair of matching quotes around a value is removed. At most 2047 characters of a
//   value are returned; a NUL byte ends a value.
// - A write changes exactly one line (or inserts one, or appends a section): every other
//   byte of the file stays as it was, comments, blank lines, other sections, unknown keys
//   and line endings included. New lines use the file's own line ending (CR LF for a new
//   file). The file is replaced atomically.

#include "app/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvia {

// On the raw file bytes (no file access), for tests and fuzzing. The lookup returns the
// raw 8-bit value; the update returns the new file bytes.
std::optional<std::string> profileLookup(std::string_view fileBytes, std::string_view section, std::string_view key);
std::string profileUpdate(std::string_view fileBytes, std::string_view section, std::string_view key,
                          std::string_view value);

// The value under the key, or an empty text when the file, section or key is missing.
std::string ReadIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view file);

// Stores the key with the value, creating file, section or key as needed. Returns success;
// no caller in the game looks at it.
bool WriteIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view value,
                   std::string_view file);

}  // namespace quorvia
