#pragma once
// What the desktop lets the game do with its own window (a port). On most desktops a
// program places and moves its window itself, and the board follows the pointer by the drag
// arithmetic. Where the compositor alone places windows (a native Wayland session), the
// window's own moves are ignored; there a drag hands the move to the compositor instead.

namespace quorvia {

class WindowPlacement {
public:
    virtual ~WindowPlacement() = default;

    // True when a position the program sets is where its window appears.
    virtual bool placesOwnWindows() const = 0;

    // Asks the compositor to move the window with the pointer until the held button is
    // released. False when it declines.
    virtual bool startCompositorMove() = 0;
};

}  // namespace quorvia
