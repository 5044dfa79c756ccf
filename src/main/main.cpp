// Quorvia: a Memory game with icon cards.

#include "main/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace quorvia;

    // One instance at a time: a second start leaves before it opens a window or a file.
    const std::string exe = executablePath();
    InstanceGuard guard(exe);
    if (!guard.acquired()) return 0;

    FontConfigWarmUp fonts;
    QApplication app(argc, argv);

    Program program(folderOf(exe));
    const bool themeFound = program.themeCheck();
    if (themeFound) program.loadBoardWindow();
    // The first text is measured and drawn from here on.
    fonts.wait();
    registerFonts();
    if (!themeFound) {
        program.showMissingThemeMessage();
        return 0;
    }
    program.startFirstGame();
    return QApplication::exec();
}
