#pragma once
// The small dialog that makes a theme out of pictures dropped on the board window: it counts
// the pictures and says what the theme will take on disk, asks for the theme's name (and,
// for a large folder, whether to take all pictures or a selection), makes the theme on
// worker threads while it shows the progress, and says what it made and skipped. The running game and its settings are
// left alone; the new theme is there the next time the options dialog walks the themes.

#include "themetool/ThemeMaker.h"

#include <QDialog>

#include <atomic>
#include <thread>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QSpinBox;

namespace quorvia {

class ThemeDialog : public QDialog {
    Q_OBJECT

public:
    ThemeDialog(std::vector<std::filesystem::path> pictures, std::filesystem::path themesFolder,
                QWidget* parent = nullptr);
    ~ThemeDialog() override;

    QLineEdit* nameEdit() const { return name_; }
    // For more than themes::kLargeFolder pictures: all of them, or a selection of so many.
    QRadioButton* allChoice() const { return all_; }
    QRadioButton* selectionChoice() const { return some_; }
    QSpinBox* selectionSize() const { return selection_; }
    // Starts making the theme under the name shown (what the dialog's make button does).
    void makeTheme();
    bool working() const { return worker_.joinable() && !finished_; }
    const themes::ThemeReport& report() const { return report_; }

signals:
    void themeFinished();

protected:
    void reject() override;

private:
    void showCount(const themes::PictureList& found);
    void showReport();

    std::vector<std::filesystem::path> pictures_;
    std::filesystem::path themesFolder_;
    QLineEdit* name_;
    QCheckBox* fit_;
    QWidget* choice_;  // all pictures or a selection, shown for large folders only
    QRadioButton* all_;
    QRadioButton* some_;
    QSpinBox* selection_;
    QLabel* selectionSize_;
    QProgressBar* progress_;
    QLabel* status_;
    QPlainTextEdit* details_;
    QDialogButtonBox* buttons_;
    std::atomic<bool> cancel_ = false;
    std::thread counter_;  // counts the pictures when the dialog opens
    std::thread worker_;
    bool finished_ = false;
    std::optional<themes::PictureList> found_;  // the pictures, once counted
    themes::ThemeReport report_;
};

// Lets a widget take dropped folders and picture files and offer to make a theme of them.
class PictureDrop : public QObject {
    Q_OBJECT

public:
    PictureDrop(QWidget* target, std::filesystem::path themesFolder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target_;
    std::filesystem::path themesFolder_;
};

}  // namespace quorvia
