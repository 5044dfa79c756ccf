#pragma once
// What every window of the game draws and shows alike: fonts sized in pixels as the layout
// was made (96 dots per inch), and the message box with one OK button.

#include "app/Message.h"

#include <QFont>
#include <QString>

#include <string>

class QWidget;

namespace quorvia {

// A font of that family and size in pixels: 8.25 pt is 11 pixels, 9 pt 12, 9.75 pt 13.
QFont pixelFont(const QString& family, int pixels, bool bold = false);

// A modal message box with one OK button, over `parent` (none: on its own); returns when the
// player has closed it.
void showMessageBox(QWidget* parent, const std::string& text, const std::string& title, MessageIcon icon);

}  // namespace quorvia
