#include "app/ProfileFile.h"

#include "app/Text.h"

#include <algorithm>
#include <vector>

namespace quorvia {

namespace {

constexpr std::size_t kMaxValue = 2047;

struct Line {
    std::size_t begin;  // offset of the first byte
    std::size_t end;    // offset past the content (before the line ending)
    std::size_t next;   // offset of the next line
};

// Lines end in LF, CR LF or a lone CR.
std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        std::size_t next = end + 1;
        if (end < text.size() && text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        lines.push_back({pos, end, std::min(next, text.size())});
        pos = next;
    }
    return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view fileName, std::string_view wanted) { return equalsIgnoreCase(fileName, wanted); }

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view content) {
    const std::string_view t = trim(content);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;  // no section without its ']'
    return trim(t.substr(1, close - 1));
}

std::string_view keyName(std::string_view content) {
    const std::size_t eq = content.find('=');
    return trim(eq == std::string_view::npos ? content : content.substr(0, eq));
}

struct Located {
    bool sectionFound = false;
    std::size_t sectionHeader = 0;  // index of the header line
    std::size_t lastContent = 0;    // index of the last non-blank line of the section
    std::optional<std::size_t> keyLine;
};

Located locate(const std::vector<Line>& lines, std::string_view text, std::string_view section, std::string_view key) {
    Located where;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view content = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
        if (const auto name = sectionName(content)) {
            if (inSection) break;  // only the first matching section counts
            if (sameName(*name, section)) {
                inSection = true;
                where.sectionFound = true;
                where.sectionHeader = i;
                where.lastContent = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trim(content).empty()) where.lastContent = i;
        if (!where.keyLine && content.find_first_not_of(" \t") != std::string_view::npos &&
            sameName(keyName(content), key)) {
            where.keyLine = i;
        }
    }
    return where;
}

// The file's first line ending; CR LF for a file without one (a lone CR as the very last
// byte may be a CR LF cut off and does not count).
std::string lineEnding(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos || end + 1 == text.size()) return "\r\n";
    if (text[end] == '\n') return "\n";
    return text[end + 1] == '\n' ? "\r\n" : "\r";
}

// Ends the last line of `out` unless it already ends. A CR left over from a file cut off
// between CR and LF is completed, so the line before keeps its value and the new line is a line.
void endLastLine(std::string& out, const std::string& eol) {
    if (out.empty() || out.back() == '\n') return;
    if (out.back() == '\r') {
        if (eol == "\r\n") out.push_back('\n');
    } else {
        out.append(eol);
    }
}

// At most kMaxValue characters: UTF-8 lead bytes are counted, continuation bytes are not.
std::string_view firstCharacters(std::string_view value) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 && ++count > kMaxValue) return value.substr(0, i);
    }
    return value;
}

}  // namespace

ProfileText decodeProfile(std::string_view fileBytes) {
    if (fileBytes.starts_with("\xFF\xFE")) {
        const std::string_view units = fileBytes.substr(2, (fileBytes.size() - 2) & ~std::size_t{1});
        return {ProfileEncoding::Utf16LeBom, fromUtf16le(units), std::string(fileBytes.substr(2 + units.size()))};
    }
    if (fileBytes.starts_with("\xEF\xBB\xBF")) return {ProfileEncoding::Utf8Bom, std::string(fileBytes.substr(3)), {}};
    const bool ascii = std::all_of(fileBytes.begin(), fileBytes.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii && isValidUtf8(fileBytes)) return {ProfileEncoding::Utf8, std::string(fileBytes), {}};
    return {ProfileEncoding::Cp1252, fromCp1252(fileBytes), {}};
}

std::string encodeProfile(const ProfileText& file) {
    switch (file.encoding) {
        case ProfileEncoding::Utf16LeBom:
            return "\xFF\xFE" + toUtf16le(file.text) + file.oddByte;
        case ProfileEncoding::Utf8Bom:
            return "\xEF\xBB\xBF" + file.text;
        case ProfileEncoding::Utf8:
            return file.text;
        case ProfileEncoding::Cp1252:
            break;
    }
    return toCp1252(file.text);
}

ProfileEncoding encodingToWrite(const ProfileText& file) {
    if (file.encoding == ProfileEncoding::Cp1252 && !fitsCp1252(file.text)) return ProfileEncoding::Utf8Bom;
    return file.encoding;
}

std::optional<std::string> profileLookup(std::string_view text, std::string_view section, std::string_view key) {
    const auto lines = splitLines(text);
    const Located where = locate(lines, text, section, key);
    if (!where.keyLine) return std::nullopt;
    const Line& l = lines[*where.keyLine];
    const std::string_view content = text.substr(l.begin, l.end - l.begin);
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) return std::string();
    std::string_view value = trim(content.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    return std::string(firstCharacters(value));
}

std::string profileUpdate(std::string_view text, std::string_view section, std::string_view key,
                          std::string_view value) {
    const auto lines = splitLines(text);
    const Located where = locate(lines, text, section, key);
    const std::string eol = lineEnding(text);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    if (where.keyLine) {
        const Line& l = lines[*where.keyLine];
        const std::string_view content = text.substr(l.begin, l.end - l.begin);
        const std::size_t eq = content.find('=');
        out.append(text.substr(0, l.begin));
        if (eq == std::string_view::npos) {
            out.append(content);
            out.push_back('=');
        } else {
            out.append(content.substr(0, eq + 1));
        }
        out.append(value);
        out.append(text.substr(l.end));
        return out;
    }

    std::string keyLine = std::string(key) + "=" + std::string(value);
    if (where.sectionFound) {
        const Line& after = lines[where.lastContent];
        out.append(text.substr(0, after.next));
        endLastLine(out, eol);  // the last line of the file may have had no line ending
        out.append(keyLine).append(eol);
        out.append(text.substr(after.next));
        return out;
    }

    out.append(text);
    endLastLine(out, eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(keyLine).append(eol);
    return out;
}

std::string ReadIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view file) {
    const auto bytes = fs.readFile(file);
    if (!bytes) return {};
    const auto value = profileLookup(decodeProfile(*bytes).text, toUpper(section), toUpper(key));
    return value.value_or(std::string());
}

bool WriteIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view value,
                   std::string_view file) {
    ProfileText text;
    if (fs.entryExists(file)) {
        const auto existing = fs.readFile(file);
        if (!existing) return false;  // never replace a file we could not read
        text = decodeProfile(*existing);
    }
    text.text = profileUpdate(text.text, repairUtf8(section), repairUtf8(key), repairUtf8(value));
    text.encoding = encodingToWrite(text);
    return fs.writeFileAtomically(file, encodeProfile(text));
}

}  // namespace quorvia
