#pragma once
// Making a theme out of ordinary pictures: every picture becomes one card face, a multi-size
// .ico file (256, 128, 64, 48, 32 and 16 px), in a new folder below the themes folder.
//
// Contract
// --------
// makeTheme() finds the pictures (see PictureWalk.h: folders recursively, links and loops
// read once, nothing but regular files opened), makes the faces on worker threads (see
// PictureSquare.h: safe whatever a file holds) and writes them into a hidden work folder
// beside the theme's place, which then takes that place in one rename. So the theme appears
// whole or not at all: a run that fails, is cancelled, or is killed leaves at most that
// hidden folder, which the game's theme walk never lists and the next run removes.
// - A picture that cannot be read is skipped with its reason; the run goes on.
// - The theme's name is looked up as the game looks it up (exact spelling first, else the
//   first without regard to case in name order); a name the game could never list or store
//   (a hidden one, "@", control characters) is refused.
// - The theme is made only when at least one face was made; an existing theme is refused
//   unless `replace` is set. Then the old one is swapped for the new one in one step, so a
//   running game never finds the theme missing, unless it holds folders: nested themes are
//   never removed with it.
// - Face names come from the pictures' names: letters, digits, blanks, '-', '_' and '.'
//   kept, anything else turned into '-', no leading dot, unique without regard to case.
//   A name that is not UTF-8 is read as Windows-1252.

#include "app/Installation.h"
#include "themetool/PictureWalk.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace quorvia::themes {

struct ThemeRequest {
    QString name;                               // the theme's folder below `themesFolder`; '/' or '\' between levels
    std::vector<std::filesystem::path> inputs;  // pictures and folders of pictures
    std::filesystem::path themesFolder;         // the icons folder the game walks
    std::filesystem::path cover;                // a picture for the theme's card back, or empty
    bool fit = false;
    bool replace = false;
    QColor letterbox = QColor(0xef, 0xef, 0xef);  // the card panel's colour
    int workers = 0;                              // 0: one per core
    // 0: a face of every picture; else of about so many, spread evenly over the pictures in
    // the order they were taken (fewer where some look alike).
    int selection = 0;
    // The pictures, when the caller has walked `inputs` already (to count them, say); else
    // makeTheme walks them.
    std::optional<PictureList> found;
    // Told the work folder as soon as it exists, so that a program stopping in a hurry can
    // remove it itself.
    std::function<void(const std::filesystem::path&)> started;
};

struct ThemeReport {
    std::filesystem::path folder;  // the theme's folder (made only when `made` > 0)
    int made = 0;
    int pictures = 0;        // pictures read (made or skipped), not counting the cover
    QStringList skipped;     // one line per picture or folder that could not be read: its name and why
    QStringList passedOver;  // one line per file or folder reached a second time (through links)
    int others = 0;          // files in the folders that are no pictures (videos, sidecars), passed over
    QStringList merged;      // one line per picture not made because it looks like one that was
    QString coverError;      // the card back's picture and why it was not made, or empty
    QString error;           // why no theme was made at all, or empty
    bool cancelled = false;
};

// Called from the worker threads (never two at once) after each picture.
using ThemeProgress = std::function<void(int done, int total)>;

ThemeReport makeTheme(const ThemeRequest& request, const ThemeProgress& progress = {},
                      const std::atomic<bool>* cancel = nullptr);

// Has large blocks of memory (decoded pictures) go back to the system as soon as they are
// freed, so that what the process holds follows the pictures' budget; otherwise the heap of
// each worker thread keeps the largest picture it ever decoded. Once, at start-up, in a
// program that makes themes.
void returnPicturesToTheSystem();

// Progress as a player reads it: "12/100  8.3 Bilder/s  noch 0:11".
QString progressText(int done, int total, double seconds);

// Folders of more pictures than this make a theme only when the player chooses all of them
// or a selection: the largest board needs 243 faces, and each face takes disk space.
constexpr int kLargeFolder = 500;

// What a theme of so many faces of photos takes on disk, as a player reads it: "etwa 36 MB".
QString sizeText(int faces);

// What was found and what the theme of `faces` of it takes, said before the work starts:
// "12 Bilder gefunden; das Thema aus 12 wird etwa 2 MB groß."
QString costLine(int found, int faces);

// A count and its noun, singular for one: "1 Bild", "5 Bilder".
QString counted(int n, const QString& one, const QString& many);

// The line that counts the files passed over: "übergangen: 37 Videos und andere Dateien" ("1
// Video oder andere Datei" for one).
QString othersLine(int others);

// The line that counts the pictures merged into others: "zusammengefasst: 5 fast gleiche Bilder"
// ("1 fast gleiches Bild" for one).
QString mergedLine(int merged);

// The closing line of a report: how many boards the faces fill without a repeat.
QString boardSizeLine(int faces);

// Removes the hidden work folders in `folder` left by runs that no longer live.
void sweepStaleWorkFolders(const std::filesystem::path& folder);

}  // namespace quorvia::themes
