#pragma once
// Finding the icon themes on disk: every folder below the icons folder that directly holds
// at least one ".ico" file is a theme, named by its path relative to the icons folder with
// '\' between the levels, in upper case ("NATUR\TIERE").
//
// The walk is depth first and tests a folder after all of its subfolders (post-order);
// subfolders are taken from the last to the first in name order. Because the result is
// sorted without regard to case, that order only shows in when the pending window events
// are let through: once per visited folder, so the program stays responsive on a large tree;
// and in what a folder that cannot be entered costs (below). Names that differ only in case
// ("Natur" and "natur", two folders on a case-sensitive disk) are listed once.
//
// Never themes: the icons folder itself, and the folder "@" directly inside it (the shared
// cover icons); folders below "@" are visited like any other. Only ".ico" counts, in any
// letter case; ".icn" files do not make a theme. Hidden entries (a leading dot) are passed
// over, as in every other listing of the game.
//
// A real disk brings more than the rules think of:
// - A subfolder that cannot be entered (opened and listed) ends the visit of the folder
//   being listed: that folder loses its remaining, not yet visited subfolders and is not a
//   theme itself. Its parent goes on with its next subfolder as after a normal return.
// - Symbolic links to folders are followed, but no folder is visited twice (device and
//   inode are remembered), so a link back to a parent cannot make the walk endless. A
//   folder reached under two names is listed under the one that comes first in name order,
//   whichever the walk meets first: with a link "standard" to "quorvia", the theme is QUORVIA.
// - The walk keeps its own stack instead of recursing, and holds only a bounded number of
//   open folders, so a tree thousands of levels deep neither overflows the call stack nor
//   runs out of file descriptors.
// - Names are bytes: a name that is not valid UTF-8 comes back with those bytes unchanged.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quorvia {

class ThemeWalk {
public:
    // `processEvents` lets the window system deliver pending events once; may be empty.
    explicit ThemeWalk(std::function<void()> processEvents = {}) : processEvents_(std::move(processEvents)) {}

    // True while a walk runs: every visit sets it on entry. Clearing it (from an event
    // handler run by processEvents) stops the walk: the visit that notices it at its start
    // ends its parent's visit too (no theme there), the folders above stop taking further
    // subfolders but are still tested for icons. The caller clears it after the walk.
    bool ScanActive = false;

    // Walks the tree below `iconsFolder` (a path on disk) and returns the theme names,
    // sorted without regard to case. A missing or unreadable icons folder gives nothing.
    std::vector<std::string> ScanIconFolders(const std::string& iconsFolder);

private:
    std::function<void()> processEvents_;
};

}  // namespace quorvia
