#pragma once
// The board window as screen readers see it. The panel draws its cards itself, so Qt finds
// no widget for them; here each card becomes a button of its own (named by its number, its
// place and what it shows, pressed through the same handler as a click), and the two
// status lines become texts. Removed cards are not shown to readers.
//
// Each card and status line is a small object that only carries its place; the interfaces
// Qt asks for are made from it on demand, and Qt drops them when the object goes.
//
// Readers present what has the focus, so what happens on the board is told through the
// focus: the framed card takes it whenever the panel does, and when a turn changes that
// card (or others), a new object for the card takes it, whose name says what the card shows
// and whose description says what else changed. Qt's own focus events for the panel would
// take readers off the cards (the panel loses the focus while it or the window is disabled
// for a pause): they are told as the framed card's, or not at all.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class QAccessibleEvent;

namespace quorvia {

class BoardAccessibility;
class BoardWindow;
class Game;

// What a reader says for a card: "Karte 7, Reihe 1, Spalte 7: verdeckt" face down,
// "Karte 7: apfel" face up (the face's file name without its extension), "Karte 7: apfel,
// gefunden" once its pair is found (from the moment the second card shows) and "Karte 7:
// apfel, kein Paar" while it is one of two unequal cards just turned. `columns` is the
// board's row length.
QString cardAccessibleName(Game& game, int index, int columns);

// What the score key says: "Zeit: 12 Sekunden, Versuche: 3".
QString scoreText(const Game& game);

// One card (index 0 up) or one status line (kTimeLine, kFlipsLine) for the readers.
class AccessibleNode : public QObject {
public:
    static constexpr int kTimeLine = -1;
    static constexpr int kFlipsLine = -2;
    AccessibleNode(BoardAccessibility& readers, BoardWindow& window, int index);
    bool isCard() const { return index >= 0; }

    BoardAccessibility& readers;  // which keeps it
    BoardWindow& window;
    const int index;
    QString spoken;  // the name readers were last told
    QString news;    // a card's description: what changed elsewhere, told with it
    bool shown = true;
    bool enabled = true;
    bool retired = false;  // a card's former object, replaced by a new one
};

// Keeps the readers' objects in step with the board and tells the readers what changed.
class BoardAccessibility : public QObject {
public:
    explicit BoardAccessibility(BoardWindow& window);
    ~BoardAccessibility() override;
    // Makes Qt ask here for the board's interfaces. Called before the window is set up: Qt
    // keeps the first interface it makes for a widget, and a reader being active already
    // (Qt 6.8 asks at the window's title) would otherwise get a plain widget's, without
    // the status lines.
    static void installFactory();

    AccessibleNode* cardNode(int index) const;
    AccessibleNode* lineNode(int which) const { return which == AccessibleNode::kTimeLine ? lines_[0] : lines_[1]; }

    void boardChanged();
    void cardChanged(int index);
    void captionsChanged();
    // The keyboard frame moved from card `from`: the framed card has the focus now.
    void frameMoved(int from);
    // The card readers are on: the framed card while the panel has the focus, or while it
    // is disabled for a pause in the active window; -1 otherwise.
    int readerCard() const;
    // Tells readers the score on the framed card.
    void tellScore();
    // Readers come back to the board (a menu closed): they are told the framed card, unless
    // it has their focus already.
    void readersBack() { tellReaderCard(QString()); }

    // A turn (a click on a card, the cards turning back) is told once, when it is over:
    // changes in between are gathered. Turns may nest (a pause runs the event loop).
    class Turn {
    public:
        explicit Turn(BoardAccessibility& a) : a_(a) { ++a_.turns_; }
        ~Turn() {
            if (--a_.turns_ == 0) a_.tellReaderCard(QString());
        }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        BoardAccessibility& a_;
    };

private:
    // Qt's accessibility events pass here on their way to the readers.
    static void updates(QAccessibleEvent* event);
    void announce(AccessibleNode* node);
    // Tells readers the framed card (its name and the news gathered, then `extra`) unless
    // they were told just that already.
    void tellReaderCard(const QString& extra);
    void focus(AccessibleNode* node);
    // Gives a card a new object in place of `old` and returns it.
    AccessibleNode* renew(AccessibleNode* old);
    static constexpr std::size_t kRetiredKept = 64;

    BoardWindow& window_;
    std::vector<AccessibleNode*> cards_;
    std::array<AccessibleNode*, 2> lines_{};
    std::vector<AccessibleNode*> retired_;  // the latest former objects, oldest first
    QStringList news_;                      // changes of other cards since readers were last told
    bool pairLeft_ = false;                 // news_ tells of a card that left the board
    QPointer<AccessibleNode> told_;         // what readers were last given the focus on, if still there
    int turns_ = 0;
};

}  // namespace quorvia
