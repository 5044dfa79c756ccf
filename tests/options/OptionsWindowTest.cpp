// The options dialog as the player meets it, opened from the real board window's menu on
// the offscreen platform: its window, its lists from a real folder, and the ways out.

#include "options/OptionsDialog.h"

#include "app/ProfileFile.h"
#include "fakes/TempDir.h"
#include "main/Program.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <memory>
#include <set>

using namespace quorvia;

namespace {

// The program showing a first 5 x 8 game from a folder with the default theme (30 icons
// and its own cover), a nested theme and `covers` shared cover icons c10.ico, c11.ico, ...;
// the menu item wired to the dialog, and the new games counted.
struct Running {
    test::TempDir dir;
    std::unique_ptr<Program> program;
    int newGames = 0;

    explicit Running(int covers = 3) {
        auto icon = [this](const std::string& path, int hue) {
            QImage img(32, 32, QImage::Format_ARGB32);
            img.fill(QColor::fromHsv(hue % 360, 200, 200));
            dir.mkdir(path.substr(0, path.rfind('/')));
            img.save(QString::fromStdString(dir.path() + path), "ico");
        };
        for (int i = 0; i < 30; ++i) icon("icons/quorvia/" + std::to_string(i) + ".ico", i * 37);
        icon("icons/quorvia/@.icn", 10);
        icon("icons/Natur/Tiere/a.ico", 100);
        icon("icons/Natur/Tiere/@.icn", 200);
        for (int i = 0; i < covers; ++i) icon("icons/@/c" + std::to_string(10 + i) + ".ico", 300 + i * 5);
        dir.write("Quorvia.ini",
                  "[Einstellungen]\r\nRows=5\r\nCols=8\r\nRemovePairs=1\r\nAutoCover=1\r\n"
                  "Collection=quorvia\r\nCoverIcon=@\r\n");

        program = std::make_unique<Program>(dir.path());
        program->loadBoardWindow();
        program->startFirstGame();
        auto start = program->settings.startGame;
        program->settings.startGame = [this, start] {
            ++newGames;
            start();
        };
    }
    ~Running() {
        // Collected first: deleting a dialog deletes the popup windows of its lists too.
        QList<QPointer<frmOptions>> open;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<frmOptions*>(w)) open << dialog;
        }
        for (const auto& dialog : open) delete dialog.data();
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
    std::string ini() const { return dir.read("Quorvia.ini"); }
};

template <class T = QWidget>
T* control(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

const Picture& picture(QWidget* dialog, const char* name) { return control<PictureBox>(dialog, name)->picture(); }

// A pick from a list, as the player's choice reports it.
void choose(QWidget* dialog, const char* list, const QString& text) {
    auto* box = control<QComboBox>(dialog, list);
    box->setCurrentIndex(box->findText(text));
    emit box->activated(box->currentIndex());
}

// Closes the next message box that appears and remembers "text|title|icon".
void catchMessage(QString& seen) {
    QTimer::singleShot(0, [&seen] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seen = box->text() + u'|' + box->windowTitle() + u'|' + QString::number(box->icon());
                box->accept();
                return;
            }
        }
        catchMessage(seen);  // not open yet: look again
    });
}

}  // namespace

class OptionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    // The window (title, tool frame without boxes, client size, places, texts and fonts) and
    // its lists filled from the program folder, while the board window waits disabled.
    void opensFromTheMenuFilledFromDisk() {
        Running run;
        QVERIFY(run.boardEnabled());
        frmOptions* dialog = run.openFromMenu();
        QVERIFY(dialog);
        QVERIFY(!run.boardEnabled());

        QCOMPARE(dialog->windowTitle(), QStringLiteral("Optionen"));
        QCOMPARE(dialog->size(), QSize(314, 416));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!(dialog->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));

        auto* cmdOK = control<QPushButton>(dialog, "cmdOK");
        QCOMPARE(cmdOK->text(), QStringLiteral("Übernehmen + Neues Spiel starten"));
        QCOMPARE(cmdOK->geometry(), QRect(8, 384, 209, 25));
        QCOMPARE(cmdOK->font().pixelSize(), 11);
        QVERIFY(cmdOK->isDefault());
        QCOMPARE(dialog->focusWidget(), cmdOK);
        QCOMPARE(control(dialog, "SSPanel2")->geometry(), QRect(8, 240, 297, 89));

        auto* combo = control<QComboBox>(dialog, "Combo1");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0) + u' ' + combo->itemText(1), QStringLiteral("NATUR\\TIERE QUORVIA"));
        QCOMPARE(combo->currentText(), QStringLiteral("QUORVIA"));
        auto* rows = control<QComboBox>(dialog, "cboRows");
        auto* cols = control<QComboBox>(dialog, "cboCols");
        QCOMPARE(rows->count() * 100 + cols->count(), 1824);
        QCOMPARE(rows->currentText() + u'x' + cols->currentText(), QStringLiteral("5x8"));
        for (int i = 0; i < kStripSlots; ++i) {
            QCOMPARE(picture(dialog, QStringLiteral("Image1(%1)").arg(i).toLatin1().constData()).image != nullptr,
                     i < 3);
        }
        QVERIFY(picture(dialog, "Image2").image);
        QCOMPARE(control<QScrollBar>(dialog, "HScroll1")->maximum(), 0);
        QVERIFY(control<QCheckBox>(dialog, "Check1")->isChecked());
        for (QRadioButton* option : dialog->findChildren<QRadioButton*>()) QVERIFY(!option->isChecked());
    }

    // A preset and OK: one row of 24 cards, the six keys in the file, the board enabled and
    // the dialog gone.
    void presetAndOkDealsOneRow() {
        Running run;
        QPointer<frmOptions> dialog = run.openFromMenu();
        QTest::mouseClick(control(dialog, "Option1(8)"), Qt::LeftButton);
        QCOMPARE(control<QComboBox>(dialog, "cboRows")->currentText(), QStringLiteral("1"));
        QCOMPARE(control<QComboBox>(dialog, "cboCols")->currentText(), QStringLiteral("24"));
        QTest::mouseClick(control(dialog, "cmdOK"), Qt::LeftButton);

        QTRY_VERIFY(dialog.isNull());
        QVERIFY(run.boardEnabled());
        QCOMPARE(run.newGames, 1);
        std::set<float> tops;
        for (const Card& card : run.program->game->imgPiece) tops.insert(card.Top);
        QCOMPARE(run.program->game->imgPiece.size(), std::size_t(24));
        QCOMPARE(tops.size(), std::size_t(1));
        std::string stored;
        for (const char* key : {"Rows", "Cols", "RemovePairs", "AutoCover", "Collection", "CoverIcon"}) {
            stored += ReadIniValue(run.program->fs, "Einstellungen", key, run.program->constants.IniFile) + " ";
        }
        QCOMPARE(stored, std::string("1 24 1 1 QUORVIA @ "));
    }

    // An odd number of cards is refused with a message; the dialog stays open over the
    // disabled board and nothing is written. Enter, from a control that does not use it,
    // presses the default button.
    void oddCardCountShowsTheMessage() {
        Running run;
        const std::string before = run.ini();
        QPointer<frmOptions> dialog = run.openFromMenu();
        choose(dialog, "cboCols", QStringLiteral("9"));
        QString seen;
        catchMessage(seen);
        QTest::keyClick(control(dialog, "Check2"), Qt::Key_Return);
        QCOMPARE(seen, QStringLiteral("Das Ergebnis muss eine gerade Zahl ergeben ( um Paare zu erstellen )!|"
                                      "Fehlerhafte Eingabe|%1")
                           .arg(QMessageBox::Critical));
        QTest::qWait(10);
        QVERIFY(!dialog.isNull() && dialog->isVisible());
        QVERIFY(!run.boardEnabled());
        QCOMPARE(control<QComboBox>(dialog, "cboCols")->currentText(), QStringLiteral("9"));
        QCOMPARE(run.ini(), before);
        QCOMPARE(run.newGames, 0);
    }

    // Enter in the theme box is the default button, not a choice from the list: a shared
    // cover picked before stays the choice even when the typed name matches a theme.
    void enterInTheThemeBoxKeepsAPickedCover() {
        Running run;
        QPointer<frmOptions> dialog = run.openFromMenu();
        QTest::mouseClick(control(dialog, "Image1(1)"), Qt::LeftButton);
        const std::string picked = run.program->settings.live.CoverIcon;
        QVERIFY(picked != "@" && !picked.empty());
        auto* edit = control<QComboBox>(dialog, "Combo1")->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("quorvia"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::qWait(10);
        QVERIFY(dialog.isNull() || !dialog->isVisible());
        QCOMPARE(ReadIniValue(run.program->fs, "Einstellungen", "CoverIcon", run.program->constants.IniFile), picked);
        QCOMPARE(ReadIniValue(run.program->fs, "Einstellungen", "Collection", run.program->constants.IniFile),
                 std::string("quorvia"));
    }

    // Cancel, by Esc or by its button, leaves the settings file byte for byte, keeps a
    // switched rule in the running game and enables the board; no other way closes it.
    void cancelLeavesTheFileUnchanged() {
        for (bool escape : {true, false}) {
            Running run;
            const std::string before = run.ini();
            QPointer<frmOptions> dialog = run.openFromMenu();
            QTest::mouseClick(control(dialog, "Check1"), Qt::LeftButton);
            choose(dialog, "cboRows", QStringLiteral("4"));
            QVERIFY(!dialog->close());
            if (escape) {
                QTest::keyClick(control(dialog, "Check2"), Qt::Key_Escape);
            } else {
                QTest::mouseClick(control(dialog, "cmdAbort"), Qt::LeftButton);
            }
            QTRY_VERIFY(dialog.isNull());
            QVERIFY(run.boardEnabled());
            QCOMPARE(run.ini(), before);
            QCOMPARE(run.newGames, 0);
            QCOMPARE(run.program->settings.live.RemovePairs, Int16(0));
        }
    }

    // The theme box, the strip and the bar reach their handlers: a theme chosen from the
    // list previews its own cover, steps of 1 and 8 move the strip, a slot click picks, and
    // the box taking the focus returns to the theme's cover.
    void themeAndCoverControlsReachTheirHandlers() {
        Running run(12);
        frmOptions* dialog = run.openFromMenu();
        const std::string icons = run.program->constants.AppPath + "icons/";
        QCOMPARE(picture(dialog, "Image2").source, icons + "quorvia/@.icn");
        choose(dialog, "Combo1", QStringLiteral("NATUR\\TIERE"));
        QCOMPARE(picture(dialog, "Image2").source, icons + "natur\\tiere/@.icn");
        QVERIFY(picture(dialog, "Image2").image);

        auto* bar = control<QScrollBar>(dialog, "HScroll1");
        QCOMPARE(bar->maximum(), 4);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(picture(dialog, "Image1(0)").source, icons + "@/c11.ico");
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bar->value(), 4);
        QCOMPARE(picture(dialog, "Image1(7)").source, icons + "@/c21.ico");

        QTest::mouseClick(control(dialog, "Image1(7)"), Qt::LeftButton);
        QCOMPARE(run.program->settings.live.CoverIcon, std::string("c21.ico"));
        QCOMPARE(picture(dialog, "Image2"), picture(dialog, "Image1(7)"));

        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        control(dialog, "Combo1")->setFocus(Qt::TabFocusReason);
        QCOMPARE(run.program->settings.live.CoverIcon, std::string("@"));
        QCOMPARE(picture(dialog, "Image2").source, icons + "natur\\tiere/@.icn");
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    registerFonts();
    OptionsWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsWindowTest.moc"
