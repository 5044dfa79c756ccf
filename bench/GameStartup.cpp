// The game started as its entry routine starts it (program folder given as the argument),
// leaving at the board window's first paint.

#include "FirstPaint.h"
#include "app/Installation.h"
#include "main/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace quorvia;
    if (argc < 2) return 2;
    InstanceGuard guard(executablePath());
    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.applicationReady();
    Program program(argv[1]);
    if (!program.themeCheck()) return 3;
    program.loadBoardWindow();
    program.window->fontsNeeded = [&fonts] { fonts.wait(); };
    FirstPaint firstPaint;
    program.window->installEventFilter(&firstPaint);
    program.startFirstGame();
    return QApplication::exec();
}
