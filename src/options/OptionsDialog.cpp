#include "options/OptionsDialog.h"

#include "app/Units.h"
#include "board/BoardWindow.h"
#include "qt/QtCommon.h"
#include "qt/QtPictureLoader.h"

#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

namespace quorvia {

namespace {

// Every place and size in the dialog is a whole number of pixels.
consteval int wholePixels(int twips) { return wholePixelTwips(twips) / static_cast<int>(kTwipsPerPixel); }

consteval QRect twips(int left, int top, int width, int height) {
    return {wholePixels(left), wholePixels(top), wholePixels(width), wholePixels(height)};
}

// The client area, 4710 x 6240 twips.
constexpr QSize kClientSize(wholePixels(4710), wholePixels(6240));

const QColor kPanelGrey(192, 192, 192);

QString qs(const std::string& text) { return QString::fromStdString(text); }

QFont tahoma(int pixels) { return pixelFont(QStringLiteral("Tahoma"), pixels); }

QFont arialBold() { return pixelFont(QStringLiteral("Arial"), 13, true); }

void setColours(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    // Buttons fill with the button colour by default; these take the window colour.
    widget->setBackgroundRole(QPalette::Window);
    widget->setAutoFillBackground(true);
}

// A light grey group panel; its children are placed relative to its inner edge.
QFrame* makePanel(QWidget* parent, const char* name, QRect rect) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    panel->setGeometry(rect);
    setColours(panel, kPanelGrey, Qt::black);
    return panel;
}

QRect inPanel(const QFrame* panel, QRect rect) { return rect.translated(panel->frameWidth(), panel->frameWidth()); }

QLabel* makeLabel(QFrame* panel, const QString& name, const QString& text, QRect rect) {
    auto* label = new QLabel(text, panel);
    label->setObjectName(name);
    label->setGeometry(inPanel(panel, rect));
    return label;
}

QComboBox* makeSizeList(QFrame* panel, const char* name, QRect rect) {
    auto* list = new QComboBox(panel);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(inPanel(panel, rect));
    return list;
}

// Fills a list box with `items` unless it already holds exactly them.
void syncItems(QComboBox* box, const std::vector<std::string>& items) {
    bool same = box->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < box->count(); ++i) same = box->itemText(i) == qs(items[static_cast<std::size_t>(i)]);
    if (same) return;
    box->clear();
    for (const std::string& item : items) box->addItem(qs(item));
}

// The theme box: an editable combo box in which only a choice from its list counts as one.
// Qt's box also reports a typed name that matches an entry as chosen when the player
// presses Enter or leaves the box; here Enter is the dialog's default button and leaving
// the box chooses nothing, so a typed name stays as typed and a cover picked before stays
// picked.
class ThemeBox : public QComboBox {
public:
    explicit ThemeBox(QWidget* parent) : QComboBox(parent) {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);  // typed names never join the list
        setCompleter(nullptr);                 // nor are they completed or re-cased
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->ignore();  // on to the dialog, which presses its default button
            return;
        }
        QComboBox::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        const QSignalBlocker quiet(lineEdit());  // no "editing finished", so no match with the list
        QComboBox::focusOutEvent(event);
    }
};

// Readers' view of the picture-only controls: a cover slot is a button named by its file
// and pressed like a click, the preview a picture, and the logos filler readers pass over.
class PictureAccessible : public QAccessibleWidget {
public:
    PictureAccessible(PictureBox* box, QAccessible::Role role) : QAccessibleWidget(box, role) {}
    QStringList actionNames() const override {
        return role() == QAccessible::Button ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& action) override {
        if (role() == QAccessible::Button && action == pressAction()) static_cast<PictureBox*>(widget())->click();
    }
};

QAccessibleInterface* pictureInterfaces(const QString&, QObject* object) {
    if (auto* box = qobject_cast<PictureBox*>(object)) {
        return new PictureAccessible(box,
                                     box->focusPolicy() == Qt::NoFocus ? QAccessible::Graphic : QAccessible::Button);
    }
    if (object->objectName().startsWith(QStringLiteral("imgLogo"))) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Whitespace);
    }
    return nullptr;
}

}  // namespace

// ---- PictureBox ----------------------------------------------------------------------------

void PictureBox::setPicture(const Picture& picture) {
    if (picture == picture_) return;
    picture_ = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawPicture(painter, QRectF(rect()), picture_);
    if (hasFocus()) {
        // Black on the slot's edge and white inside it: clear on light and dark covers.
        painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5));
    }
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        emit clicked();
    } else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        emit stepped(event->key() == Qt::Key_Left ? -1 : 1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) { pressed_ = event->button() == Qt::LeftButton; }

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) emit clicked();
}

// ---- frmOptions ------------------------------------------------------------------------------

frmOptions::frmOptions(Settings& settings, Game& game, const FileSystem& fs, PictureLoader& loader,
                       QWidget* boardWindow)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      logic_(settings, game, fs, loader, *this),
      boardWindow_(boardWindow) {
    setObjectName(QStringLiteral("frmOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Optionen"));
    setFixedSize(kClientSize);
    setFont(tahoma(13));
    setColours(this, Qt::black, Qt::white);

    QAccessible::installFactory(pictureInterfaces);  // kept once, however many dialogs open
    buildControls();
    connectControls();
    sync();

    // The dialog must not outlive the board it works on.
    if (boardWindow_) connect(boardWindow_, &QObject::destroyed, this, [this] { delete this; });
}

frmOptions::~frmOptions() = default;

void frmOptions::buildControls() {
    // Board size.
    SSPanel1_ = makePanel(this, "SSPanel1", twips(120, 120, 4455, 2175));
    QLabel* sizeLabel = makeLabel(SSPanel1_, QStringLiteral("lblInfo(0)"),
                                  QStringLiteral("Spielfeld Grösse auswählen:"), twips(960, 120, 2430, 240));
    cboRows_ = makeSizeList(SSPanel1_, "cboRows", twips(960, 480, 735, 360));
    QLabel* lblX = makeLabel(SSPanel1_, QStringLiteral("lblX"), QStringLiteral("X"), twips(1800, 540, 135, 240));
    lblX->setFont(arialBold());
    cboCols_ = makeSizeList(SSPanel1_, "cboCols", twips(2040, 480, 735, 360));
    // Readers name a list by the label whose buddy it is (its own name is its text) and add
    // its description.
    sizeLabel->setBuddy(cboRows_);
    cboRows_->setAccessibleDescription(QStringLiteral("Reihen"));
    cboCols_->setAccessibleDescription(QStringLiteral("Spalten"));

    constexpr std::array<QRect, 9> places = {
        twips(360, 960, 975, 255),   twips(360, 1320, 975, 255),   twips(360, 1680, 1095, 255),
        twips(1680, 960, 975, 255),  twips(1680, 1320, 1095, 255), twips(1680, 1680, 1095, 255),
        twips(3120, 960, 1095, 255), twips(3120, 1320, 1215, 255), twips(3120, 1680, 1215, 255)};
    optionGroup_ = new QButtonGroup(this);  // exclusive
    for (std::size_t i = 0; i < places.size(); ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(kPresets[i].caption), SSPanel1_);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        option->setGeometry(inPanel(SSPanel1_, places[i]));
        setColours(option, kPanelGrey, Qt::black);
        optionGroup_->addButton(option, static_cast<int>(i));
        Option1_[i] = option;
    }

    const std::array<std::pair<QRect, const char*>, 2> logos = {
        {{twips(120, 120, 480, 480), ":/images/logo-left.png"},
         {twips(3840, 120, 480, 480), ":/images/logo-right.png"}}};
    for (std::size_t i = 0; i < logos.size(); ++i) {
        auto* logo = new QLabel(SSPanel1_);
        logo->setObjectName(QStringLiteral("imgLogo(%1)").arg(i * 2));
        logo->setGeometry(inPanel(SSPanel1_, logos[i].first));
        logo->setScaledContents(true);
        // A missing one shows nothing.
        logo->setPixmap(QPixmap::fromImage(resourceImage(QString::fromLatin1(logos[i].second))));
    }

    // Theme.
    pnlStuff_ = makePanel(this, "pnlStuff", twips(120, 2400, 4455, 1095));
    QLabel* themeLabel = makeLabel(pnlStuff_, QStringLiteral("lblInfo(1)"), QStringLiteral("Icon-Thema auswählen:"),
                                   twips(360, 120, 2085, 240));
    Combo1_ = new ThemeBox(pnlStuff_);
    themeLabel->setBuddy(Combo1_);
    Combo1_->setObjectName(QStringLiteral("Combo1"));
    Combo1_->setFont(arialBold());
    Combo1_->setGeometry(inPanel(pnlStuff_, twips(360, 480, 3015, 360)));
    Combo1_->installEventFilter(this);
    Image2_ = new PictureBox(pnlStuff_);
    Image2_->setObjectName(QStringLiteral("Image2"));
    Image2_->setAccessibleName(QStringLiteral("Vorschau"));
    Image2_->setGeometry(inPanel(pnlStuff_, twips(3720, 360, 480, 480)));

    // Cover icon.
    SSPanel2_ = makePanel(this, "SSPanel2", twips(120, 3600, 4455, 1335));
    makeLabel(SSPanel2_, QStringLiteral("lblInfo(2)"), QStringLiteral("Abdeck-Icon auswählen:"),
              twips(1200, 120, 2100, 240));
    Picture1_ = new QFrame(SSPanel2_);
    Picture1_->setObjectName(QStringLiteral("Picture1"));
    Picture1_->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    Picture1_->setGeometry(inPanel(SSPanel2_, twips(255, 360, 3900, 540)));
    setColours(Picture1_, kPanelGrey, Qt::black);
    for (int i = 0; i < kStripSlots; ++i) {
        auto* slot = new PictureBox(Picture1_);
        slot->setObjectName(QStringLiteral("Image1(%1)").arg(i));
        slot->setFocusPolicy(Qt::TabFocus);
        constexpr QRect first = twips(0, 0, 480, 480);
        slot->setGeometry(first.translated(first.width() * i + Picture1_->frameWidth(), Picture1_->frameWidth()));
        Image1_[static_cast<std::size_t>(i)] = slot;
    }
    HScroll1_ = new QScrollBar(Qt::Horizontal, SSPanel2_);
    HScroll1_->setObjectName(QStringLiteral("HScroll1"));
    HScroll1_->setGeometry(inPanel(SSPanel2_, twips(240, 900, 3915, 255)));
    // Dragging reports through sliderMoved (the Scroll handler) and, on release, through
    // valueChanged (the Change handler); arrow and track clicks report at once.
    HScroll1_->setTracking(false);

    // Play rules.
    Check1_ = new QCheckBox(QStringLiteral("Aufgedeckte Paare entfernen"), this);
    Check1_->setObjectName(QStringLiteral("Check1"));
    Check1_->setGeometry(twips(840, 5040, 3015, 255));
    Check2_ = new QCheckBox(QStringLiteral("Ungleiche Paare automatisch abdecken"), this);
    Check2_->setObjectName(QStringLiteral("Check2"));
    Check2_->setGeometry(twips(600, 5400, 3735, 255));
    for (QCheckBox* check : {Check1_, Check2_}) setColours(check, Qt::black, Qt::white);

    // The two ways out.
    cmdOK_ = new QPushButton(QStringLiteral("Übernehmen + Neues Spiel starten"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setGeometry(twips(120, 5760, 3135, 375));
    cmdOK_->setDefault(true);
    cmdAbort_ = new QPushButton(QStringLiteral("Abbrechen"), this);
    cmdAbort_->setObjectName(QStringLiteral("cmdAbort"));
    cmdAbort_->setGeometry(twips(3360, 5760, 1215, 375));
    for (QPushButton* button : {cmdOK_, cmdAbort_}) button->setFont(tahoma(11));

    // Tab follows the layout: the size lists, the presets (one stop, the arrow keys choose),
    // the theme, the cover strip (one stop, the arrow keys move in it), the check boxes and
    // the buttons.
    std::vector<QWidget*> order = {cboRows_, cboCols_};
    for (const std::size_t i : {0, 3, 6, 1, 4, 7, 2, 5, 8}) order.push_back(Option1_[i]);
    order.push_back(Combo1_);
    order.insert(order.end(), Image1_.begin(), Image1_.end());
    order.insert(order.end(), {Check1_, Check2_, cmdOK_, cmdAbort_});
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // Input focus starts on cmdOK, so Enter accepts at once.
    cmdOK_->setFocus(Qt::OtherFocusReason);
}

void frmOptions::connectControls() {
    // Each player's action runs its handler, then the widgets show the new state.
    for (std::size_t i = 0; i < Option1_.size(); ++i) {
        connect(Option1_[i], &QRadioButton::clicked, this, [this, i] {
            logic_.Option1_Click(static_cast<int>(i));
            sync();
        });
    }
    connect(cboRows_, &QComboBox::activated, this,
            [this](int index) { logic_.cboRows.text = cboRows_->itemText(index).toStdString(); });
    connect(cboCols_, &QComboBox::activated, this,
            [this](int index) { logic_.cboCols.text = cboCols_->itemText(index).toStdString(); });
    connect(Check1_, &QCheckBox::clicked, this, [this](bool checked) { logic_.Check1_Click(checked); });
    connect(Check2_, &QCheckBox::clicked, this, [this](bool checked) { logic_.Check2_Click(checked); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] {
        logic_.cmdOK_Click();
        sync();
    });
    connect(cmdAbort_, &QPushButton::clicked, this, [this] {
        logic_.cmdAbort_Click();
        sync();
    });

    // A choice from the list; typing only changes the text and runs no handler.
    connect(Combo1_, &QComboBox::activated, this, [this](int index) {
        logic_.Combo1_Click(Combo1_->itemText(index).toStdString());
        sync();
    });
    connect(Combo1_, &QComboBox::editTextChanged, this,
            [this](const QString& text) { logic_.Combo1.text = text.toStdString(); });

    connect(HScroll1_, &QScrollBar::valueChanged, this, [this](int value) {
        logic_.HScroll1_Change(value);
        sync();
    });
    connect(HScroll1_, &QScrollBar::sliderMoved, this, [this](int value) {
        logic_.HScroll1_Scroll(value);
        sync();
    });
    for (std::size_t i = 0; i < Image1_.size(); ++i) {
        connect(Image1_[i], &PictureBox::clicked, this, [this, i] {
            logic_.Image1_Click(static_cast<int>(i));
            sync();
        });
        connect(Image1_[i], &PictureBox::stepped, this,
                [this, i](int direction) { stepSlot(static_cast<int>(i), direction); });
    }
}

void frmOptions::sync() {
    {
        const QSignalBlocker block(Combo1_);
        syncItems(Combo1_, logic_.Combo1.items);
        // The list's current entry follows the text, so that the arrow keys and the list
        // start from the theme shown.
        const QString text = qs(logic_.Combo1.text);
        const int entry = Combo1_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (Combo1_->currentIndex() != entry) Combo1_->setCurrentIndex(entry);
        if (Combo1_->currentText() != text) Combo1_->setEditText(text);
    }
    const std::array<std::pair<QComboBox*, const DropDownList*>, 2> lists = {
        {{cboRows_, &logic_.cboRows}, {cboCols_, &logic_.cboCols}}};
    for (const auto& [box, list] : lists) {
        const QSignalBlocker block(box);
        syncItems(box, list->items);
        box->setCurrentIndex(list->text.empty() ? -1 : box->findText(qs(list->text)));
    }

    {
        // An exclusive group cannot be emptied while exclusive.
        const QSignalBlocker block(optionGroup_);
        optionGroup_->setExclusive(false);
        for (std::size_t i = 0; i < Option1_.size(); ++i) {
            const QSignalBlocker blockButton(Option1_[i]);
            Option1_[i]->setChecked(logic_.Option1 && *logic_.Option1 == static_cast<int>(i));
        }
        optionGroup_->setExclusive(true);
    }
    for (const auto& [check, on] : {std::pair{Check1_, logic_.Check1}, std::pair{Check2_, logic_.Check2}}) {
        const QSignalBlocker block(check);
        check->setChecked(on);
    }

    {
        const QSignalBlocker block(HScroll1_);
        const ScrollBar& bar = logic_.HScroll1;
        HScroll1_->setRange(bar.Min, bar.Max);
        HScroll1_->setSingleStep(bar.SmallChange);
        HScroll1_->setPageStep(bar.LargeChange);
        HScroll1_->setValue(bar.Value);
    }
    for (std::size_t i = 0; i < Image1_.size(); ++i) {
        Image1_[i]->setPicture(logic_.Image1[i]);
        const long long file = logic_.HScroll1.Value + static_cast<long long>(i);
        Image1_[i]->setAccessibleName(QFileInfo(qs(logic_.coverName(file))).completeBaseName());
    }
    Image2_->setPicture(logic_.Image2);
}

void frmOptions::setVisible(bool visible) {
    if (visible && !loaded_) {
        loaded_ = true;
        logic_.Form_Load();
        sync();
        centreOnScreen();
    }
    QDialog::setVisible(visible);
}

bool frmOptions::focusNextPrevChild(bool next) {
    if (std::find(Image1_.begin(), Image1_.end(), focusWidget()) != Image1_.end()) {
        (next ? static_cast<QWidget*>(Check1_) : Combo1_)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QDialog::focusNextPrevChild(next);
}

void frmOptions::stepSlot(int slot, int direction) {
    const int next = slot + direction;
    if (next >= 0 && next < kStripSlots) {
        Image1_[static_cast<std::size_t>(next)]->setFocus(Qt::TabFocusReason);
    } else {
        HScroll1_->setValue(HScroll1_->value() + direction);  // runs the Change handler
    }
}

void frmOptions::centreOnScreen() {
    const QScreen* screen =
        boardWindow_ && boardWindow_->screen() ? boardWindow_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmOptions::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void frmOptions::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    showMessageBox(isVisible() ? this : nullptr, text, title, icon);
}

void frmOptions::destroyDialog() {
    closing_ = true;
    close();  // deleted once the running handler has returned
}

void frmOptions::reject() {
    logic_.cmdAbort_Click();
    sync();
}

void frmOptions::closeEvent(QCloseEvent* event) {
    // Only the two buttons close the dialog.
    if (closing_) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Combo1_ && event->type() == QEvent::FocusIn) {
        // Focus coming back from the box's own list, or with the window's activation, is
        // no entering of the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            logic_.Combo1_GotFocus();
            sync();
        }
    }
    return QDialog::eventFilter(watched, event);
}

frmOptions* openOptionsDialog(Settings& settings, Game& game, const FileSystem& fs, PictureLoader& loader,
                              QWidget* boardWindow) {
    auto* dialog = new frmOptions(settings, game, fs, loader, boardWindow);
    dialog->show();  // runs Form_Load first
    game.setWindowEnabled(false);
    return dialog;
}

}  // namespace quorvia
