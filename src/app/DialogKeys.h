#pragma once
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

// The house rules shared by the modeless dialogs: F1 presses the main button, F8 the cancel
// button, and the dialog closes itself (without accepting) when it loses activation.
class ModelessDialog : public QDialog {
  public:
    explicit ModelessDialog(QWidget* parent) : QDialog(parent) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setModal(false);
    }

  protected:
    void setButtons(QPushButton* main, QPushButton* cancel) {
        main_ = main;
        cancel_ = cancel;
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_F1 && main_ != nullptr) {
            main_->click();
        } else if (e->key() == Qt::Key_F8 && cancel_ != nullptr) {
            cancel_->click();
        } else {
            QDialog::keyPressEvent(e);
        }
    }
    bool event(QEvent* e) override {
        // A message box opened by the dialog itself also deactivates it: stay open then.
        if (e->type() == QEvent::WindowDeactivate && isVisible() && !busy_) {
            close();
        }
        return QDialog::event(e);
    }
    bool busy_ = false;  // true while the dialog itself shows a question

  private:
    QPushButton* main_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
