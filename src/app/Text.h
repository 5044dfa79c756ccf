#pragma once
// Text helpers for names and for the 8-bit settings file.
//
// Inside the program every text is UTF-8. The settings file and the theme mode file are
// 8-bit Windows-1252 text, converted at the file boundary: fromCp1252 never fails (the five
// unassigned bytes map to the C1 controls of the same value), toCp1252 writes '?' for a
// character the code page does not have.
//
// File, folder and theme names compare without regard to case. The case mapping covers
// ASCII, Latin-1 and the Windows-1252 extras (Š, Œ, Ž, Ÿ); other characters compare as they
// are. "ß" has no single upper-case letter and stays as it is.

#include <string>
#include <string_view>

namespace quorvia {

std::string fromCp1252(std::string_view bytes);
std::string toCp1252(std::string_view utf8);
// True when toCp1252 keeps every character of the text (writes no '?' of its own).
bool fitsCp1252(std::string_view utf8);

// True when the bytes are well-formed UTF-8 (no overlong forms).
bool isValidUtf8(std::string_view bytes);
// Well-formed UTF-8: valid sequences stay, each other byte is read as Windows-1252.
std::string repairUtf8(std::string_view bytes);
// UTF-16 little-endian code units (no byte-order mark) to UTF-8 and back. A surrogate
// without its partner is kept as a three-byte sequence of its own, so that the way back
// restores every code unit; a last odd byte is not part of the text.
std::string fromUtf16le(std::string_view bytes);
std::string toUtf16le(std::string_view utf8);

std::string toUpper(std::string_view utf8);
std::string toLower(std::string_view utf8);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Orders names the way a folder listing shows them: without regard to case, then by bytes.
bool lessIgnoreCase(std::string_view a, std::string_view b);

}  // namespace quorvia
