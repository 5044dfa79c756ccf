#include "board/BoardPanel.h"

#include "board/BoardWindow.h"
#include "board/QtPictureLoader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace quorvia {

BoardPanel::BoardPanel(BoardWindow& window) : QWidget(&window), window_(window) {
    setObjectName(QStringLiteral("picPanel"));
    setMouseTracking(true);
    QFont bold(QStringLiteral("Tahoma"));
    bold.setPixelSize(12);  // 9 pt
    bold.setBold(true);
    setFont(bold);
    const QPixmap pointer = QPixmap::fromImage(resourceImage(QStringLiteral(":/images/pointing-hand.png")));
    hand_ = pointer.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pointer, 7, 1);
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
    const QRect r = cardRect(index);
    if (!r.isEmpty()) update(r);
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
    Game& game = window_.game();
    if (game.acceptsClick(pressed)) game.imgPiece_Click(pressed);
}

}  // namespace quorvia
