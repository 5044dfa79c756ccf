#include "board/BoardWindow.h"

#include "board/Background.h"
#include "board/BoardAccessibility.h"
#include "board/BoardPanel.h"
#include "board/QtWindowPlacement.h"
#include "qt/QtCommon.h"
#include "qt/QtPictureLoader.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cmath>
#include <cstdlib>
#include <utility>

namespace quorvia {

namespace {

constexpr int kBorderPx = static_cast<int>(Game::kBorder / kTwipsPerPixel);  // 3

}  // namespace

BoardWindow::BoardWindow(Game& game, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), game_(game), placement_(std::make_unique<QtWindowPlacement>(*this)) {
    BoardAccessibility::installFactory();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setWindowTitle(QString::fromStdString(game_.settings().constants().AppTitle));
    setWindowIcon(QIcon(QPixmap::fromImage(resourceImage(QStringLiteral(":/images/window-icon.png")))));

    // Tahoma 8.25 pt: 11 pixels at 96 dpi.
    font_ = pixelFont(QStringLiteral("Tahoma"), 11);
    setFont(font_);

    tmrTime_.setInterval(1000);
    tmrAutoBack_.setInterval(1000);
    connect(&tmrTime_, &QTimer::timeout, this, [this] { game_.tmrTime_Timer(); });
    connect(&tmrAutoBack_, &QTimer::timeout, this, [this] {
        const BoardAccessibility::Turn turn(*accessibility_);
        game_.tmrAutoBack_Timer();
    });

    // The readers' side first: the panel tells it every change from the start.
    accessibility_ = new BoardAccessibility(*this);
    panel_ = new BoardPanel(*this, *accessibility_);
    panel_->setFocus(Qt::OtherFocusReason);
    buildMenu();

    game_.attach(this);
    game_.Form_Load();  // its notices size, place and paint the window
}

BoardWindow::~BoardWindow() { game_.attach(nullptr); }

void BoardWindow::setWindowPlacement(std::unique_ptr<WindowPlacement> placement) { placement_ = std::move(placement); }

void BoardWindow::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("mnuPop"));
    QAction* options = menu_->addAction(QStringLiteral("Optionen..."));
    options->setObjectName(QStringLiteral("mnuOptions"));
    connect(options, &QAction::triggered, this, [this] {
        if (openOptions) openOptions();
    });
    QMenu* spiel = menu_->addMenu(QStringLiteral("Neues Spiel"));
    spiel->setObjectName(QStringLiteral("mnuSpiel"));
    QAction* start = spiel->addAction(QStringLiteral("Starten"));
    start->setObjectName(QStringLiteral("mnuNew"));
    connect(start, &QAction::triggered, this, [this] { game_.StartGame(); });
    menu_->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    QMenu* panik = menu_->addMenu(QStringLiteral("Panik!"));
    panik->setObjectName(QStringLiteral("mnuPan"));
    QAction* stand = panik->addAction(QStringLiteral("Standard-Einstellungen wiederherstellen"));
    stand->setObjectName(QStringLiteral("mnuStand"));
    connect(stand, &QAction::triggered, this, [this] { game_.settings().mnuStand_Click(); });
    menu_->addSeparator()->setObjectName(QStringLiteral("mnuSep2"));
    QAction* ende = menu_->addAction(QStringLiteral("Beenden"));
    ende->setObjectName(QStringLiteral("mnuEnde"));
    connect(ende, &QAction::triggered, this, [this] { quitNow(); });

    // Items are chosen with the left button only: Qt's menus also take a right or middle
    // button's release as a choice, and a stray right click must not end the game.
    for (QMenu* m : {menu_, spiel, panik}) m->installEventFilter(this);
}

bool BoardWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QMenu*>(watched) &&
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void BoardWindow::showBoardMenu() { showBoardMenuAt(QCursor::pos()); }

void BoardWindow::showBoardMenuAt(QPoint global, bool fromKeys) {
    awaitFonts();
    // Opened by a key, the menu starts on its first item, which readers then say: once the
    // window system has told them the board window is active, or they go back to it.
    if (fromKeys) {
        QTimer::singleShot(100, menu_, [menu = menu_] {
            if (menu->isVisible() && !menu->activeAction()) menu->setActiveAction(menu->actions().value(0));
        });
    }
    menu_->exec(global);
    // Qt does not always give the panel the focus back after a menu, as it kept it; a
    // dialog the menu opened takes it instead.
    if (!QApplication::activeModalWidget() && isEnabled()) accessibility_->readersBack();
}

bool BoardWindow::event(QEvent* event) {
    // A press anywhere on the window ends keyboard play's frame (the panel sees its own).
    if (event->type() == QEvent::MouseButtonPress) panel_->setFrameShown(false);
    return QWidget::event(event);
}

void BoardWindow::keyPressEvent(QKeyEvent* event) {
    // Keys reach the window itself when the panel has lost the focus, as it does while it
    // is hidden or disabled for a moment (a new game, the pause after a pair): they go on
    // to the panel, which takes the focus back. Keys the panel ignores come back here.
    if (!forwardingKey_ && panel_->isVisible() && panel_->isEnabled()) {
        forwardingKey_ = true;
        panel_->setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(panel_, event);
        forwardingKey_ = false;
        return;
    }
    QWidget::keyPressEvent(event);
}

void BoardWindow::quitNow() {
    // No question and nothing to save: the settings are written only when they change.
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QApplication::processEvents();
    std::quick_exit(0);
}

// ---- BoardView -------------------------------------------------------------------------

void BoardWindow::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void BoardWindow::processEventsWaiting(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(0, static_cast<int>(std::ceil(seconds * 1000.0))), &loop, &QEventLoop::quit);
    loop.exec();
}

void BoardWindow::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    awaitFonts();
    showMessageBox(isVisible() ? this : nullptr, text, title, icon);
}

float BoardWindow::labelWidth(const std::string& caption) {
    if (caption.empty()) return 0;
    awaitFonts();
    const QFontMetrics metrics(font_);
    return static_cast<float>(pixelsToTwips(metrics.horizontalAdvance(QString::fromStdString(caption))));
}

ScreenSize BoardWindow::screenSize() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize size = screen->size();
    return {pixelsToTwips(size.width()), pixelsToTwips(size.height())};
}

void BoardWindow::changed(unsigned changes) {
    if (changes & (ChangeGeometry | ChangePanel | ChangeCards)) syncGeometry();
    if (changes & ChangeEnabled) setEnabled(game_.Enabled);
    if (changes & ChangeTimers) syncTimers();
    // The gradient is painted once per new size, when the window is next drawn: a new game
    // resizes the window several times before it is shown.
    if (changes & ChangeBackground) background_ = QPixmap();
    if (changes & (ChangeCaptions | ChangeBackground)) update();
    if (changes & ChangeCaptions) accessibility_->captionsChanged();
    if (changes & ChangeCards) panel_->boardChanged();
    // Hiding or disabling the panel (a new game, the pause after a pair) takes the focus
    // from it; it gets it back with the panel, so keys and readers stay on the cards. That
    // includes a panel the window still names as its focus widget but which lost the focus
    // while hidden: the window became active during a new deal.
    if (panel_->isVisible() && panel_->isEnabled() && !panel_->hasFocus() &&
        (!focusWidget() || focusWidget() == this || focusWidget() == panel_)) {
        panel_->setFocus(Qt::OtherFocusReason);
    }
}

void BoardWindow::cardChanged(int index) { panel_->updateCard(index); }

void BoardWindow::syncTimers() {
    // Enabling a running timer must not restart its second.
    if (game_.tmrTimeEnabled) {
        if (!tmrTime_.isActive()) tmrTime_.start();
    } else {
        tmrTime_.stop();
    }
    if (game_.tmrAutoBackEnabled) {
        if (!tmrAutoBack_.isActive()) tmrAutoBack_.start();
    } else {
        tmrAutoBack_.stop();
    }
}

void BoardWindow::syncGeometry() {
    const QSize size(twipsToPixels(game_.Width), twipsToPixels(game_.Height));
    if (this->size() != size) setFixedSize(size);
    const QPoint pos(twipsToPixels(game_.Left), twipsToPixels(game_.Top));
    if (this->pos() != pos) move(pos);
    const Panel& p = game_.picPanel;
    const QRect panelRect(kBorderPx + twipsToPixels(p.Left), kBorderPx + twipsToPixels(p.Top), twipsToPixels(p.Width),
                          twipsToPixels(p.Height));
    if (panel_->geometry() != panelRect) panel_->setGeometry(panelRect);
    panel_->setVisible(p.Visible);
    panel_->setEnabled(p.Enabled);
}

// ---- painting --------------------------------------------------------------------------

void BoardWindow::paintBackground() {
    const QSize outer(twipsToPixels(game_.Width), twipsToPixels(game_.Height));
    if (outer.isEmpty()) return;
    const qreal dpr = devicePixelRatioF();
    QPixmap pix(outer * dpr);
    pix.setDevicePixelRatio(dpr);
    pix.fill(Qt::black);
    QPainter painter(&pix);

    // The gradient fills the client area, row by row of device pixels.
    const int clientRows = static_cast<int>(std::lround((outer.height() - 2 * kBorderPx) * dpr));
    const int H = static_cast<int>(std::lround(game_.clientHeight()));
    const auto levels = bandLevels(H);
    if (clientRows > 0 && !levels.empty()) {
        painter.save();
        painter.scale(1 / dpr, 1 / dpr);
        const int left = static_cast<int>(std::lround(kBorderPx * dpr));
        const int width = static_cast<int>(std::lround((outer.width() - 2 * kBorderPx) * dpr));
        for (int row = 0; row < clientRows; ++row) {
            const int y = pixelRowToTwipRow(row, clientRows, H);
            painter.fillRect(QRect(left, static_cast<int>(std::lround(kBorderPx * dpr)) + row, width, 1),
                             QColor(0, 0, levels[static_cast<std::size_t>(y)]));
        }
        painter.restore();
    }

    // The thin fixed border: a light outer and a dark inner edge, like a classic frame.
    const QRect r(0, 0, outer.width(), outer.height());
    painter.setPen(QColor(192, 192, 192));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(255, 255, 255));
    painter.drawRect(r.adjusted(1, 1, -2, -2));
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(r.adjusted(2, 2, -3, -3));
    painter.end();
    background_ = pix;
}

QRect BoardWindow::labelRect(const Label& label) const {
    return QRect(kBorderPx + twipsToPixels(label.Left), kBorderPx + twipsToPixels(label.Top),
                 twipsToPixels(label.Width), twipsToPixels(label.Height));
}

void BoardWindow::awaitFonts() {
    if (fontsNeeded) std::exchange(fontsNeeded, nullptr)();
}

void BoardWindow::paintEvent(QPaintEvent*) {
    awaitFonts();
    QPainter painter(this);
    if (background_.isNull()) paintBackground();
    painter.drawPixmap(0, 0, background_);
    painter.setClipRect(QRect(kBorderPx, kBorderPx, width() - 2 * kBorderPx, height() - 2 * kBorderPx));

    const DecoLine& ln = game_.lnDeco;
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(QPointF(kBorderPx + twipsToExactPixels(ln.X1), kBorderPx + twipsToExactPixels(ln.Y1)),
                     QPointF(kBorderPx + twipsToExactPixels(ln.X2), kBorderPx + twipsToExactPixels(ln.Y2)));

    painter.setFont(font_);
    for (const Label* label : {&game_.lblTime, &game_.lblFlips, &game_.lblBestTime, &game_.lblBestFlips}) {
        if (label->Caption.empty()) continue;
        QRect rect = labelRect(*label);
        rect.setWidth(
            std::max(rect.width(), painter.fontMetrics().horizontalAdvance(QString::fromStdString(label->Caption))));
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         QString::fromStdString(label->Caption));
    }
}

// ---- mouse -----------------------------------------------------------------------------

int BoardWindow::toButtons(Qt::MouseButtons buttons) {
    int b = 0;
    if (buttons & Qt::LeftButton) b |= ButtonLeft;
    if (buttons & Qt::RightButton) b |= ButtonRight;
    if (buttons & Qt::MiddleButton) b |= ButtonMiddle;
    return b;
}

void BoardWindow::mousePressEvent(QMouseEvent* event) {
    // The two record labels take no mouse input at all; everything else is a drag surface.
    const QPoint p = event->position().toPoint();
    if (labelRect(game_.lblBestTime).contains(p) || labelRect(game_.lblBestFlips).contains(p)) {
        event->accept();
        return;
    }
    surfaceMouseDown(toButtons(event->button()), event->globalPosition(), QPoint());
}

void BoardWindow::mouseMoveEvent(QMouseEvent* event) {
    surfaceMouseMove(toButtons(event->buttons()), event->globalPosition(), QPoint());
}

// The pointer relative to a surface, in twips, taken from where the model has put the
// window: a move event the window system made before it applied our last move would
// otherwise still count from the old place, and the window would run ahead of the pointer.
QPointF BoardWindow::elementTwips(QPointF global, QPoint element) const {
    return {pixelsToTwips(global.x() - element.x()) - game_.Left, pixelsToTwips(global.y() - element.y()) - game_.Top};
}

void BoardWindow::surfaceMouseDown(int button, QPointF global, QPoint element) {
    const QPointF at = elementTwips(global, element);
    compositorAsked_ = false;
    if (drag_.mouseDown(button, static_cast<float>(at.x()), static_cast<float>(at.y()))) showBoardMenu();
}

void BoardWindow::surfaceMouseMove(int buttons, QPointF global, QPoint element) {
    if (!placement_->placesOwnWindows()) {
        // Only the compositor can move the window here: the first move of a left drag hands
        // it the move, once per press, and the model's position stays where it was.
        if (buttons == ButtonLeft && !compositorAsked_) {
            compositorAsked_ = true;
            placement_->startCompositorMove();
        }
        return;
    }
    const QPointF at = elementTwips(global, element);
    const auto moved =
        drag_.mouseMove(buttons, static_cast<float>(at.x()), static_cast<float>(at.y()), {game_.Left, game_.Top});
    if (!moved) return;
    game_.Left = moved->left;
    game_.Top = moved->top;
    syncGeometry();
}

}  // namespace quorvia
