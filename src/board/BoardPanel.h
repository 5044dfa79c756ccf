#pragma once
// The card panel: draws every card from the model in one widget (hundreds of cards stay
// cheap), turns a press and release on the same enabled card into a click, and is a drag
// surface where no enabled card is hit.

#include <QCursor>
#include <QWidget>

namespace quorvia {

class BoardWindow;

class BoardPanel : public QWidget {
    Q_OBJECT

public:
    explicit BoardPanel(BoardWindow& window);

    // The card under a point of the panel (visible cards only), or -1.
    int cardAt(QPointF point) const;
    QRect cardRect(int index) const;
    void updateCard(int index);

    static constexpr int kFramePx = 2;  // the panel's sunken border

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    BoardWindow& window_;
    int pressedCard_ = -1;
    QCursor hand_;
};

}  // namespace quorvia
