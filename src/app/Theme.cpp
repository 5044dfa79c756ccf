#include "app/Theme.h"

#include "app/Failure.h"
#include "app/Numbers.h"
#include "app/Text.h"

namespace quorvia::theme {

std::string iconsFolderOf(std::string_view programFolder) { return std::string(programFolder) + kIconsFolder; }

std::string folderOf(const AppConstants& c, std::string_view name) {
    return iconsFolderOf(c.AppPath) + "/" + std::string(name);
}

bool isFace(std::string_view fileName) {
    if (fileName.size() < 4) return false;
    const std::string_view ext = fileName.substr(fileName.size() - 4);
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return ext[0] == '.' && lower(ext[1]) == 'i' && lower(ext[2]) == 'c' && lower(ext[3]) == 'o';
}

bool mayBeTheme(std::string_view topFolder) { return !equalsIgnoreCase(topFolder, kSharedCovers); }

std::string coverFile(const AppConstants& c, std::string_view theme, std::string_view coverIcon) {
    if (coverIcon != kOwnCover) return c.CoverFolder + std::string(coverIcon);
    return folderOf(c, toLower(theme)) + c.ThemeCoverFile;
}

double modeFromText(std::string_view text) {
    const std::size_t i = text.find_first_not_of(" \t\r\n");
    if (i == std::string_view::npos) fail(FailureKind::FileError, "mode file without a value");
    text.remove_prefix(i);
    std::string_view field;
    if (text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        field = text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    } else {
        field = text.substr(0, text.find_first_of(",\r\n"));
    }
    return roundHalfEven(leadingNumber(field));
}

}  // namespace quorvia::theme
