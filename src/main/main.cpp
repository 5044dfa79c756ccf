// Quorvia: a Memory game with icon cards.

#include "app/Installation.h"
#include "app/Theme.h"
#include "main/Program.h"
#include "themetool/ThemeMaker.h"

#include <QApplication>

#include <cstdlib>

namespace {

// Where an X display is at hand (on a Wayland desktop, through XWayland), the game runs on
// X11: there the board places itself and follows a drag by its own moves. Wayland stays the
// fall-back, and a platform the player has chosen is kept.
void preferX11() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const char* display = std::getenv("DISPLAY");
    if ((chosen == nullptr || *chosen == '\0') && display != nullptr && *display != '\0') {
        ::setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace quorvia;

    const std::string exe = executablePath();
    const Locations where =
        decideLocations(diskFileSystem(), exe, QUORVIA_INSTALLED_DATA, Environment::ofThisProcess());

    // One instance at a time: a second start leaves before it opens a window or a file.
    InstanceGuard guard(where.instanceLock, where.lockOwner);
    if (!guard.acquired()) return 0;

    themes::returnPicturesToTheSystem();  // pictures dropped on the board are made into a theme here
    FontWarmUp fonts;
    preferX11();
    QApplication app(argc, argv);
    fonts.applicationReady();

    PlayerThemes playerThemes(diskFileSystem(), theme::iconsFolderOf(where.programFolder), where.playerIcons);
    FileSystem& fs = where.installed ? playerThemes : diskFileSystem();
    prepareSettingsFile(fs, where);
    Program program(constantsFor(where), fs);
    if (!program.themeCheck()) {
        fonts.wait();
        program.showMissingThemeMessage();
        return 0;
    }
    program.themesFolder = themesFolderFor(where);
    program.loadBoardWindow();
    program.window->fontsNeeded = [&fonts] { fonts.wait(); };
    program.startFirstGame();
    const int exitCode = QApplication::exec();
    fonts.wait();  // the thread must not outlive the application object it uses
    return exitCode;
}
