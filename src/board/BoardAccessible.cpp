#include "board/BoardAccessible.h"

#include "board/BoardPanel.h"
#include "board/BoardWindow.h"

#include <QAccessibleWidget>
#include <QFileInfo>

#include <algorithm>

namespace quorvia {

namespace {

QString labelText(const AccessibleNode& node) {
    Game& game = node.window.game();
    return QString::fromStdString(node.index == AccessibleNode::kTimeLine ? game.lblTime.Caption
                                                                          : game.lblFlips.Caption);
}

void send(QAccessibleEvent&& event) { QAccessible::updateAccessibility(&event); }

// What a card and a status line have in common: no children, a place in the window.
class NodeAccessible : public QAccessibleObject {
public:
    explicit NodeAccessible(AccessibleNode* node) : QAccessibleObject(node) {}
    AccessibleNode& node() const { return *static_cast<AccessibleNode*>(object()); }
    BoardWindow& boardWindow() const { return node().window; }

    QWindow* window() const override { return boardWindow().windowHandle(); }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

class CardAccessible : public NodeAccessible, public QAccessibleActionInterface {
public:
    using NodeAccessible::NodeAccessible;

    const Card* card() const {
        const auto& cards = boardWindow().game().imgPiece;
        const int i = node().index;
        return i < static_cast<int>(cards.size()) ? &cards[static_cast<std::size_t>(i)] : nullptr;
    }
    bool isValid() const override { return QAccessibleObject::isValid() && card(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(boardWindow().panel());
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QString text(QAccessible::Text t) const override {
        BoardPanel* panel = boardWindow().panel();
        return t == QAccessible::Name && card()
                   ? cardAccessibleName(boardWindow().game(), node().index, panel->columns())
                   : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const Card* c = card();
        BoardPanel* panel = boardWindow().panel();
        s.focusable = true;
        s.focused = panel->hasFocus() && panel->frameCard() == node().index;
        s.disabled = !c || !c->Enabled;
        s.invisible = !c || !c->Visible;
        return s;
    }
    QRect rect() const override {
        BoardPanel* panel = boardWindow().panel();
        const QRect r = panel->cardRect(node().index);
        return QRect(panel->mapToGlobal(r.topLeft()), r.size());
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {QStringLiteral("Space")}; }
    // A click, queued: it may pause or show the win message, and the reader's request must
    // not wait for that.
    void doAction(const QString& action) override {
        if (action != pressAction()) return;
        BoardPanel* panel = boardWindow().panel();
        const auto click = [panel, i = node().index] { panel->clickCard(i); };
        QMetaObject::invokeMethod(panel, click, Qt::QueuedConnection);
    }
};

class LineAccessible : public NodeAccessible {
public:
    using NodeAccessible::NodeAccessible;

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(&boardWindow()); }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name || t == QAccessible::Value ? labelText(node()) : QString();
    }
    QAccessible::State state() const override { return {}; }
    QRect rect() const override {
        Game& game = boardWindow().game();
        const QRect r =
            boardWindow().labelRect(node().index == AccessibleNode::kTimeLine ? game.lblTime : game.lblFlips);
        return QRect(boardWindow().mapToGlobal(r.topLeft()), r.size());
    }
};

// The panel's children are the cards still on the board, in their order.
class PanelAccessible : public QAccessibleWidget {
public:
    explicit PanelAccessible(BoardPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Grouping, QStringLiteral("Spielfeld")) {}
    BoardPanel* panel() const { return static_cast<BoardPanel*>(widget()); }
    BoardWindow& boardWindow() const { return *static_cast<BoardWindow*>(panel()->parentWidget()); }
    const std::vector<Card>& cards() const { return boardWindow().game().imgPiece; }

    QAccessibleInterface* cardInterface(int index) const {
        if (index < 0 || index >= static_cast<int>(cards().size())) return nullptr;
        return QAccessible::queryAccessibleInterface(boardWindow().accessibility()->cardNode(index));
    }
    int childCount() const override {
        return static_cast<int>(std::count_if(cards().begin(), cards().end(), [](const Card& c) { return c.Visible; }));
    }
    QAccessibleInterface* child(int position) const override {
        for (int i = 0; i < static_cast<int>(cards().size()); ++i) {
            if (cards()[static_cast<std::size_t>(i)].Visible && position-- == 0) return cardInterface(i);
        }
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* node = child ? dynamic_cast<const AccessibleNode*>(child->object()) : nullptr;
        if (!node || !node->isCard() || node->index >= static_cast<int>(cards().size())) return -1;
        const auto end = cards().begin() + node->index;
        return end->Visible
                   ? static_cast<int>(std::count_if(cards().begin(), end, [](const Card& c) { return c.Visible; }))
                   : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return cardInterface(panel()->cardAt(panel()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override {
        const int framed = panel()->frameCard();
        return panel()->hasFocus() && framed >= 0 && cards()[static_cast<std::size_t>(framed)].Visible
                   ? cardInterface(framed)
                   : nullptr;
    }
};

// The window's children: the two status lines, then its widgets (the panel).
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(BoardWindow* window) : QAccessibleWidget(window, QAccessible::Window) {}
    BoardAccessibility& nodes() const { return *static_cast<BoardWindow*>(widget())->accessibility(); }
    QAccessibleInterface* line(int i) const {
        return QAccessible::queryAccessibleInterface(
            nodes().lineNode(i == 0 ? AccessibleNode::kTimeLine : AccessibleNode::kFlipsLine));
    }

    int childCount() const override { return 2 + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int i) const override { return i < 2 ? line(i) : QAccessibleWidget::child(i - 2); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* node = child ? dynamic_cast<const AccessibleNode*>(child->object()) : nullptr;
        if (node && !node->isCard()) return node->index == AccessibleNode::kTimeLine ? 0 : 1;
        const int i = QAccessibleWidget::indexOfChild(child);
        return i < 0 ? i : i + 2;
    }
};

QAccessibleInterface* boardInterfaces(const QString&, QObject* object) {
    if (auto* node = dynamic_cast<AccessibleNode*>(object)) {
        return node->isCard() ? static_cast<QAccessibleInterface*>(new CardAccessible(node)) : new LineAccessible(node);
    }
    if (auto* panel = qobject_cast<BoardPanel*>(object)) return new PanelAccessible(panel);
    if (auto* window = qobject_cast<BoardWindow*>(object)) return new WindowAccessible(window);
    return nullptr;
}

}  // namespace

QString cardAccessibleName(Game& game, int index, int columns) {
    const Card& card = game.imgPiece.at(static_cast<std::size_t>(index));
    const QString number = QString::number(index + 1);
    if (card.picture == game.covers().CoverImage) {
        return QStringLiteral("Karte %1, Reihe %2, Spalte %3: verdeckt")
            .arg(number)
            .arg(index / columns + 1)
            .arg(index % columns + 1);
    }
    const QString face = QFileInfo(QString::fromStdString(card.picture.source)).completeBaseName();
    return QStringLiteral("Karte %1: %2%3")
        .arg(number, face, card.Tag == kFoundTag ? QStringLiteral(", gefunden") : QString());
}

void BoardAccessibility::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(boardInterfaces);
        return true;
    }();
    (void)installed;
}

BoardAccessibility::BoardAccessibility(BoardWindow& window) : QObject(&window), window_(window) {
    installFactory();
    lines_ = {new AccessibleNode(window, AccessibleNode::kTimeLine, this),
              new AccessibleNode(window, AccessibleNode::kFlipsLine, this)};
}

AccessibleNode* BoardAccessibility::cardNode(int index) const {
    return index >= 0 && index < static_cast<int>(cards_.size()) ? cards_[static_cast<std::size_t>(index)] : nullptr;
}

void BoardAccessibility::announce(AccessibleNode* node) {
    const QString now =
        node->isCard() ? cardAccessibleName(window_.game(), node->index, window_.panel()->columns()) : labelText(*node);
    if (now == node->spoken) return;
    node->spoken = now;
    if (QAccessible::isActive()) send(QAccessibleEvent(node, QAccessible::NameChanged));
}

void BoardAccessibility::boardChanged() {
    const auto& cards = window_.game().imgPiece;
    while (cards_.size() > cards.size()) {
        delete cards_.back();
        cards_.pop_back();
    }
    while (cards_.size() < cards.size()) {
        cards_.push_back(new AccessibleNode(window_, static_cast<int>(cards_.size()), this));
    }
    for (AccessibleNode* node : cards_) {
        node->shown = cards[static_cast<std::size_t>(node->index)].Visible;
        node->enabled = cards[static_cast<std::size_t>(node->index)].Enabled;
        announce(node);
    }
    if (QAccessible::isActive()) send(QAccessibleEvent(window_.panel(), QAccessible::ObjectReorder));
}

void BoardAccessibility::cardChanged(int index) {
    AccessibleNode* node = cardNode(index);
    if (!node) return;
    const Card& card = window_.game().imgPiece[static_cast<std::size_t>(index)];
    announce(node);
    const bool active = QAccessible::isActive();
    if (node->enabled != card.Enabled) {
        node->enabled = card.Enabled;
        QAccessible::State changed;
        changed.disabled = true;
        if (active) send(QAccessibleStateChangeEvent(node, changed));
    }
    if (node->shown != card.Visible) {
        node->shown = card.Visible;
        if (active) send(QAccessibleEvent(node, card.Visible ? QAccessible::ObjectShow : QAccessible::ObjectHide));
        if (active) send(QAccessibleEvent(window_.panel(), QAccessible::ObjectReorder));
    }
}

void BoardAccessibility::captionsChanged() {
    for (AccessibleNode* node : lines_) announce(node);
}

void BoardAccessibility::frameMoved() {
    BoardPanel* panel = window_.panel();
    AccessibleNode* node = cardNode(panel->frameCard());
    if (node && panel->hasFocus() && QAccessible::isActive()) send(QAccessibleEvent(node, QAccessible::Focus));
}

}  // namespace quorvia
