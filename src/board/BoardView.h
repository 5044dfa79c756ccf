#pragma once
// What the game asks of the window system (a port). The Qt board window implements it;
// tests, the soak test and the fuzz targets use a null view that only records.

#include "app/Message.h"

#include <string>

namespace quorvia {

// Parts of the board model that changed, so the view knows what to re-read.
enum Change : unsigned {
    ChangeCaptions = 1u << 0,
    ChangeGeometry = 1u << 1,    // window or panel position and size (a resize repaints)
    ChangePanel = 1u << 2,       // panel shown, hidden, enabled
    ChangeCards = 1u << 3,       // cards created, destroyed or moved
    ChangeEnabled = 1u << 4,     // the window enabled or disabled
    ChangeTimers = 1u << 5,      // tmrTime / tmrAutoBack switched
    ChangeBackground = 1u << 6,  // the background must be painted anew
};

struct ScreenSize {
    double width = 0;   // twips
    double height = 0;  // twips
};

class BoardView {
public:
    virtual ~BoardView() = default;

    // Lets the window system deliver the events that are pending now, once.
    virtual void processEvents() = 0;

    // The same inside a pause: may wait up to `seconds` for an event instead of spinning.
    virtual void processEventsWaiting(double seconds) {
        (void)seconds;
        processEvents();
    }

    // A modal message box with one OK button; returns when the player has closed it.
    virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;

    // Width in twips that a self-sizing label takes for `caption`.
    virtual float labelWidth(const std::string& caption) = 0;

    virtual ScreenSize screenSize() = 0;

    virtual void changed(unsigned changes) = 0;
    virtual void cardChanged(int index) = 0;
};

}  // namespace quorvia
