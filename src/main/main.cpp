// Quorvia: a Memory game with icon cards.

#include "main/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace quorvia;

    // One instance at a time: a second start leaves before it opens a window or a file.
    const std::string exe = executablePath();
    InstanceGuard guard(exe);
    if (!guard.acquired()) return 0;

    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.applicationReady();

    Program program(folderOf(exe));
    if (!program.themeCheck()) {
        fonts.wait();
        program.showMissingThemeMessage();
        return 0;
    }
    program.loadBoardWindow();
    program.window->fontsNeeded = [&fonts] { fonts.wait(); };
    program.startFirstGame();
    const int exitCode = QApplication::exec();
    fonts.wait();  // the thread must not outlive the application object it uses
    return exitCode;
}
