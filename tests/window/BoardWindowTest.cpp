// The board window as a player meets it, on the offscreen platform: its size, its painted
// background, real clicks on real cards, the pause and the turning back, the win message.

#include "board/BoardPanel.h"
#include "fakes/MessageCatcher.h"
#include "fakes/TempDir.h"
#include "main/Program.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

using namespace quorvia;
using quorvia::test::MessageCatcher;
using quorvia::test::TempDir;

namespace {

// A program folder with a default theme of `icons` distinct one-colour icons.
std::unique_ptr<TempDir> programFolder(int icons, const std::string& ini) {
    auto dir = std::make_unique<TempDir>();
    dir->mkdir("icons/quorvia");
    for (int i = 0; i < icons; ++i) {
        QImage img(32, 32, QImage::Format_ARGB32);
        img.fill(QColor::fromHsv((i * 37) % 360, 200, 200));
        img.save(QString::fromStdString(dir->path() + "icons/quorvia/" + std::to_string(i) + ".ico"), "ico");
    }
    if (!ini.empty()) dir->write("Quorvia.ini", ini);
    return dir;
}

// A program on a folder of its own with its board window loaded and, unless told
// otherwise, the first game dealt and the window shown.
struct Running {
    Running(int icons, const std::string& ini, bool start = true)
        : dir(programFolder(icons, ini)),
          program(dir->path()),
          w((program.loadBoardWindow(), *program.window)),
          game(*program.game) {
        if (start) program.startFirstGame();
        if (start && !QTest::qWaitForWindowExposed(&w)) QTest::qFail("the board never showed", __FILE__, __LINE__);
    }
    std::unique_ptr<TempDir> dir;
    Program program;
    BoardWindow& w;
    Game& game;
};

// The first card after card 0 whose icon is (or is not) card 0's; -1 when there is none.
int partnerOfCard0(const Game& game, bool sameIcon) {
    for (int i = 1; i < static_cast<int>(game.imgPiece.size()); ++i) {
        if ((game.imgPiece[static_cast<std::size_t>(i)].Tag == game.imgPiece[0].Tag) == sameIcon) return i;
    }
    return -1;
}

QPoint cardCentre(BoardWindow& w, int index) { return w.panel()->cardRect(index).center(); }

// Moves the keyboard frame to a card with Home and Right only; false when it cannot get there.
bool frameTo(BoardPanel* panel, int index) {
    QTest::keyClick(panel, Qt::Key_Home);
    for (int i = 0; i < 64 && panel->frameCard() != index; ++i) QTest::keyClick(panel, Qt::Key_Right);
    return panel->frameCard() == index;
}

}  // namespace

class BoardWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Qt's own complaints (a painter left with saved states, a bad connection) fail the test.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^Q[A-Z]\\w*::"))); }
    // The loaded window: its design size, frameless, with the built-in card back, window icon
    // and click sound embedded in the program, and its menu's items in order.
    void loadedWindowHasItsDesignSizeAndResources() {
        Running run(4, "", false);
        auto& [dir, program, w, game] = run;
        QCOMPARE(w.size(), QSize(117, 150));
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(program.covers.DefCover.image != nullptr && !w.windowIcon().isNull());
        QFile click(QStringLiteral(":/WAVE/KLICK"));
        QVERIFY(click.open(QIODevice::ReadOnly) && click.read(4) == "RIFF");
        QStringList items;
        for (QAction* a : w.menu()->actions()) {
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
            for (QAction* sub : a->menu() ? a->menu()->actions() : QList<QAction*>())
                items << QStringLiteral("  ") + sub->text();
        }
        QCOMPARE(items.join(u'|'), QStringLiteral("Optionen...|Neues Spiel|  Starten|-|Panik!|  Standard-Einstellungen "
                                                  "wiederherstellen|-|Beenden"));
    }

    // The start-up's font thread is joined once, before the first text is measured; the
    // labels are then in the game's own Tahoma.
    void fontsAreAwaitedOnceBeforeTheFirstText() {
        FontWarmUp{};  // made and ended, never told the application is there: must not hang
        Running run(4, "", false);
        auto& [dir, program, w, game] = run;
        int calls = 0;
        float widthAtCall = -1;
        w.fontsNeeded = [&] { ++calls, widthAtCall = game.lblTime.Width; };
        program.startFirstGame();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(calls, 1);
        QVERIFY(game.lblTime.Width != widthAtCall);
        QCOMPARE(QFontInfo(w.font()).family(), QStringLiteral("Tahoma"));
    }

    void gradientIsBlackBlueBlack() {
        Running run(40, "");
        auto& [dir, program, w, game] = run;
        QCOMPARE(w.size(), QSize(333, 291));  // 5000 x 4370 twips
        const QImage img = w.grab().toImage();
        // A column left of the panel and below the labels' line.
        const int x = 4, top = 3, bottom = w.height() - 4, middle = 3 + (w.height() - 6) / 2;
        QCOMPARE((QList<QRgb>{img.pixel(x, top), img.pixel(x, bottom), img.pixel(x, middle)}),
                 (QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 255)}));
        QVERIFY(qBlue(img.pixel(x, top + 40)) > 0 && qBlue(img.pixel(x, top + 40)) < 255);
        // The labels' white line, 48 pixels down, reaches from border to border.
        QCOMPARE((QList<QRgb>{img.pixel(3, 51), img.pixel(w.width() - 4, 51), img.pixel(w.width() - 3, 51)}),
                 (QList<QRgb>{qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(128, 128, 128)}));
        // Each side of the window from its edge in: the fixed border (light grey, white, grey);
        // then the panel's sunken edges: at the top and the left two shades darker than its
        // face, then the face; at the bottom and the right white, up to the corners.
        QList<QRgb> edges;
        for (int d = 0; d < 3; ++d)
            edges << img.pixel(x, d) << img.pixel(x, w.height() - 1 - d) << img.pixel(d, middle)
                  << img.pixel(w.width() - 1 - d, middle);
        const QImage panel = w.panel()->grab().toImage();
        const QColor face = w.panel()->palette().color(QPalette::Button);
        const int right = panel.width() - 1, low = panel.height() - 1;
        for (int d = 0; d < 3; ++d) edges << panel.pixel(9, d) << panel.pixel(d, 9);
        edges << panel.pixel(9, low) << panel.pixel(right, 9) << panel.pixel(1, low) << panel.pixel(right, 1);
        QCOMPARE(edges, QList<QRgb>(4, qRgb(192, 192, 192)) + QList<QRgb>(4, qRgb(255, 255, 255)) +
                            QList<QRgb>(4, qRgb(128, 128, 128)) + QList<QRgb>(2, face.darker(150).rgb()) +
                            QList<QRgb>(2, face.darker(300).rgb()) + QList<QRgb>(2, face.rgb()) +
                            QList<QRgb>(4, qRgb(255, 255, 255)));
    }

    // A press and a release on different cards is no click, nor a drag of the window; real
    // clicks turn a card, start the one-second clock and find a pair.
    void realClicksTurnAndFindAPair() {
        Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\n");
        auto& [dir, program, w, game] = run;
        QTest::mouseMove(w.panel(), cardCentre(w, 0));  // over a card, no button held: the hand
        QCOMPARE(std::pair(w.panel()->cursor().shape(), w.panel()->cursor().hotSpot()),
                 std::pair(Qt::BitmapCursor, QPoint(7, 1)));
        const QPoint place = w.pos();
        QTest::mousePress(w.panel(), Qt::LeftButton, {}, cardCentre(w, 0));
        QTest::mouseMove(w.panel(), cardCentre(w, 1));  // held: a press on a card starts no drag
        QTest::mouseRelease(w.panel(), Qt::LeftButton, {}, cardCentre(w, 1));
        QVERIFY(!game.OneCardOpen && !w.timeTimer().isActive() && w.pos() == place);

        const int y = partnerOfCard0(game, true);
        QVERIFY(y > 0);
        QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, 0));
        QVERIFY(game.OneCardOpen);
        const std::string& tag = game.imgPiece[0].Tag;  // the card shows its icon's colour
        const QColor colour = QColor::fromHsv(std::stoi(tag.substr(tag.rfind('/') + 1)) * 37 % 360, 200, 200);
        QCOMPARE(w.panel()->grab().toImage().pixelColor(cardCentre(w, 0)).rgb(), colour.rgb());
        QVERIFY(w.timeTimer().isActive() && w.timeTimer().interval() == 1000);

        // What the screen shows of the status labels, from the window's backing store.
        const auto labels = [&] { return w.screen()->grabWindow(w.winId(), 0, 0, w.width(), 40).toImage(); };
        const QImage before = labels();
        QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, y));
        QTRY_VERIFY(labels() != before);  // the new tries count is painted
        QVERIFY(!game.imgPiece[0].Visible && !game.imgPiece[static_cast<std::size_t>(y)].Visible);
    }

    // The pause after a found pair lets window events through: a new game chosen from the
    // menu during it is dealt at once, and the rest of the click leaves the new board alone.
    void menuWorksDuringThePause() {
        Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\n");
        auto& [dir, program, w, game] = run;
        const int y = partnerOfCard0(game, true);
        QVERIFY(y > 0);
        QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, 0));
        bool pausing = false;
        QTimer::singleShot(50, [&] {
            pausing = !game.picPanel.Enabled;
            w.menu()->findChild<QAction*>(QStringLiteral("mnuNew"))->trigger();
        });
        QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, y));
        QVERIFY(pausing);
        QCOMPARE(game.FlipCount, Int16(0));
        for (const Card& card : game.imgPiece) QVERIFY(card.Visible && card.Enabled && card.Tag != kFoundTag);
    }

    // An unequal pair turns back on the screen: after a second, or, without the automatic
    // turn-back, at the next click.
    void unequalPairTurnsBack() {
        for (const char* autoCover : {"1", "0"}) {
            Running run(40, std::string("[Einstellungen]\r\nRows=2\r\nCols=4\r\nAutoCover=") + autoCover + "\r\n");
            auto& [dir, program, w, game] = run;
            const int other = partnerOfCard0(game, false);
            const auto shown = [&](int i) {
                return w.screen()->grabWindow(w.winId()).toImage().pixel(w.panel()->mapTo(&w, cardCentre(w, i)));
            };
            const QRgb cover = shown(other);
            QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, 0));
            QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, other));
            QTRY_VERIFY(shown(other) != cover);  // the face on the screen, then the cover again
            const bool timed = *autoCover == '1';
            QVERIFY(w.isEnabled() != timed && w.autoBackTimer().isActive() == timed);
            QCOMPARE(w.autoBackTimer().interval(), 1000);
            if (!timed) QTest::mouseClick(w.panel(), Qt::LeftButton, {}, cardCentre(w, other == 1 ? 2 : 1));
            QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), 3000);
            QTest::qWait(50);  // seen at once, not only after the clock's next tick repaints the board
            QCOMPARE(std::pair(shown(0), shown(other)), std::pair(cover, cover));
            QVERIFY(!w.autoBackTimer().isActive());
        }
    }

    // A drag on the background, the window's or the board's beside the cards: where the
    // desktop honours the window's own position the window follows the pointer; where only
    // the compositor places windows, the drag is handed to it once per press and the model
    // keeps its place.
    void dragMovesTheWindowOrHandsTheMoveToTheCompositor() {
        struct Placement : WindowPlacement {
            Placement(bool own, int& asked) : own(own), asked(asked) {}
            bool placesOwnWindows() const override { return own; }
            bool startCompositorMove() override { return ++asked > 0; }
            bool own;
            int& asked;
        };
        for (const auto& [own, onBoard] : {std::pair{true, false}, {true, true}, {false, false}, {false, true}}) {
            Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\n");
            auto& [dir, program, w, game] = run;
            int asked = 0;
            w.setWindowPlacement(std::make_unique<Placement>(own, asked));
            const QPoint start = w.pos();
            QWidget* surface = onBoard ? w.panel() : static_cast<QWidget*>(&w);
            const QPoint local = onBoard ? QPoint(1, 1) : QPoint(1, w.height() - 2);
            QPoint global;  // where the pointer was pressed
            const auto send = [&](QEvent::Type type, QPoint by, Qt::MouseButton button, Qt::MouseButtons held) {
                QMouseEvent event(type, local + by, global + by, button, held, {});
                QApplication::sendEvent(surface, &event);
            };
            for (int drag = 0; drag < 2; ++drag) {
                global = surface->mapToGlobal(local);
                send(QEvent::MouseButtonPress, {}, Qt::LeftButton, Qt::LeftButton);
                send(QEvent::MouseMove, {30, 20}, Qt::NoButton, Qt::LeftButton);
                send(QEvent::MouseMove, {40, 25}, Qt::NoButton, Qt::LeftButton);
                send(QEvent::MouseButtonRelease, {40, 25}, Qt::LeftButton, Qt::NoButton);
            }
            QCOMPARE(w.pos(), own ? start + QPoint(80, 50) : start);
            QCOMPARE(asked, own ? 0 : 2);
        }
    }

    // A right press on a card opens the menu and turns nothing; in the menu only the left
    // button chooses an item.
    void rightPressOpensTheMenuWhereOnlyTheLeftButtonChooses() {
        Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\n");
        auto& [dir, program, w, game] = run;
        bool optionsOpened = false;
        w.openOptions = [&] { optionsOpened = true; };
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton, Qt::LeftButton}) {
            bool menuShown = false;
            std::function<void()> clickOptions = [&] {
                auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!popup) return QTimer::singleShot(0, clickOptions);  // not open yet
                menuShown = true;
                QAction* options = popup->findChild<QAction*>(QStringLiteral("mnuOptions"));
                // The pointer travels from where the menu opened to the item, as a hand moves
                // it: Qt 6.8's menus close at a press that comes before any such travel.
                const QPoint item = popup->actionGeometry(options).center();
                for (int step = 1; step <= 8; ++step) QTest::mouseMove(popup, item * step / 8);
                QTest::mouseClick(popup, button, {}, item);
                if (popup->isVisible()) popup->close();
            };
            QTimer::singleShot(0, clickOptions);
            QTest::mouseClick(w.panel(), Qt::RightButton, {}, cardCentre(w, 0));
            QVERIFY(menuShown);
            QCOMPARE(optionsOpened, button == Qt::LeftButton);
        }
        QVERIFY(!game.OneCardOpen && !w.timeTimer().isActive());
        QCOMPARE(game.imgPiece[0].picture, game.covers().CoverImage);
    }

    // The frame shows from the first key on and moves within the board; Shift+F10 opens the
    // menu at it; a mouse press hides it; a new game keeps its row and column, clamped, and
    // fits the window to its board, back to the loaded window's width for a narrow one.
    void keysMoveTheFrameAndOpenTheMenuThere() {
        Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\n");
        auto& [dir, program, w, game] = run;
        BoardPanel* panel = w.panel();
        const QImage unframed = panel->grab().toImage();
        const std::pair<Qt::Key, int> moves[] = {{Qt::Key_Right, 1}, {Qt::Key_End, 7},  {Qt::Key_Up, 3},
                                                 {Qt::Key_Left, 2},  {Qt::Key_Home, 0}, {Qt::Key_Down, 4}};
        for (const auto& [key, card] : moves) {
            QTest::keyClick(panel, key);
            QVERIFY(panel->frameCard() == card && panel->grab().toImage() != unframed);
            // On the screen as drawn anew: no frame left behind.
            const QRect at = panel->geometry();
            const auto rgb = [](const QPixmap& p) { return p.toImage().convertToFormat(QImage::Format_RGB32); };
            QTRY_COMPARE(rgb(w.screen()->grabWindow(w.winId(), at.x(), at.y(), at.width(), at.height())),
                         rgb(panel->grab()));
        }
        QTimer::singleShot(0, w.menu(), &QMenu::close);
        QTest::keyClick(panel, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(w.menu()->pos(), panel->mapToGlobal(panel->cardRect(4).center()));
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->cardRect(0).topLeft() - QPoint(6, 6));
        QCOMPARE(panel->grab().toImage(), unframed);
        QVERIFY(frameTo(panel, 7));
        dir->write("Quorvia.ini", "[Einstellungen]\r\nRows=2\r\nCols=1\r\n");
        w.menu()->findChild<QAction*>(QStringLiteral("mnuNew"))->trigger();
        QCOMPARE(std::pair(panel->frameCard(), w.width()), std::pair(1, 117));
        QTest::keyClick(&w, Qt::Key_Up);  // one card a row; the window passes keys on to the board
        QCOMPARE(panel->frameCard(), 0);
    }

    // A board won with keys alone, each key turn going the way of a click (clock, tries,
    // removal), Home skipping removed cards, and no key turning a card in a disabled window.
    void keysAloneWinASmallBoard() {
        Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\nAutoCover=1\r\n");
        auto& [dir, program, w, game] = run;
        const auto& cards = game.imgPiece;
        BoardPanel* panel = w.panel();
        QTest::keyClick(panel, Qt::Key_Space);
        QVERIFY(game.OneCardOpen && w.timeTimer().isActive());
        QVERIFY(frameTo(panel, partnerOfCard0(game, false)));
        QTest::keyClick(panel, Qt::Key_Return);
        // Each side of the framed face, from outside in: black, white on the card's edge, black.
        const QImage framed = panel->grab().toImage();
        const QRect c = panel->cardRect(panel->frameCard());
        QList<QRgb> across;
        for (int d = -1; d <= 2; ++d)
            across << framed.pixel(c.left() + d, c.center().y()) << framed.pixel(c.right() - d, c.center().y())
                   << framed.pixel(c.center().x(), c.top() + d) << framed.pixel(c.center().x(), c.bottom() - d);
        QCOMPARE(across,
                 QList<QRgb>(4, qRgb(0, 0, 0)) + QList<QRgb>(8, qRgb(255, 255, 255)) + QList<QRgb>(4, qRgb(0, 0, 0)));
        QTest::keyClick(panel, Qt::Key_Space);
        QTest::keyClick(&w, Qt::Key_Space);
        QVERIFY(!w.isEnabled() && !game.OneCardOpen && game.FlipCount == 1);
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), 3000);
        MessageCatcher catcher;
        catcher.arm();
        for (int pair = 0; pair < 4; ++pair) {
            QTest::keyClick(panel, Qt::Key_Home);
            const auto first = cards.begin() + panel->frameCard();
            QVERIFY(std::none_of(cards.begin(), first, [](const Card& c) { return c.Visible; }));
            const auto second = std::find_if(first + 1, cards.end(), [&](auto& c) { return c.Tag == first->Tag; });
            QTest::keyClick(panel, Qt::Key_Enter);
            QVERIFY(frameTo(panel, static_cast<int>(second - cards.begin())));
            QTest::keyClick(panel, Qt::Key_Space);
        }
        QVERIFY2(catcher.text.startsWith(QStringLiteral("DU HAST ES GESCHAFFT !    \nIn ")) &&
                     catcher.text.endsWith(QStringLiteral(" Sekunden\nMit 5 Versuchen")),
                 qPrintable(catcher.text));
        QCOMPARE(std::pair(catcher.title, catcher.icon),
                 std::pair(QStringLiteral("Oskel's Quorvia"), QMessageBox::Information));
    }

    // Readers press cards like a click and find the framed card as it changes, and stay on
    // it through the pause after an unequal pair (the program's own tests over AT-SPI and
    // under Orca read the rest, a found pair among it).
    void readersFindTheCardsAndWhatChanges() {
        Running run(40, "[Einstellungen]\r\nRows=2\r\nCols=4\r\n");
        auto& [dir, program, w, game] = run;
        QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(w.panel());
        const auto press = [&](int card) {
            panel->child(card)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        };
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // A new game covers the turned card under the reader: it is told anew, as a new object
        // each time, game after game (of the objects left behind only the last ones are kept).
        for (int deal = 0; deal < 70; ++deal) {
            press(0);
            QTRY_VERIFY(game.OneCardOpen);
            QAccessibleInterface* turned = panel->focusChild();
            w.menu()->findChild<QAction*>(QStringLiteral("mnuNew"))->trigger();
            QVERIFY(panel->focusChild() != turned && panel->indexOfChild(turned) == -1 &&
                    panel->focusChild()->text(QAccessible::Name).endsWith(u"verdeckt"));
        }
        QTest::keyClick(w.panel(), Qt::Key_Right);
        QCOMPARE(panel->focusChild(), panel->child(1));
        QVERIFY(panel->child(1)->state().focused && panel->child(2)->state().focusable &&
                panel->child(1)->text(QAccessible::Description).isEmpty());  // no news on a plain move
        // While an unequal pair stays up, a press turns nothing, as a click would not.
        const auto b = static_cast<std::size_t>(partnerOfCard0(game, false));
        const std::size_t c = b == 1 ? 2 : 1;
        for (const auto card : {std::size_t{0}, b}) press(static_cast<int>(card));
        QTRY_VERIFY(!w.isEnabled());
        QCOMPARE(panel->focusChild(), panel->child(1));
        QVERIFY(panel->child(static_cast<int>(b))->text(QAccessible::Name).endsWith(QStringLiteral(", kein Paar")));
        // The window shows readers its two status lines before the panel, whenever Qt first
        // asked for its interface.
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
        QCOMPARE(window->childCount(), 3);
        QCOMPARE(window->child(1)->text(QAccessible::Name), QStringLiteral("Versuche: 1"));
        for (int i = 0; i < 3; ++i) QCOMPARE(window->indexOfChild(window->child(i)), i);  // where a reader counts
        press(static_cast<int>(c));
        QTest::qWait(100);
        QVERIFY(!w.isEnabled() && panel->child(static_cast<int>(c))->text(QAccessible::Name).endsWith(u"verdeckt"));
    }
};

int main(int argc, char* argv[]) {
    // Fonts as the program loads them: on a thread, joined before the first text.
    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.applicationReady();
    fonts.wait();
    BoardWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BoardWindowTest.moc"
