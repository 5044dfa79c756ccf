#pragma once
// Moving the borderless board window by dragging one of its surfaces (the background, the
// card panel, the two status labels).
//
// A press stores the point where it happened, relative to the pressed element; each move
// with the left button alone held shifts the window by the pointer's distance from that
// point. Because the element moves with the window, the press point comes back under the
// pointer after every move: the window follows without a jump. X, Y and the window's
// position must be in one and the same unit.

#include <optional>

namespace quorvia {

enum MouseButton : int { ButtonLeft = 1, ButtonRight = 2, ButtonMiddle = 4 };

struct WindowPosition {
    float left = 0;
    float top = 0;
};

class Drag {
public:
    // A press on a drag surface. Returns true when it asks for the board menu (right
    // button); any other button stores the press point.
    bool mouseDown(int Button, float X, float Y);

    // A move over a drag surface with `Button` the sum of the buttons held. The window's
    // new position, or nothing when the window stays.
    std::optional<WindowPosition> mouseMove(int Button, float X, float Y, WindowPosition window) const;

    float DragStartX = 0;
    float DragStartY = 0;
};

}  // namespace quorvia
