// The smallest Qt Widgets program that shows a window and paints it once; with the argument
// "label" the window also shows one line of text, so the font set-up every program with
// text pays is part of the yardstick.

#include "FirstPaint.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(333, 291);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("label")) {
        auto* label = new QLabel(QStringLiteral("Zeit: 0 Sekunden"), &window);
        label->move(8, 8);
    }
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
