#include "board/BoardPanel.h"

#include "board/BoardAccessibility.h"
#include "board/BoardWindow.h"
#include "board/Navigation.h"
#include "qt/QtPictureLoader.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdlib>

namespace quorvia {

BoardPanel::BoardPanel(BoardWindow& window, BoardAccessibility& readers)
    : QWidget(&window), window_(window), readers_(readers) {
    setObjectName(QStringLiteral("picPanel"));
    setMouseTracking(true);
    const QPixmap pointer = QPixmap::fromImage(resourceImage(QStringLiteral(":/images/pointing-hand.png")));
    hand_ = pointer.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pointer, 7, 1);
    setFocusPolicy(Qt::StrongFocus);
}

QRect BoardPanel::cardRect(int index) const {
    const auto& cards = window_.game().imgPiece;
    if (index < 0 || index >= static_cast<int>(cards.size())) return {};
    const Card& c = cards[static_cast<std::size_t>(index)];
    return QRect(kFramePx + twipsToPixels(c.Left), kFramePx + twipsToPixels(c.Top), twipsToPixels(c.Width),
                 twipsToPixels(c.Height));
}

int BoardPanel::cardAt(QPointF point) const {
    const auto& cards = window_.game().imgPiece;
    const QPoint p = point.toPoint();
    for (int i = static_cast<int>(cards.size()) - 1; i >= 0; --i) {
        if (cards[static_cast<std::size_t>(i)].Visible && cardRect(i).contains(p)) return i;
    }
    return -1;
}

void BoardPanel::updateCard(int index) {
    const QRect r = frameRect(index);
    if (!r.isEmpty()) update(r);
    // A removed card takes no frame: it moves on to the next card still on the board.
    const auto& cards = window_.game().imgPiece;
    if (index == frameCard() && !cards[static_cast<std::size_t>(index)].Visible) {
        const int next = target(Qt::Key_Right, index);
        moveFrame(next != index ? next : target(Qt::Key_Left, index));
    }
    readers_.cardChanged(index);
}

void BoardPanel::clickCard(int index) {
    Game& game = window_.game();
    if (!game.acceptsClick(index)) return;
    const BoardAccessibility::Turn turn(readers_);
    game.imgPiece_Click(index);
}

void BoardPanel::boardChanged() {
    update();
    readers_.boardChanged();
}

// ---- keyboard ---------------------------------------------------------------------------

int BoardPanel::frameCard() const {
    const int n = static_cast<int>(window_.game().imgPiece.size());
    if (n == 0) return -1;
    const int cols = window_.game().columns();
    const int rows = (n + cols - 1) / cols;
    return std::min(std::min(frameRow_, rows - 1) * cols + std::min(frameCol_, cols - 1), n - 1);
}

int BoardPanel::target(int key, int from) const {
    const Game& game = window_.game();
    const FrameMove move = key == Qt::Key_Left    ? FrameMove::Left
                           : key == Qt::Key_Right ? FrameMove::Right
                           : key == Qt::Key_Up    ? FrameMove::Up
                           : key == Qt::Key_Down  ? FrameMove::Down
                           : key == Qt::Key_Home  ? FrameMove::Home
                                                  : FrameMove::End;
    return frameTarget(move, from, static_cast<int>(game.imgPiece.size()), game.columns(),
                       [&](int i) { return game.imgPiece[static_cast<std::size_t>(i)].Visible; });
}

void BoardPanel::moveFrame(int index) {
    const int old = frameCard();
    if (index < 0 || index == old) return;
    update(frameRect(old));
    frameRow_ = index / window_.game().columns();
    frameCol_ = index % window_.game().columns();
    update(frameRect(index));
    readers_.frameMoved(old);
}

void BoardPanel::setFrameShown(bool shown) {
    if (shown == frameShown_) return;
    frameShown_ = shown;
    update(frameRect(frameCard()));
}

QRect BoardPanel::frameRect(int index) const {
    const QRect r = cardRect(index);
    return r.isEmpty() ? r : r.adjusted(-kFrameOutsidePx, -kFrameOutsidePx, kFrameOutsidePx, kFrameOutsidePx);
}

bool BoardPanel::event(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) setFrameShown(false);
    return QWidget::event(event);
}

void BoardPanel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool menu =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier);
    const bool turn = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool move = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down ||
                      key == Qt::Key_Home || key == Qt::Key_End;
    const bool score =
        key == Qt::Key_S && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (score) {
        event->accept();
        readers_.tellScore();
        return;
    }
    if (!(menu || turn || move) || frameCard() < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    setFrameShown(true);
    if (move) moveFrame(target(key, frameCard()));
    if (turn) clickCard(frameCard());
    if (menu) window_.showBoardMenuAt(mapToGlobal(cardRect(frameCard()).center()), true);
}

void BoardPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(rect(), face);
    // Sunken 3D border.
    const QRect r = rect();
    painter.setPen(face.darker(150));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(Qt::white);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.setPen(face.darker(300));
    painter.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
    painter.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));

    const auto& cards = window_.game().imgPiece;
    for (int i = 0; i < static_cast<int>(cards.size()); ++i) {
        const Card& c = cards[static_cast<std::size_t>(i)];
        if (!c.Visible) continue;
        const QRect cr = cardRect(i);
        if (!event->rect().intersects(cr)) continue;
        drawPicture(painter, cr, c.picture);
    }

    const int framed = frameCard();
    if (frameShown_ && framed >= 0 && cards[static_cast<std::size_t>(framed)].Visible) {
        // Black around the card, white on its edge and a thin black line inside: one of
        // them always stands out, on the cover and on light or dark faces alike.
        const QRectF r(cardRect(framed));
        painter.setPen(QPen(Qt::black, kFrameOutsidePx, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(r.adjusted(-1, -1, 1, 1));
        painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(r.adjusted(1, 1, -1, -1));
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(r.adjusted(2.5, 2.5, -2.5, -2.5));
    }
}

void BoardPanel::mousePressEvent(QMouseEvent* event) {
    const int index = cardAt(event->position());
    const Game& game = window_.game();
    const bool onEnabledCard = index >= 0 && game.imgPiece[static_cast<std::size_t>(index)].Enabled;
    if (onEnabledCard) {
        // Turning happens on the click (press and release on the same card); a right press
        // opens the menu; other presses on a card do nothing of their own.
        pressedCard_ = event->button() == Qt::LeftButton ? index : -1;
        if (event->button() == Qt::RightButton) window_.showBoardMenu();
        return;
    }
    pressedCard_ = -1;
    window_.surfaceMouseDown(BoardWindow::toButtons(event->button()), event->globalPosition(), pos());
}

void BoardPanel::mouseMoveEvent(QMouseEvent* event) {
    const int index = cardAt(event->position());
    setCursor(index >= 0 ? hand_ : QCursor(Qt::ArrowCursor));
    if (pressedCard_ >= 0) return;  // a press on a card starts no drag
    if (event->buttons() != Qt::NoButton) {
        window_.surfaceMouseMove(BoardWindow::toButtons(event->buttons()), event->globalPosition(), pos());
    }
}

void BoardPanel::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = pressedCard_;
    pressedCard_ = -1;
    if (event->button() != Qt::LeftButton || pressed < 0) return;
    if (cardAt(event->position()) != pressed) return;
    clickCard(pressed);
}

}  // namespace quorvia
