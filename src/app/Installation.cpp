#include "app/Installation.h"

#include "app/Text.h"
#include "app/Theme.h"

#include <pwd.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace quorvia {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// An XDG base folder: the variable's value when it is an absolute path (relative ones are
// invalid and ignored), otherwise the default below the home folder; empty without a home.
std::string baseFolder(const std::string& value, const std::string& home, const char* fallback) {
    if (isAbsolute(value)) return value;
    return home.empty() ? std::string() : home + fallback;
}

// The home folder the password database gives the user; empty when it has none.
std::string accountHomeOf(unsigned uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(static_cast<uid_t>(uid), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir) {
        return {};
    }
    return found->pw_dir;
}

// A display name as part of a file name: ":0" stays, a '/' would not.
std::string fileNamePart(std::string text) {
    std::replace(text.begin(), text.end(), '/', '_');
    return text.empty() ? "none" : text;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The names of both lists, a name of the second left out when the first has it in any case;
// sorted the way listings are.
std::vector<std::string> merged(std::vector<std::string> first, std::vector<std::string> second) {
    for (std::string& name : second) {
        const bool known =
            std::any_of(first.begin(), first.end(), [&](const std::string& n) { return equalsIgnoreCase(n, name); });
        if (!known) first.push_back(std::move(name));
    }
    std::stable_sort(first.begin(), first.end(), lessIgnoreCase);
    return first;
}

}  // namespace

std::string executablePath() {
    std::error_code ec;
    const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

Environment Environment::ofThisProcess() {
    Environment e;
    e.uid = static_cast<unsigned>(::getuid());
    e.home = env("HOME");
    if (!isAbsolute(e.home)) e.accountHome = accountHomeOf(e.uid);
    e.configHome = env("XDG_CONFIG_HOME");
    e.dataHome = env("XDG_DATA_HOME");
    e.stateHome = env("XDG_STATE_HOME");
    e.runtimeDir = env("XDG_RUNTIME_DIR");
    e.display = env("DISPLAY").empty() ? env("WAYLAND_DISPLAY") : env("DISPLAY");
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0) e.host = host;
    return e;
}

Locations decideLocations(const FileSystem& fs, const std::string& executablePath, const std::string& installedData,
                          const Environment& env) {
    Locations where;
    const std::string exeFolder = folderOf(executablePath);
    const std::string dataFolder = exeFolder + "/" + installedData;
    where.programFolder = exeFolder;
    if (fs.isDirectory(exeFolder + "/" + theme::kIconsFolder)) {
        where.installed = !fs.canWriteFolder(exeFolder);
    } else if (!installedData.empty() && fs.isDirectory(dataFolder + "/" + theme::kIconsFolder)) {
        where.programFolder = dataFolder;
        where.installed = true;
    }
    if (!where.installed) {
        AddBackslash(where.programFolder);
        where.settingsFile = where.programFolder + kSettingsFileName;
        where.instanceLock = executablePath;
        return where;
    }
    AddBackslash(where.programFolder);
    const std::string home = isAbsolute(env.home)          ? env.home
                             : isAbsolute(env.accountHome) ? env.accountHome
                                                           : std::string();
    const auto below = [](const std::string& folder, const std::string& rest) {
        return folder.empty() ? folder : folder + rest;
    };
    where.settingsFile =
        below(baseFolder(env.configHome, home, "/.config"), std::string("/quorvia/") + kSettingsFileName);
    where.playerIcons =
        below(baseFolder(env.dataHome, home, "/.local/share"), std::string("/quorvia/") + theme::kIconsFolder);
    where.lockOwner = env.uid;
    const std::string display = fileNamePart(env.display);
    if (isPrivateFolder(env.runtimeDir, env.uid)) {
        where.instanceLock = env.runtimeDir + "/quorvia-" + std::to_string(env.uid) + "-" + display + ".lock";
    } else {
        where.instanceLock = below(baseFolder(env.stateHome, home, "/.local/state"),
                                   "/quorvia/instance-" + fileNamePart(env.host) + "-" + display + ".lock");
    }
    return where;
}

AppConstants constantsFor(const Locations& where) {
    AppConstants c = makeConstants(where.programFolder);
    c.IniFile = where.settingsFile;
    return c;
}

std::string themesFolderFor(const Locations& where) {
    if (where.installed && !where.playerIcons.empty()) return where.playerIcons;
    return theme::iconsFolderOf(where.programFolder);
}

void prepareSettingsFile(const FileSystem& fs, const Locations& where) {
    if (!where.installed || where.settingsFile.empty()) return;
    fs.makeFolders(folderOf(where.settingsFile));
    if (fs.entryExists(where.settingsFile)) return;
    if (const auto shipped = fs.readFile(where.programFolder + kSettingsFileName)) {
        fs.writeFileAtomically(where.settingsFile, *shipped);
    }
}

// ---- PlayerThemes ------------------------------------------------------------------------

PlayerThemes::PlayerThemes(const FileSystem& disk, std::string programIcons, std::string playerIcons)
    : disk_(disk), programIcons_(std::move(programIcons)), playerIcons_(std::move(playerIcons)) {
    while (!programIcons_.empty() && isSeparator(programIcons_.back())) programIcons_.pop_back();
    while (!playerIcons_.empty() && isSeparator(playerIcons_.back())) playerIcons_.pop_back();
}

std::optional<std::string> PlayerThemes::below(std::string_view path) const {
    if (playerIcons_.empty()) return std::nullopt;  // no home: the installed themes alone
    if (path.substr(0, programIcons_.size()) != programIcons_) return std::nullopt;
    std::string_view rest = path.substr(programIcons_.size());
    if (!rest.empty() && !isSeparator(rest.front())) return std::nullopt;
    while (!rest.empty() && isSeparator(rest.front())) rest.remove_prefix(1);
    return std::string(rest);
}

bool PlayerThemes::playerHasTheme(const std::string& folder) const {
    return !disk_.listFiles(playerIcons_ + "/" + folder, theme::kFacePatterns).empty();
}

std::optional<std::string> PlayerThemes::resolve(std::string_view path) const {
    const auto rest = below(path);
    if (!rest || rest->empty()) return disk_.resolve(path);
    if (auto player = disk_.resolve(playerIcons_ + "/" + *rest)) return player;
    auto installed = disk_.resolve(path);
    // A file of an installed theme that the player has too stays hidden behind the
    // player's theme; the shared covers of both count.
    const auto cut = rest->find_last_of("/\\");
    if (installed && cut != std::string::npos && !disk_.isDirectory(*installed)) {
        const std::string folder = rest->substr(0, cut);
        if (theme::mayBeTheme(folder) && playerHasTheme(folder)) return std::nullopt;
    }
    return installed;
}

std::vector<std::string> PlayerThemes::listFiles(std::string_view dir, std::string_view patterns) const {
    const auto rest = below(dir);
    if (!rest) return disk_.listFiles(dir, patterns);
    std::vector<std::string> names = disk_.listFiles(playerIcons_ + "/" + *rest, patterns);
    if (theme::mayBeTheme(*rest) && playerHasTheme(*rest)) return names;
    return merged(std::move(names), disk_.listFiles(dir, patterns));
}

std::vector<std::string> PlayerThemes::layers(std::string_view dir) const {
    const auto rest = below(dir);
    if (!rest) return disk_.layers(dir);
    std::vector<std::string> out = disk_.layers(playerIcons_ + "/" + *rest);
    for (std::string& layer : disk_.layers(dir)) out.push_back(std::move(layer));
    return out;
}

}  // namespace quorvia
