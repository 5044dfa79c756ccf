#pragma once
// For the window tests: closes the next message box that appears (from inside the nested
// loop that shows it) and remembers what it showed.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace quorvia::test {

struct MessageCatcher {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    void arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return arm();  // not open yet: look again
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            box->accept();
        });
    }
};

}  // namespace quorvia::test
