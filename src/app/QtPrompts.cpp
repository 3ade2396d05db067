#include "app/QtPrompts.h"
#include "app/QString8.h"
#include "app/WinColor.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

Prompts::Answer QtPrompts::Message(const std::string& text, const std::string& title, Icon icon,
                                   Buttons buttons) {
    QMessageBox box(parent_);
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

std::optional<std::string> QtPrompts::OpenFileName(const std::string& title,
                                                   const std::string& folder,
                                                   const std::string& filter) {
    const QString f = QFileDialog::getOpenFileName(parent_, qs(title), qs(folder), qs(filter));
    return f.isEmpty() ? std::nullopt : std::optional<std::string>(f.toStdString());
}

std::optional<std::string> QtPrompts::SaveFileName(const std::string& title,
                                                   const std::string& folder,
                                                   const std::string& filter) {
    QFileDialog dialog(parent_, qs(title), qs(folder), qs(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the first filter's, before the overwrite question.
    const QRegularExpressionMatch ext =
        QRegularExpression(QStringLiteral(R"(\(\*\.(\w+)\))")).match(qs(filter));
    if (ext.hasMatch()) {
        dialog.setDefaultSuffix(ext.captured(1));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<int32_t> QtPrompts::ChooseColor(int32_t initial) {
    const QColor c = QColorDialog::getColor(toQColor(initial), parent_);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return fromQColor(c);
}
