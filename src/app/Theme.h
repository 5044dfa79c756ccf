#pragma once
// What a theme is and where its files lie: the one answer for the game, the options dialog,
// the installed game's two themes folders and the theme tool.
//
// A theme is a folder below the icons folder (`icons/` where the program keeps its data, or
// a player's own) that holds at least one face: a file whose name ends in ".ico", in any
// case (".ico" alone too). It is named by its path below the icons folder.
// The folder "@" directly inside the icons folder holds the shared card backs and is never a
// theme. A theme may hold its own card back, "@.icn", and a mode file, "mgame.ITP", that
// says how the faces are dealt.

#include "app/Startup.h"

#include <string>
#include <string_view>

namespace quorvia::theme {

inline constexpr char kIconsFolder[] = "icons";    // below the program's folder
inline constexpr char kSharedCovers[] = "@";       // the shared card backs' folder
inline constexpr char kOwnCover[] = "@";           // CoverIcon's value for a theme's own back
inline constexpr char kOwnCoverFile[] = "@.icn";   // a theme's own card back
inline constexpr char kModeFile[] = "mgame.ITP";   // looked up without regard to case
inline constexpr char kFacePatterns[] = "*.ico";   // for FileSystem::listFiles
inline constexpr char kDefaultName[] = "quorvia";  // the theme the game falls back to

// The largest board, 18 x 27 cards: a theme of kLargestBoardPairs faces deals every board
// without showing a face twice.
inline constexpr int kLargestRows = 18;
inline constexpr int kLargestCols = 27;
inline constexpr int kLargestBoardPairs = kLargestRows * kLargestCols / 2;

// A face file's layout: a 6-byte directory header, then one 16-byte entry per image.
inline constexpr int kIcoHeaderSize = 6;
inline constexpr int kIcoEntrySize = 16;

// The icons folder in the folder `programFolder` (which ends in a separator), and the folder
// of the theme `name` below the program's icons folder; neither with a closing separator.
std::string iconsFolderOf(std::string_view programFolder);
std::string folderOf(const AppConstants& c, std::string_view name);

// Whether a file of that name is a face.
bool isFace(std::string_view fileName);

// Whether a folder directly inside an icons folder may be a theme: every one but "@".
bool mayBeTheme(std::string_view topFolder);

// The card back file for `coverIcon` with theme `theme`: the theme's own back (named by
// AppConstants::ThemeCoverFile) for kOwnCover, else that file of the shared card backs. What a missing or unreadable
// file means is each caller's own: the game keeps its back or takes the built-in one, the options dialog's preview
// shows the built-in one (Settings and OptionsLogic say which).
std::string coverFile(const AppConstants& c, std::string_view theme, std::string_view coverIcon);

// The selection mode written in a theme's mode file: the first field of the text (up to
// the first comma or line end; blank lines and blanks before it skipped; one pair of
// quotes removed), read as its leading number and rounded half to even. 1 deals random
// faces, any other value the faces in order. A text with no field at all (empty, or only
// blanks) fails with FileError, as reading past its end would.
double modeFromText(std::string_view text);

}  // namespace quorvia::theme
