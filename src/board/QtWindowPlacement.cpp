#include "board/QtWindowPlacement.h"

#include <private/qguiapplication_p.h>
#include <qpa/qplatformintegration.h>
#include <QWidget>
#include <QWindow>

namespace quorvia {

namespace {

// A platform on which a program may manage and activate its own windows also honours the
// positions it sets (X11, the offscreen and framebuffer platforms). A compositor that keeps
// activation to itself keeps placement to itself too: Qt's Wayland plug-in reports no
// window activation, and there a window's own position is never applied.
bool platformPlacesWindows() {
    const QPlatformIntegration* platform = QGuiApplicationPrivate::platformIntegration();  // there with any widget
    return platform->hasCapability(QPlatformIntegration::WindowManagement) &&
           platform->hasCapability(QPlatformIntegration::WindowActivation);
}

}  // namespace

QtWindowPlacement::QtWindowPlacement(QWidget& window) : window_(window), placesOwnWindows_(platformPlacesWindows()) {}

bool QtWindowPlacement::startCompositorMove() {
    QWindow* handle = window_.windowHandle();
    return handle != nullptr && handle->startSystemMove();
}

}  // namespace quorvia
