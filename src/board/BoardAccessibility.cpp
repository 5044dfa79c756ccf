#include "board/BoardAccessibility.h"

#include "board/BoardPanel.h"
#include "board/BoardWindow.h"

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
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

// Who had Qt's accessibility events before the boards: a handler installed earlier (a
// test's), or else the platform's bridge to the readers.
QAccessible::UpdateHandler nextHandler = nullptr;
std::vector<BoardAccessibility*> boards;

void passOn(QAccessibleEvent* event) {
    if (nextHandler) {
        nextHandler(event);
        return;
    }
    const QPlatformIntegration* platform = QGuiApplicationPrivate::platformIntegration();
    if (QPlatformAccessibility* bridge = platform ? platform->accessibility() : nullptr) {
        bridge->notifyAccessibilityUpdate(event);
    }
}

bool faceDown(const QString& name) { return name.endsWith(QStringLiteral("verdeckt")); }

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
        if (!card()) return {};
        if (t == QAccessible::Description) return node().news;
        return t == QAccessible::Name
                   ? cardAccessibleName(boardWindow().game(), node().index, boardWindow().game().columns())
                   : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const Card* c = card();
        s.focusable = true;
        s.focused = !node().retired && node().readers.readerCard() == node().index;
        s.disabled = !c || !c->Enabled;
        s.invisible = !c || !c->Visible;
        return s;
    }
    // A retired card is off the board's surface: readers tell it from the card's new object.
    QRect rect() const override {
        if (node().retired) return {};
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
    BoardWindow& boardWindow() const { return panel()->boardWindow(); }
    const std::vector<Card>& cards() const { return boardWindow().game().imgPiece; }

    // None for an index that names no card (the node is null then).
    QAccessibleInterface* cardInterface(int index) const {
        return QAccessible::queryAccessibleInterface(panel()->readers().cardNode(index));
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
        if (!node || !node->isCard() || node->retired || node->index >= static_cast<int>(cards().size())) return -1;
        const auto end = cards().begin() + node->index;
        return end->Visible
                   ? static_cast<int>(std::count_if(cards().begin(), end, [](const Card& c) { return c.Visible; }))
                   : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return cardInterface(panel()->cardAt(panel()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override {
        const int framed = panel()->readers().readerCard();
        return framed >= 0 && cards()[static_cast<std::size_t>(framed)].Visible ? cardInterface(framed) : nullptr;
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
    const auto& cards = game.imgPiece;
    const Card& card = cards.at(static_cast<std::size_t>(index));
    const QString number = QString::number(index + 1);
    if (game.isFaceDown(index)) {
        return QStringLiteral("Karte %1, Reihe %2, Spalte %3: verdeckt")
            .arg(number)
            .arg(index / columns + 1)
            .arg(index % columns + 1);
    }
    // The two cards of a pair just turned say whether they are one.
    QString outcome;
    const int partner = index == game.FirstCard ? game.SecondCard : index == game.SecondCard ? game.FirstCard : -1;
    if (card.Tag == kFoundTag) {
        outcome = QStringLiteral(", gefunden");
    } else if (!game.OneCardOpen && partner >= 0 && partner != index && partner < static_cast<int>(cards.size()) &&
               !game.isFaceDown(partner)) {
        outcome = cards[static_cast<std::size_t>(partner)].Tag == card.Tag ? QStringLiteral(", gefunden")
                                                                           : QStringLiteral(", kein Paar");
    }
    const QString face = QFileInfo(QString::fromStdString(card.picture.source)).completeBaseName();
    return QStringLiteral("Karte %1: %2%3").arg(number, face, outcome);
}

QString scoreText(const Game& game) {
    return QStringLiteral("Zeit: %1 Sekunden, Versuche: %2")
        .arg(static_cast<int>(game.ElapsedSeconds))
        .arg(static_cast<int>(game.FlipCount));
}

// Qt keeps a factory once, however often it is installed.
void BoardAccessibility::installFactory() { QAccessible::installFactory(boardInterfaces); }

AccessibleNode::AccessibleNode(BoardAccessibility& readers, BoardWindow& window, int index)
    : QObject(&readers), readers(readers), window(window), index(index) {}

BoardAccessibility::BoardAccessibility(BoardWindow& window) : QObject(&window), window_(window) {
    // The boards' handler goes in front of whatever handled the events until now.
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(&BoardAccessibility::updates);
    if (before != &BoardAccessibility::updates) nextHandler = before;
    boards.push_back(this);
    lines_ = {new AccessibleNode(*this, window, AccessibleNode::kTimeLine),
              new AccessibleNode(*this, window, AccessibleNode::kFlipsLine)};
}

BoardAccessibility::~BoardAccessibility() { std::erase(boards, this); }

AccessibleNode* BoardAccessibility::cardNode(int index) const {
    return index >= 0 && index < static_cast<int>(cards_.size()) ? cards_[static_cast<std::size_t>(index)] : nullptr;
}

void BoardAccessibility::updates(QAccessibleEvent* event) {
    if (event->type() == QAccessible::Focus) {
        for (BoardAccessibility* board : boards) {
            BoardPanel* panel = board->window_.panel();
            if (event->object() != panel) continue;
            // Qt tells the panel's focus as it comes and as it goes (a pause disables the
            // panel or the window): readers stay on the framed card.
            if (panel->hasFocus()) board->tellReaderCard(QString());
            return;
        }
        const auto* node = dynamic_cast<const AccessibleNode*>(event->object());
        for (BoardAccessibility* board : boards) {
            if (!node || &node->window != &board->window_) board->told_ = nullptr;
        }
    }
    passOn(event);
}

int BoardAccessibility::readerCard() const {
    BoardPanel* panel = window_.panel();
    const bool paused = !panel->isEnabled() && panel->isVisible() && window_.isActiveWindow();
    return panel->hasFocus() || paused ? panel->frameCard() : -1;
}

AccessibleNode* BoardAccessibility::renew(AccessibleNode* old) {
    auto* fresh = new AccessibleNode(*this, window_, old->index);
    fresh->spoken = old->spoken;
    fresh->shown = old->shown;
    fresh->enabled = old->enabled;
    old->retired = true;
    retired_.push_back(old);
    if (retired_.size() > kRetiredKept) {
        delete retired_.front();
        retired_.erase(retired_.begin());
    }
    cards_[static_cast<std::size_t>(old->index)] = fresh;
    return fresh;
}

void BoardAccessibility::focus(AccessibleNode* node) {
    AccessibleNode* before = told_;
    told_ = node;
    if (QAccessible::isActive()) send(QAccessibleEvent(node, QAccessible::Focus));
    // What was news on the card left behind is old now: the card gets a new object without it.
    if (before && before != node && before->isCard() && !before->retired && !before->news.isEmpty()) renew(before);
}

void BoardAccessibility::tellReaderCard(const QString& extra) {
    if (turns_ > 0) return;
    AccessibleNode* node = cardNode(readerCard());
    if (!node || !window_.game().imgPiece[static_cast<std::size_t>(node->index)].Visible) {
        news_.clear();
        pairLeft_ = false;
        return;
    }
    QStringList said = std::exchange(news_, {});
    pairLeft_ = false;
    if (!extra.isEmpty()) said << extra;
    const QString news = said.join(QStringLiteral(", "));
    const QString name = cardAccessibleName(window_.game(), node->index, window_.game().columns());
    const bool again = node == told_;
    if (again && name == node->spoken && news.isEmpty()) return;
    // A reader presents a card when the focus comes to it, not when it changes under the
    // focus (Qt's name change events do not carry the new text): a card that changed, or
    // has news, is told as a new object in its place. The old one stays for whoever holds
    // it, answering for the same card, but off the board's surface.
    if (again || name != node->spoken || news != node->news) node = renew(node);
    node->spoken = name;
    node->news = news;
    focus(node);
}

void BoardAccessibility::announce(AccessibleNode* node) {
    const QString now =
        node->isCard() ? cardAccessibleName(window_.game(), node->index, window_.game().columns()) : labelText(*node);
    if (now == node->spoken) return;
    if (node->isCard() && node->index == readerCard()) {
        tellReaderCard(QString());  // told with the focus, now or when the turn is over
        return;
    }
    if (node->isCard() && faceDown(now) && !node->spoken.isEmpty() && !faceDown(node->spoken)) {
        news_ << QStringLiteral("Karte %1 wieder verdeckt").arg(node->index + 1);
    }
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
        cards_.push_back(new AccessibleNode(*this, window_, static_cast<int>(cards_.size())));
    }
    for (AccessibleNode* node : cards_) {
        node->shown = cards[static_cast<std::size_t>(node->index)].Visible;
        node->enabled = cards[static_cast<std::size_t>(node->index)].Enabled;
        announce(node);
    }
    news_.clear();  // a new deal covers every card: nothing to tell of them
    pairLeft_ = false;
}

void BoardAccessibility::cardChanged(int index) {
    AccessibleNode* node = cardNode(index);
    if (!node) return;
    const Card& card = window_.game().imgPiece[static_cast<std::size_t>(index)];
    const bool active = QAccessible::isActive();
    if (node->shown != card.Visible) {
        node->shown = card.Visible;
        if (active) send(QAccessibleEvent(node, card.Visible ? QAccessible::ObjectShow : QAccessible::ObjectHide));
    }
    if (!card.Visible) {
        node->spoken = cardAccessibleName(window_.game(), index, window_.game().columns());
        return;  // readers see removed cards no more
    }
    announce(node);
    if (node->enabled != card.Enabled) {
        node->enabled = card.Enabled;
        QAccessible::State changed;
        changed.disabled = true;
        if (active) send(QAccessibleStateChangeEvent(node, changed));
    }
}

void BoardAccessibility::captionsChanged() {
    for (AccessibleNode* node : lines_) announce(node);
}

void BoardAccessibility::frameMoved(int from) {
    // A card that leaves the board takes the frame to a neighbour; what it was is told there.
    const auto& cards = window_.game().imgPiece;
    // When its partner leaves next, the frame may pass over it: the pair is told once.
    if (from >= 0 && from < static_cast<int>(cards.size()) && !cards[static_cast<std::size_t>(from)].Visible &&
        !std::exchange(pairLeft_, true)) {
        news_.prepend(cardAccessibleName(window_.game(), from, window_.game().columns()));
    }
    tellReaderCard(QString());
}

void BoardAccessibility::tellScore() { tellReaderCard(scoreText(window_.game())); }

}  // namespace quorvia
