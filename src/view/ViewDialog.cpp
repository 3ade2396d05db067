#include "view/ViewDialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "view/WindowLook.h"

ViewDialog::ViewDialog(QWidget* parent)
    : QDialog(parent),
      ok_(new QPushButton(QStringLiteral("  OK    [F1]"), this)),
      cancel_(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ [F8]"), this)) {
    setModal(false);
    ok_->setObjectName(QStringLiteral("OKButton"));
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    connect(cancel_, &QPushButton::clicked, this, &QDialog::close);
}

void ViewDialog::tell(Prompts& prompts, const std::string& text, const std::string& title,
                      Prompts::Icon icon) {
    const KeepOpen open(*this);
    prompts.message(text, title, icon, Prompts::Buttons::Ok);
}

void ViewDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ok_->click();
    } else if (event->key() == Qt::Key_F8) {
        cancel_->click();
    } else {
        QDialog::keyPressEvent(event);
    }
}

void ViewDialog::showEvent(QShowEvent* event) {
    fitCaption(*this);
    QDialog::showEvent(event);
}

bool ViewDialog::event(QEvent* event) {
    // F1 and F8 belong to the dialog, also where a menu of the main window uses the same key
    // (F8 stops the monitor).
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F1 || key == Qt::Key_F8) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::WindowDeactivate && isVisible() && keepOpen_ == 0) {
        close();
    }
    return QDialog::event(event);
}
