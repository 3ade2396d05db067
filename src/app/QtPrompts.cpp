#include "app/QtPrompts.h"
#include "app/QString8.h"
#include "app/QtProgress.h"
#include "app/WinColor.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTreeView>
#include <algorithm>

namespace {

// Gives the activation and the keyboard focus back to the owner when what it asked for has
// closed. Window managers and Qt do not always do so, and a modeless dialog that is not active
// again would stay open with a grey title.
class GiveBack {
  public:
    explicit GiveBack(QWidget* owner)
        : owner_(owner), focus_(owner != nullptr ? owner->focusWidget() : nullptr) {}
    ~GiveBack() {
        if (owner_ == nullptr || !owner_->isVisible()) {
            return;  // closed meanwhile
        }
        owner_->activateWindow();
        if (focus_ != nullptr) {
            focus_->setFocus(Qt::ActiveWindowFocusReason);
        }
    }
    GiveBack(const GiveBack&) = delete;
    GiveBack& operator=(const GiveBack&) = delete;

  private:
    QPointer<QWidget> owner_;
    QPointer<QWidget> focus_;
};

// Qt sizes the detail columns of its file dialog for English texts (and restores the sizes of
// its last use); the Japanese sizes, types and dates ("108 バイト", "2026/12/07 17:35") are
// wider. Every folder shown fits those columns to their texts with a gap of one character. A
// native dialog has no such view and is left alone.
void fitColumns(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (view == nullptr || model == nullptr) {
        return;
    }
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] {
        QHeaderView* header = view->header();
        const QAbstractItemView& items = *view;
        const int gap = view->fontMetrics().averageCharWidth();
        for (int column = 1; column < header->count(); ++column) {
            header->resizeSection(column, std::max(header->sectionSizeHint(column),
                                                   items.sizeHintForColumn(column) + gap));
        }
    });
}

std::optional<std::string> chosen(QFileDialog& dialog) {
    fitColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

QWidget* QtPrompts::owner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    return mainWindow_;
}

void QtPrompts::fill(QMessageBox& box, const std::string& text, const std::string& title, Icon icon,
                     Buttons buttons) {
    box.setText(qs(text));
    box.setWindowTitle(qs(title));
    switch (icon) {
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::None:
            break;
    }
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
}

Prompts::Answer QtPrompts::message(const std::string& text, const std::string& title, Icon icon,
                                   Buttons buttons) {
    QWidget* parent = owner();
    const GiveBack back(parent);
    QMessageBox box(parent);
    fill(box, text, title, icon, buttons);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            return Answer::Cancel;
    }
}

std::optional<std::string> QtPrompts::openFileName(const std::string& title,
                                                   const std::string& folder,
                                                   const std::string& filter) {
    QWidget* parent = owner();
    const GiveBack back(parent);
    QFileDialog dialog(parent, qs(title), qs(folder), qs(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosen(dialog);
}

std::optional<std::string> QtPrompts::saveFileName(const std::string& title,
                                                   const std::string& folder,
                                                   const std::string& filter) {
    QWidget* parent = owner();
    const GiveBack back(parent);
    QFileDialog dialog(parent, qs(title), qs(folder), qs(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the first filter's, before the overwrite question.
    const QRegularExpressionMatch ext =
        QRegularExpression(QStringLiteral(R"(\(\*\.(\w+)\))")).match(qs(filter));
    if (ext.hasMatch()) {
        dialog.setDefaultSuffix(ext.captured(1));
    }
    return chosen(dialog);
}

std::optional<int32_t> QtPrompts::chooseColor(int32_t initial) {
    QWidget* parent = owner();
    const GiveBack back(parent);
    const QColor c = QColorDialog::getColor(toQColor(initial), parent);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return fromQColor(c);
}

namespace {

// The progress dialog; once it has closed, its owner is active again.
class OwnedProgress final : public Progress {
  public:
    OwnedProgress(QWidget* owner, const QString& text, const QString& title)
        : back_(owner), progress_(owner, text, title) {}
    bool step(uint64_t done, uint64_t total) override { return progress_.step(done, total); }

  private:
    GiveBack back_;  // after the dialog has gone
    QtProgress progress_;
};

}  // namespace

std::unique_ptr<Progress> QtPrompts::progress(const std::string& text, const std::string& title) {
    return std::make_unique<OwnedProgress>(owner(), qs(text), qs(title));
}
