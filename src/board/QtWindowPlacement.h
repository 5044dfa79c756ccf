#pragma once
// The window placement port for a Qt top-level window, answered from the capabilities of the
// platform plug-in Qt runs on.

#include "board/WindowPlacement.h"

class QWidget;

namespace quorvia {

class QtWindowPlacement : public WindowPlacement {
public:
    explicit QtWindowPlacement(QWidget& window);

    bool placesOwnWindows() const override { return placesOwnWindows_; }
    bool startCompositorMove() override;

private:
    QWidget& window_;
    bool placesOwnWindows_;
};

}  // namespace quorvia
