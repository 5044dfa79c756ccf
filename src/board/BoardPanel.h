#pragma once
// The card panel: draws every card from the model in one widget (hundreds of cards stay
// cheap), turns a press and release on the same enabled card into a click, and is a drag
// surface where no enabled card is hit.
//
// It is also played from the keyboard: the arrow keys, Home and End move a frame over the
// cards, Space or Enter turns the card under it, the Menu key or Shift+F10 opens the board
// menu there, S has screen readers say the time and the tries. The frame shows from the
// first key press to the next mouse press, so a player who only uses the mouse never sees it.

#include <QCursor>
#include <QWidget>

namespace quorvia {

class BoardAccessibility;
class BoardWindow;

class BoardPanel : public QWidget {
    Q_OBJECT

public:
    // A panel of `window`, whose cards' changes it tells `readers`.
    BoardPanel(BoardWindow& window, BoardAccessibility& readers);

    BoardWindow& boardWindow() const { return window_; }
    BoardAccessibility& readers() const { return readers_; }

    // The card under a point of the panel (visible cards only), or -1.
    int cardAt(QPointF point) const;
    QRect cardRect(int index) const;
    void updateCard(int index);

    // Turns a card exactly as a click on it does, and nothing while the card, the panel or
    // the window takes no click.
    void clickCard(int index);

    // The card under the keyboard frame: the frame's row and column, clamped to the board.
    int frameCard() const;
    bool frameShown() const { return frameShown_; }
    void setFrameShown(bool shown);
    // A new board was dealt.
    void boardChanged();

    static constexpr int kFramePx = 2;         // the panel's sunken border
    static constexpr int kFrameOutsidePx = 2;  // the keyboard frame's reach beyond its card

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where a navigation key moves the frame from `from`; `from` when it stays.
    int target(int key, int from) const;
    void moveFrame(int index);
    QRect frameRect(int index) const;

    BoardWindow& window_;
    BoardAccessibility& readers_;
    int frameRow_ = 0;
    int frameCol_ = 0;
    bool frameShown_ = false;
    int pressedCard_ = -1;
    QCursor hand_;
};

}  // namespace quorvia
