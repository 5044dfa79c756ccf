// Quorvia: a Memory game with icon cards.

#include "app/Installation.h"
#include "main/Program.h"
#include "themes/ThemeMaker.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace quorvia;

    const std::string exe = executablePath();
    const Locations where =
        decideLocations(diskFileSystem(), exe, QUORVIA_INSTALLED_DATA, Environment::ofThisProcess());

    // One instance at a time: a second start leaves before it opens a window or a file.
    InstanceGuard guard(where.instanceLock, where.installed);
    if (!guard.acquired()) return 0;

    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.applicationReady();

    PlayerThemes playerThemes(diskFileSystem(), where.programFolder + "icons", where.playerIcons);
    FileSystem& fs = where.installed ? playerThemes : diskFileSystem();
    prepareSettingsFile(fs, where);
    Program program(constantsFor(where), fs);
    if (!program.themeCheck()) {
        fonts.wait();
        program.showMissingThemeMessage();
        return 0;
    }
    program.themesFolder = themes::themesFolderFor(where);
    program.loadBoardWindow();
    program.window->fontsNeeded = [&fonts] { fonts.wait(); };
    program.startFirstGame();
    const int exitCode = QApplication::exec();
    fonts.wait();  // the thread must not outlive the application object it uses
    return exitCode;
}
