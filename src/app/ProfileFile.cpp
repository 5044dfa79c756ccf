#include "app/ProfileFile.h"

#include "app/Text.h"

#include <vector>

namespace quorvia {

namespace {

constexpr std::size_t kMaxValue = 2047;

struct Line {
    std::size_t begin;  // offset of the first byte
    std::size_t end;    // offset past the content (before the line ending)
    std::size_t next;   // offset of the next line
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (end > pos && text[end - 1] == '\r') --end;
        lines.push_back({pos, end, next});
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

bool sameName(std::string_view fileName, std::string_view wanted) {
    return equalsIgnoreCase(fromCp1252(fileName), fromCp1252(wanted));
}

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view content) {
    const std::string_view t = trim(content);
    if (t.empty() || t.front() != '[') return std::nullopt;
    std::string_view inner = t.substr(1);
    const std::size_t close = inner.find(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    return trim(inner);
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

std::string lineEnding(std::string_view text) {
    const std::size_t nl = text.find('\n');
    if (nl != std::string_view::npos && (nl == 0 || text[nl - 1] != '\r')) return "\n";
    return "\r\n";
}

// Ends the last line of `out` unless it already ends. A CR left over from a file cut off
// between CR and LF is completed, so the line before keeps its value and the new line is a line.
void endLastLine(std::string& out, const std::string& eol) {
    if (out.empty() || out.back() == '\n') return;
    if (out.back() == '\r') {
        out.push_back('\n');
    } else {
        out.append(eol);
    }
}

}  // namespace

std::optional<std::string> profileLookup(std::string_view fileBytes, std::string_view section, std::string_view key) {
    const auto lines = splitLines(fileBytes);
    const Located where = locate(lines, fileBytes, section, key);
    if (!where.keyLine) return std::nullopt;
    const Line& l = lines[*where.keyLine];
    const std::string_view content = fileBytes.substr(l.begin, l.end - l.begin);
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) return std::string();
    std::string_view value = trim(content.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    if (value.size() > kMaxValue) value = value.substr(0, kMaxValue);
    return std::string(value);
}

std::string profileUpdate(std::string_view fileBytes, std::string_view section, std::string_view key,
                          std::string_view value) {
    const auto lines = splitLines(fileBytes);
    const Located where = locate(lines, fileBytes, section, key);
    const std::string eol = lineEnding(fileBytes);
    std::string out;
    out.reserve(fileBytes.size() + section.size() + key.size() + value.size() + 8);

    if (where.keyLine) {
        const Line& l = lines[*where.keyLine];
        const std::string_view content = fileBytes.substr(l.begin, l.end - l.begin);
        const std::size_t eq = content.find('=');
        out.append(fileBytes.substr(0, l.begin));
        if (eq == std::string_view::npos) {
            out.append(content);
            out.push_back('=');
        } else {
            out.append(content.substr(0, eq + 1));
        }
        out.append(value);
        out.append(fileBytes.substr(l.end));
        return out;
    }

    std::string keyLine = std::string(key) + "=" + std::string(value);
    if (where.sectionFound) {
        const Line& after = lines[where.lastContent];
        out.append(fileBytes.substr(0, after.next));
        endLastLine(out, eol);  // the last line of the file may have had no line ending
        out.append(keyLine).append(eol);
        out.append(fileBytes.substr(after.next));
        return out;
    }

    out.append(fileBytes);
    endLastLine(out, eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(keyLine).append(eol);
    return out;
}

std::string ReadIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view file) {
    const auto bytes = fs.readFile(file);
    if (!bytes) return {};
    const auto value = profileLookup(*bytes, toCp1252(toUpper(section)), toCp1252(toUpper(key)));
    if (!value || value->empty()) return {};
    return fromCp1252(*value);
}

bool WriteIniValue(const FileSystem& fs, std::string_view section, std::string_view key, std::string_view value,
                   std::string_view file) {
    std::string bytes;
    if (fs.entryExists(file)) {
        auto existing = fs.readFile(file);
        if (!existing) return false;  // never replace a file we could not read
        bytes = std::move(*existing);
    }
    return fs.writeFileAtomically(file, profileUpdate(bytes, toCp1252(section), toCp1252(key), toCp1252(value)));
}

}  // namespace quorvia
