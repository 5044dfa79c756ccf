#pragma once
// The options dialog's window: a fixed-size tool window titled "Optionen" with every control
// at a fixed place given in twips (converted to pixels in one place). It holds no rule
// of its own: every control mirrors OptionsLogic's state, and every player's action is
// forwarded to the handler of the same name.
//
// Each opening creates the dialog anew; it destroys itself through its two buttons, the
// only ways out (Enter presses cmdOK, Esc presses cmdAbort; closing the window otherwise is
// refused). The board window is no parent of the dialog, because disabling the board while
// the dialog is open would disable a child window as well.

#include "app/FileSystem.h"
#include "app/Picture.h"
#include "app/Settings.h"
#include "board/Game.h"
#include "options/OptionsLogic.h"

#include <QDialog>
#include <QWidget>

#include <array>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace quorvia {

// An image control: shows a picture stretched to its size, reports a click (a press and a
// release of the left button inside it). A slot of the cover strip is also reached with Tab
// and the arrow keys (never by the mouse, so a mouse player sees no focus on it); Space
// there is a click.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr) : QWidget(parent) {}
    const Picture& picture() const { return picture_; }
    void setPicture(const Picture& picture);
    void click() { emit clicked(); }

signals:
    void clicked();
    // An arrow key on a slot: -1 to the left, 1 to the right.
    void stepped(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Picture picture_;
    bool pressed_ = false;
};

class frmOptions : public QDialog, public OptionsView {
    Q_OBJECT

public:
    // `boardWindow` only picks the screen to centre on; the dialog is destroyed with it.
    frmOptions(Settings& settings, Game& game, const FileSystem& fs, PictureLoader& loader,
               QWidget* boardWindow = nullptr);
    ~frmOptions() override;

    OptionsLogic& logic() { return logic_; }

    // Showing the dialog for the first time runs Form_Load before it becomes visible.
    void setVisible(bool visible) override;

    // OptionsView
    void processEvents() override;
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    void destroyDialog() override;

    // Esc: the cancel button.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The cover strip is one stop for Tab.
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void connectControls();
    // Copies the logic's state into the widgets, without running any handler.
    void sync();
    void centreOnScreen();
    // An arrow key on slot `slot`: the focus moves to the next slot, and past either end of
    // the strip the scroll bar moves by one.
    void stepSlot(int slot, int direction);

    OptionsLogic logic_;
    QWidget* boardWindow_ = nullptr;
    bool loaded_ = false;
    bool closing_ = false;

    QFrame* SSPanel1_ = nullptr;
    QFrame* pnlStuff_ = nullptr;
    QFrame* SSPanel2_ = nullptr;
    QComboBox* cboRows_ = nullptr;
    QComboBox* cboCols_ = nullptr;
    std::array<QRadioButton*, 9> Option1_{};
    QButtonGroup* optionGroup_ = nullptr;
    QComboBox* Combo1_ = nullptr;
    PictureBox* Image2_ = nullptr;
    QFrame* Picture1_ = nullptr;
    std::array<PictureBox*, kStripSlots> Image1_{};
    QScrollBar* HScroll1_ = nullptr;
    QCheckBox* Check1_ = nullptr;
    QCheckBox* Check2_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdAbort_ = nullptr;
};

// The board menu's "Optionen...": creates the dialog, shows it without making it modal
// (its Form_Load runs while it is being shown, letting events through during the theme
// walk), and then disables the board window until one of the dialog's buttons enables it
// again. Returns the dialog, which deletes itself when it closes.
frmOptions* openOptionsDialog(Settings& settings, Game& game, const FileSystem& fs, PictureLoader& loader,
                              QWidget* boardWindow);

}  // namespace quorvia
