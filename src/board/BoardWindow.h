#pragma once
// The board window: borderless, painted background, status labels, the card panel and the
// popup menu. It only translates: model state to pixels, window events to the game's
// handlers. 15 twips are one device-independent pixel.

#include "app/Units.h"
#include "board/BoardView.h"
#include "board/Drag.h"
#include "board/Game.h"
#include "board/WindowPlacement.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QMenu;

namespace quorvia {

class BoardAccessibility;
class BoardPanel;

class BoardWindow : public QWidget, public BoardView {
    Q_OBJECT

public:
    // Creates the window and runs its load step; it is not shown yet.
    explicit BoardWindow(Game& game, QWidget* parent = nullptr);
    ~BoardWindow() override;

    Game& game() { return game_; }
    BoardPanel* panel() { return panel_; }
    BoardAccessibility* accessibility() { return accessibility_; }
    QMenu* menu() { return menu_; }
    QTimer& timeTimer() { return tmrTime_; }
    QTimer& autoBackTimer() { return tmrAutoBack_; }

    // What the menu's "Optionen..." does; set by whoever owns the options dialog.
    std::function<void()> openOptions;
    // Run once, before the window first measures or draws text: start-up loads the fonts on
    // a thread of its own and joins it here, as late as it can. Unset, fonts count as ready.
    std::function<void()> fontsNeeded;

    // Opens the board menu at the pointer (or at a point of the screen, on its first item
    // when a key opened it) and waits until it closes.
    void showBoardMenu();
    void showBoardMenuAt(QPoint global, bool fromKeys = false);

    // BoardView
    void processEvents() override;
    void processEventsWaiting(double seconds) override;
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    float labelWidth(const std::string& caption) override;
    ScreenSize screenSize() override;
    void changed(unsigned changes) override;
    void cardChanged(int index) override;

    // Drag surfaces: the window itself and the panel (which forwards its presses and moves
    // here). `global` is the pointer on the screen, `element` the surface's place in the
    // window, both in pixels.
    void surfaceMouseDown(int button, QPointF global, QPoint element);
    void surfaceMouseMove(int buttons, QPointF global, QPoint element);

    static int toButtons(Qt::MouseButtons buttons);

    // What the desktop lets the window do with its position; by default the answer of the
    // platform Qt runs on. Tests hand in their own.
    void setWindowPlacement(std::unique_ptr<WindowPlacement> placement);
    // Where a status line is drawn, in the window's pixels.
    QRect labelRect(const Label& label) const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void awaitFonts();
    void paintBackground();
    void syncGeometry();
    QPointF elementTwips(QPointF global, QPoint element) const;
    void syncTimers();
    void buildMenu();
    void quitNow();

    Game& game_;
    BoardPanel* panel_ = nullptr;
    BoardAccessibility* accessibility_ = nullptr;
    QMenu* menu_ = nullptr;
    QTimer tmrTime_;
    QTimer tmrAutoBack_;
    QPixmap background_;
    QFont font_;
    Drag drag_;
    std::unique_ptr<WindowPlacement> placement_;
    bool compositorAsked_ = false;  // this press's drag is the compositor's already
    bool forwardingKey_ = false;
};

}  // namespace quorvia
