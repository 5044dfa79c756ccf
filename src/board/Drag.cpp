#include "board/Drag.h"

namespace quorvia {

bool Drag::mouseDown(int Button, float X, float Y) {
    if (Button == ButtonRight) return true;
    DragStartX = X;
    DragStartY = Y;
    return false;
}

std::optional<WindowPosition> Drag::mouseMove(int Button, float X, float Y, WindowPosition window) const {
    if (Button != ButtonLeft) return std::nullopt;
    return WindowPosition{window.left + (X - DragStartX), window.top + (Y - DragStartY)};
}

}  // namespace quorvia
