// The options dialog as the player meets it, opened from the real board window's menu on
// the offscreen platform: its window and the ways out.

#include "options/OptionsDialog.h"

#include "app/ProfileFile.h"
#include "fakes/MessageCatcher.h"
#include "fakes/TempDir.h"
#include "main/Program.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

using namespace quorvia;

// The colour of the one-colour shared cover icon c<i>.ico.
static QColor coverColour(int i) { return QColor::fromHsv(i * 97 % 360, 220, 200); }

// The program showing a first 5 x 8 game from a folder with the default theme and three
// shared cover icons.
struct Running {
    test::TempDir dir;
    std::unique_ptr<Program> program;

    Running() {
        for (int i = 0; i < 20; ++i) dir.write("icons/quorvia/" + std::to_string(i) + ".ico");
        dir.mkdir("icons/@");
        dir.write("icons/zwei/1.ico");  // a second theme, with a cover of its own
        for (int i = 10; i < 19; ++i) {
            // The first is 64 pixels wide, a fine chequer of two colours whose mean is its
            // colour: drawn smoothly at 32, it shows that.
            QImage img(i == 10 ? 64 : 32, i == 10 ? 64 : 32, QImage::Format_ARGB32);
            img.fill(coverColour(i));
            for (int p = 0, d = 20; i == 10 && p < 64 * 64; ++p, d = -d)
                img.setPixel(p % 64, p / 64, coverColour(i).rgb() + (p / 64 % 2 ? d : -d) * 0x010101);
            img.save(QString::fromStdString(dir.path() + "icons/@/c" + std::to_string(i) + ".ico"), "ico");
            if (i == 18) img.save(QString::fromStdString(dir.mkdir("icons/zwei") + "/@.icn"), "ico");  // its own
        }
        dir.write("Quorvia.ini", "[Einstellungen]\r\nRows=5\r\nCols=8\r\nCollection=quorvia\r\nCoverIcon=@\r\n");
        program = std::make_unique<Program>(dir.path());
        program->loadBoardWindow();
        program->startFirstGame();
    }

    // Chooses "Optionen..." in the board menu and returns the dialog it opened.
    frmOptions* openFromMenu() {
        program->window->menu()->findChild<QAction*>(QStringLiteral("mnuOptions"))->trigger();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<frmOptions*>(w); dialog && dialog->isVisible()) return dialog;
        }
        return nullptr;
    }
    bool boardEnabled() const { return program->window->isEnabled(); }
};

template <class T = QWidget>
static T* control(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

class OptionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Qt's own complaints (a painter left with saved states, a bad connection) fail the test.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^Q[A-Z]\\w*::"))); }
    // The window: a fixed-size tool window without boxes, centred on the screen over the
    // disabled board, OK the default button holding the focus. An odd number of cards is
    // refused with a message (Enter, from a control that does not use it, presses OK) and the
    // dialog stays open; only Esc closes it then, leaving the settings file byte for byte. The
    // two rules take effect at a click all the same.
    void oddSizeIsRefusedAndEscWritesNothing() {
        Running run;
        const std::string before = run.dir.read("Quorvia.ini");
        QPointer<frmOptions> dialog = run.openFromMenu();
        QVERIFY(dialog && !run.boardEnabled());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Optionen"));
        QVERIFY(QFontInfo(control(dialog, "Combo1")->font()).bold() &&
                QFontInfo(control(dialog, "lblX")->font()).bold() &&
                QFontInfo(control(dialog, "Check2")->font()).pixelSize() == 13);
        QVERIFY(dialog->size() == QSize(314, 416) && dialog->minimumSize() == dialog->maximumSize());
        const QRect screen = dialog->screen()->geometry();
        QCOMPARE(dialog->pos(), screen.topLeft() + QPoint((screen.width() - 314) / 2, (screen.height() - 416) / 2));
        QCOMPARE(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!(dialog->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));
        auto* cmdOK = control<QPushButton>(dialog, "cmdOK");
        QVERIFY(cmdOK->isDefault() && dialog->focusWidget() == cmdOK);
        QCOMPARE(dialog->childAt(264, 396)->objectName(), QStringLiteral("cmdAbort"));    // right of OK, at the bottom
        QCOMPARE(dialog->childAt(158, 106)->objectName(), QStringLiteral("Option1(4)"));  // the middle preset
        QCOMPARE(dialog->childAt(280, 310)->objectName(), QStringLiteral("HScroll1"));    // the strip's bar, to its end

        QTest::keyClick(control(dialog, "cboCols"), Qt::Key_9);
        const LiveSettings &live = run.program->settings.live, rules = live;  // the rules change at a click
        for (const char* name : {"Check1", "Check2"}) QTest::mouseClick(control(dialog, name), Qt::LeftButton);
        test::MessageCatcher message;
        message.arm();
        QTest::keyClick(control(dialog, "Check2"), Qt::Key_Return);
        QCOMPARE(message.title, QStringLiteral("Fehlerhafte Eingabe"));
        QCOMPARE(message.text, QString::fromUtf8(kOddCardsMessage));
        QVERIFY(dialog->isVisible() && !dialog->close() && !run.boardEnabled());
        QTest::keyClick(control(dialog, "Check2"), Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(run.boardEnabled() && live.RemovePairs != rules.RemovePairs && live.AutoCover != rules.AutoCover);
        QCOMPARE(run.dir.read("Quorvia.ini"), before);
    }

    // Typing in the theme box is no choice from its list, whichever way the player then
    // leaves it (Enter, or a click on OK that takes the focus): the name is stored as typed.
    // Entering the box takes the theme's own cover again, and a shared cover picked after
    // that stays picked; a preset and a rule chosen before take effect. Input arrives as it
    // does from the window system, at the focus widget.
    void typedThemeAndPickedCoverSurviveLeavingTheBox() {
        for (const bool byEnter : {true, false}) {
            Running run;
            QPointer<frmOptions> dialog = run.openFromMenu();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            for (const char* name : {"Option1(0)", "Option1(8)", "Check2"})  // preset 1 x 24, no automatic cover
                if (!byEnter) QTest::mouseClick(control(dialog, name), Qt::LeftButton);
            QTest::mouseClick(control(dialog, "Image1(1)"), Qt::LeftButton);
            auto* box = control<QComboBox>(dialog, "Combo1");
            QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
            QVERIFY(QApplication::focusWidget() == box && run.program->settings.live.CoverIcon == "@");
            const QString typed = byEnter ? QStringLiteral("QUORVIA") : QStringLiteral("quorvia");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), typed);
            QTest::mouseClick(control(dialog, "Image1(2)"), Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), box);  // a slot takes no focus
            QCOMPARE(box->currentText(), typed);         // and leaves the name shown as typed
            if (byEnter) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                QTest::mouseClick(control(dialog, "cmdOK"), Qt::LeftButton);
            }
            QTRY_VERIFY(dialog.isNull());
            const auto stored = [&](const char* key) {
                return ReadIniValue(run.program->fs, "Einstellungen", key, run.program->constants.IniFile);
            };
            const LiveSettings& live = run.program->settings.live;  // the new game's rules
            QCOMPARE(stored("Collection") + " " + stored("CoverIcon") + " " + stored("Cols") +
                         std::to_string(live.RemovePairs) + std::to_string(live.AutoCover),
                     typed.toStdString() + " c12.ico " + (byEnter ? "811" : "2410"));
            QVERIFY(run.boardEnabled());
            QCOMPARE(run.program->game->imgPiece.size(), std::size_t(byEnter ? 40 : 24));
        }
    }

    // Readers find the picture-only controls (slots named by their files and pressed like a
    // click, the preview named, the logos passed over) and the lists by their labels; Tab follows the layout; the arrow
    // keys move through the cover strip and Space picks a cover.
    void pictureControlsServeReadersAndTheKeyboard() {
        Running run;
        QPointer<frmOptions> dialog = run.openFromMenu();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        const auto reader = [&](const char* n) { return QAccessible::queryAccessibleInterface(control(dialog, n)); };
        const std::string& cover = run.program->settings.live.CoverIcon;
        const auto label = [&](const char* n) { return reader(n)->relations(QAccessible::Label).value(0).first; };
        QCOMPARE(reader("Image1(1)")->text(QAccessible::Name) + reader("Image2")->text(QAccessible::Name) + u'|' +
                     label("cboRows")->text(QAccessible::Name) + u'|' + label("Combo1")->text(QAccessible::Name),
                 QStringLiteral("c11Vorschau|Spielfeld Grösse auswählen:|Icon-Thema auswählen:"));
        QCOMPARE(reader("imgLogo(2)")->role(), QAccessible::Whitespace);
        auto* strip = control<QScrollBar>(dialog, "HScroll1");
        strip->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // slots move on
        QCOMPARE(reader("Image1(1)")->text(QAccessible::Name), QStringLiteral("c12"));
        strip->triggerAction(QAbstractSlider::SliderSingleStepSub);
        strip->setSliderDown(true);  // and follow the thumb while it is dragged
        strip->setSliderPosition(1);
        QCOMPARE(reader("Image1(1)")->text(QAccessible::Name), QStringLiteral("c12"));
        strip->setSliderDown(false);
        strip->triggerAction(QAbstractSlider::SliderSingleStepSub);
        reader("Image1(1)")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(cover, std::string("c11.ico"));
        QStringList stops;
        control(dialog, "cboRows")->setFocus();
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Tab, Qt::Key_Right,
                                  Qt::Key_Left, Qt::Key_Left, Qt::Key_Right, Qt::Key_Right, Qt::Key_Space, Qt::Key_Tab,
                                  Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            stops << QApplication::focusWidget()->objectName();
            if (key == Qt::Key_Down)  // the next theme of the list chosen: its own cover shown
                QCOMPARE(control(dialog, "Image2")->grab().toImage().pixel(16, 16), coverColour(18).rgb());
        }
        QCOMPARE(stops.join(u' '),
                 QStringLiteral(
                     "cboCols Option1(0) Combo1 Combo1 Image1(0) Image1(1) Image1(0) Image1(0) Image1(1) Image1(2) "
                     "Image1(2) Check1 Check2 cmdOK cmdAbort"));
        QTest::mouseClick(control(dialog, "Image1(0)"), Qt::RightButton);  // only the left button picks,
        QTest::mousePress(control(dialog, "Image1(0)"), Qt::LeftButton);   // let go on the slot
        QTest::mouseRelease(control(dialog, "Image1(0)"), Qt::LeftButton, {}, QPoint(-3, -3));
        QCOMPARE(cover, std::string("c12.ico"));
        // A raised panel's top and bottom edge; each side of the focused slot, from its edge
        // in: black, black, white.
        QWidget* panel = control(dialog, "pnlStuff");
        const QImage raised = panel->grab().toImage();
        QList<QRgb> edges{raised.pixel(20, 0), raised.pixel(20, raised.height() - 1)};
        control(dialog, "Image1(2)")->setFocus();
        const QImage slot = control(dialog, "Image1(2)")->grab().toImage();
        const int w = slot.width() - 1, h = slot.height() - 1;
        for (int d = 0; d <= 2; ++d)
            edges << slot.pixel(d, h / 2) << slot.pixel(w - d, h / 2) << slot.pixel(w / 2, d)
                  << slot.pixel(w / 2, h - d);
        const QPalette& colours = panel->palette();
        QCOMPARE(edges, (QList<QRgb>{colours.color(QPalette::Light).rgb(), colours.color(QPalette::Shadow).rgb()} +
                         QList<QRgb>(8, qRgb(0, 0, 0)) + QList<QRgb>(4, qRgb(255, 255, 255))));
        // The dialog's own black around the panels, the panels' grey; the first slot and the
        // preview show their covers, the logos their pictures. A key the slot does not use
        // reaches the dialog: Esc closes it.
        const QImage whole = dialog->grab().toImage();
        const auto centre = [&](const char* name) {
            QWidget* picture = control(dialog, name);
            return picture ? whole.pixel(picture->mapTo(dialog, picture->rect().center())) : 0;
        };
        QCOMPARE((QList<QRgb>{whole.pixel(4, 350), whole.pixel(panel->mapTo(dialog, QPoint(5, 30))), centre("Image2"),
                              centre("imgLogo(0)"), centre("imgLogo(2)")}),
                 (QList<QRgb>{qRgb(0, 0, 0), qRgb(192, 192, 192), coverColour(12).rgb(),
                              QImage(QStringLiteral(":/images/logo-left.png")).pixel(15, 15),
                              QImage(QStringLiteral(":/images/logo-right.png")).pixel(15, 15)}));
        const QRgb first = centre("Image1(0)");  // within a step of the mean, far from the chequer's 20
        QVERIFY(std::abs(qRed(first) - coverColour(10).red()) + std::abs(qBlue(first) - coverColour(10).blue()) <= 2);
        control(dialog, "Combo1")->setFocus(Qt::TabFocusReason);  // its name selected until Tab leaves
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!control<QComboBox>(dialog, "Combo1")->lineEdit()->hasSelectedText());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    registerFonts();
    OptionsWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsWindowTest.moc"
