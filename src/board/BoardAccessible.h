#pragma once
// The board window as screen readers see it. The panel draws its cards itself, so Qt finds
// no widget for them; here each card becomes a button of its own (named by its number, its
// place and what it shows, pressed through the same handler as a click), and the two
// status lines become texts. Removed cards are not shown to readers.
//
// Each card and status line is a small object that only carries its place; the interfaces
// Qt asks for are made from it on demand, and Qt drops them when the object goes.

#include <QObject>
#include <QString>

#include <array>
#include <vector>

namespace quorvia {

class BoardWindow;
class Game;

// What a reader says for a card: "Karte 7, Reihe 1, Spalte 7: verdeckt" face down,
// "Karte 7: apfel" face up (the face's file name without its extension) and
// "Karte 7: apfel, gefunden" once its pair is found. `columns` is the board's row length.
QString cardAccessibleName(Game& game, int index, int columns);

// One card (index 0 up) or one status line (kTimeLine, kFlipsLine) for the readers.
class AccessibleNode : public QObject {
public:
    static constexpr int kTimeLine = -1;
    static constexpr int kFlipsLine = -2;
    AccessibleNode(BoardWindow& window, int index, QObject* parent) : QObject(parent), window(window), index(index) {}
    bool isCard() const { return index >= 0; }

    BoardWindow& window;
    const int index;
    QString spoken;  // the name readers were last told
    bool shown = true;
    bool enabled = true;
};

// Keeps the readers' objects in step with the board and tells the readers what changed.
class BoardAccessibility : public QObject {
public:
    explicit BoardAccessibility(BoardWindow& window);
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
    // The keyboard frame moved, or the panel took the focus: the framed card has it now.
    void frameMoved();

private:
    void announce(AccessibleNode* node);

    BoardWindow& window_;
    std::vector<AccessibleNode*> cards_;
    std::array<AccessibleNode*, 2> lines_{};
};

}  // namespace quorvia
