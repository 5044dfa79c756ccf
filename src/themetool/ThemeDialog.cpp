#include "themetool/ThemeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvia {

namespace fs = std::filesystem;

ThemeDialog::ThemeDialog(std::vector<fs::path> pictures, fs::path themesFolder, QWidget* parent)
    : QDialog(parent),
      pictures_(std::move(pictures)),
      themesFolder_(std::move(themesFolder)),
      name_(new QLineEdit(this)),
      fit_(new QCheckBox(QStringLiteral("Ganze Bilder zeigen (mit Rand)"), this)),
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
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(details_);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &ThemeDialog::makeTheme);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ThemeDialog::reject);
}

ThemeDialog::~ThemeDialog() {
    cancel_ = true;
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
    request.letterbox = palette().color(QPalette::Button);
    name_->setEnabled(false);
    fit_->setEnabled(false);
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
        QStringList lines = {
            QStringLiteral("%1 Karten gemacht, übersprungen: %2.").arg(report_.made).arg(report_.skipped.size())};
        if (report_.others > 0) lines << themes::othersLine(report_.others);
        status_->setText((lines << themes::boardSizeLine(report_.made)).join(u'\n'));
        buttons_->setStandardButtons(QDialogButtonBox::Close);
        buttons_->button(QDialogButtonBox::Close)->setText(QStringLiteral("Schließen"));
    } else {
        status_->setText(report_.error);
        name_->setEnabled(true);
        fit_->setEnabled(true);
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
    }
    QStringList details;
    if (!report_.skipped.isEmpty()) details << QStringLiteral("Übersprungen:") << report_.skipped;
    if (!report_.coverError.isEmpty()) details << QStringLiteral("Kein Kartenrücken:") << report_.coverError;
    if (!report_.passedOver.isEmpty()) details << QStringLiteral("Übergangen:") << report_.passedOver;
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
