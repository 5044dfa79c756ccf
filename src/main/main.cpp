// Quorvia: a Memory game with icon cards.

#include "main/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace quorvia;

    // One instance at a time: a second start leaves before it opens a window or a file.
    const std::string exe = executablePath();
    InstanceGuard guard(exe);
    if (!guard.acquired()) return 0;

    QApplication app(argc, argv);
    registerFonts();

    Program program(folderOf(exe));
    if (!program.themeCheck()) {
        program.showMissingThemeMessage();
        return 0;
    }
    program.loadBoardWindow();
    program.startFirstGame();
    return QApplication::exec();
}
