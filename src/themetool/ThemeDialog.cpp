#include "themetool/ThemeDialog.h"

#include "themetool/PictureWalk.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quorvia {

namespace fs = std::filesystem;

ThemeDialog::ThemeDialog(std::vector<fs::path> pictures, fs::path themesFolder, QWidget* parent)
    : QDialog(parent),
      pictures_(std::move(pictures)),
      themesFolder_(std::move(themesFolder)),
      name_(new QLineEdit(this)),
      fit_(new QCheckBox(QStringLiteral("Ganze Bilder zeigen (mit Rand)"), this)),
      choice_(new QWidget(this)),
      all_(new QRadioButton(choice_)),
      some_(new QRadioButton(QStringLiteral("Eine Auswahl von"), choice_)),
      selection_(new QSpinBox(choice_)),
      selectionSize_(new QLabel(choice_)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(this)),
      details_(new QPlainTextEdit(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Eigenes Thema"));
    // The folder's name, or for loose pictures the name of the folder they lie in.
    const fs::path& first = pictures_.front();
    std::error_code ec;
    const fs::path named = fs::is_directory(first, ec) ? first.lexically_normal() : first.parent_path();
    name_->setText(QFile::decodeName(
        QByteArray::fromStdString((named.filename().empty() ? named.parent_path() : named).filename().string())));
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Thema machen"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(false);  // until there is something to count
    details_->setReadOnly(true);
    details_->hide();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name des Themas:"), name_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Aus den Bildern ein Kartenthema machen: jedes Bild wird eine Karte."), this));
    layout->addLayout(form);
    layout->addWidget(fit_);
    auto* choices = new QGridLayout(choice_);
    choices->setContentsMargins(0, 0, 0, 0);
    choices->addWidget(all_, 0, 0, 1, 3);
    choices->addWidget(some_, 1, 0);
    choices->addWidget(selection_, 1, 1);
    choices->addWidget(selectionSize_, 1, 2);
    choices->setColumnStretch(2, 1);
    choice_->hide();
    layout->addWidget(choice_);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(details_);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &ThemeDialog::makeTheme);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ThemeDialog::reject);
    connect(selection_, &QSpinBox::valueChanged, this, [this](int faces) {
        selectionSize_->setText(QStringLiteral("Bildern (%1)").arg(themes::sizeText(faces)));
    });

    // Counted apart from the window, which a slow folder (a network share, say) must not hold up.
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
    status_->setText(QStringLiteral("Bilder werden gezählt ..."));
    counter_ = std::thread([this] {
        themes::PictureList found = themes::walkPictures(pictures_, &cancel_);
        QMetaObject::invokeMethod(this, [this, found = std::move(found)] { showCount(found); });
    });
}

void ThemeDialog::showCount(const themes::PictureList& list) {
    found_ = list;
    const int found = int(list.pictures.size());
    const QString pictures = themes::counted(found, QStringLiteral("Bild"), QStringLiteral("Bilder"));
    status_->setText(QStringLiteral("%1; das Thema aus allen wird %2 groß.").arg(pictures, themes::sizeText(found)));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
    if (found <= themes::kLargeFolder) return;
    all_->setText(QStringLiteral("Alle %1 Bilder (%2)").arg(found).arg(themes::sizeText(found)));
    selection_->setRange(1, found);
    selection_->setValue(std::min(found, 243));  // the largest board without a repeat
    some_->setChecked(true);
    choice_->show();
}

ThemeDialog::~ThemeDialog() {
    cancel_ = true;
    if (counter_.joinable()) counter_.join();
    if (worker_.joinable()) worker_.join();
}

void ThemeDialog::makeTheme() {
    if (working()) return;
    if (worker_.joinable()) worker_.join();
    finished_ = false;
    cancel_ = false;
    themes::ThemeRequest request;
    request.name = name_->text().trimmed();
    request.inputs = pictures_;
    request.themesFolder = themesFolder_;
    request.fit = fit_->isChecked();
    request.found = found_;  // counted when the dialog opened
    // Only a large folder offers a selection.
    request.selection = some_->isChecked() ? selection_->value() : 0;
    request.letterbox = palette().color(QPalette::Button);
    for (QWidget* input : {static_cast<QWidget*>(name_), static_cast<QWidget*>(fit_), choice_})
        input->setEnabled(false);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
    status_->setText(QStringLiteral("Bilder werden gelesen ..."));
    worker_ = std::thread([this, request] {
        QElapsedTimer clock;
        clock.start();
        themes::ThemeReport report = themes::makeTheme(
            request,
            [this, &clock](int done, int total) {
                const QString text = themes::progressText(done, total, clock.elapsed() / 1000.0);
                QMetaObject::invokeMethod(this, [this, done, total, text] {
                    progress_->setFormat(QStringLiteral("%v / %m Bilder"));
                    progress_->setTextVisible(true);
                    progress_->setRange(0, total);
                    progress_->setValue(done);
                    status_->setText(text);
                });
            },
            &cancel_);
        QMetaObject::invokeMethod(this, [this, report = std::move(report)] {
            report_ = report;
            finished_ = true;
            showReport();
        });
    });
}

void ThemeDialog::showReport() {
    if (report_.cancelled) {
        emit themeFinished();
        QDialog::reject();
        return;
    }
    const bool made = report_.error.isEmpty() && !report_.cancelled;
    if (made) {
        QStringList lines = {QStringLiteral("%1 gemacht, übersprungen: %2.")
                                 .arg(themes::counted(report_.made, QStringLiteral("Karte"), QStringLiteral("Karten")))
                                 .arg(report_.skipped.size())};
        if (!report_.merged.isEmpty()) lines << themes::mergedLine(int(report_.merged.size()));
        if (report_.others > 0) lines << themes::othersLine(report_.others);
        status_->setText((lines << themes::boardSizeLine(report_.made)).join(u'\n'));
        buttons_->setStandardButtons(QDialogButtonBox::Close);
        buttons_->button(QDialogButtonBox::Close)->setText(QStringLiteral("Schließen"));
    } else {
        status_->setText(report_.error);
        for (QWidget* input : {static_cast<QWidget*>(name_), static_cast<QWidget*>(fit_), choice_})
            input->setEnabled(true);
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
    }
    QStringList details;
    if (!report_.skipped.isEmpty()) details << QStringLiteral("Übersprungen:") << report_.skipped;
    if (!report_.coverError.isEmpty()) details << QStringLiteral("Kein Kartenrücken:") << report_.coverError;
    if (!report_.passedOver.isEmpty()) details << QStringLiteral("Übergangen:") << report_.passedOver;
    if (!report_.merged.isEmpty()) details << QStringLiteral("Zusammengefasst:") << report_.merged;
    if (!details.isEmpty()) {
        details_->setPlainText(details.join(u'\n'));
        details_->show();
    }
    emit themeFinished();
}

void ThemeDialog::reject() {
    if (working()) {
        // The workers finish the pictures in hand; then the dialog closes (see showReport).
        cancel_ = true;
        status_->setText(QStringLiteral("Wird abgebrochen ..."));
        buttons_->setEnabled(false);
        return;
    }
    QDialog::reject();
}

// ---- PictureDrop ----------------------------------------------------------------------------

namespace {

std::vector<fs::path> localPaths(const QMimeData* data) {
    std::vector<fs::path> out;
    if (!data || !data->hasUrls()) return out;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        out.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return out;
}

}  // namespace

PictureDrop::PictureDrop(QWidget* target, fs::path themesFolder)
    : QObject(target), target_(target), themesFolder_(std::move(themesFolder)) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool PictureDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target_) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!localPaths(drag->mimeData()).empty()) drag->acceptProposedAction();
        return true;
    }
    if (event->type() != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    std::vector<fs::path> paths = localPaths(drop->mimeData());
    if (paths.empty()) return true;
    drop->acceptProposedAction();
    auto* dialog = new ThemeDialog(std::move(paths), themesFolder_, target_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return true;
}

}  // namespace quorvia
