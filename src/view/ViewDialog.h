#pragma once
#include <QDialog>
#include <string>

#include "base/Prompts.h"

class QPushButton;

// The one base of the program's modeless dialogs: F1 presses the main button, F8 the cancel
// button, and the dialog closes itself (without accepting) as soon as it loses activation,
// except to a message box or wait of its own (see KeepOpen). It is at least as wide as its
// caption.
class ViewDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ViewDialog(QWidget* parent);

  protected:
    // The two buttons, created with the system's captions; Cancel closes the dialog.
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }

    // Held while the dialog itself asks a question or waits: the loss of activation that its
    // own message box causes does not close it.
    class KeepOpen {
      public:
        explicit KeepOpen(ViewDialog& dialog) : dialog_(dialog) { ++dialog_.keepOpen_; }
        ~KeepOpen() { --dialog_.keepOpen_; }
        KeepOpen(const KeepOpen&) = delete;
        KeepOpen& operator=(const KeepOpen&) = delete;

      private:
        ViewDialog& dialog_;
    };

    // True while a KeepOpen is held: the dialog is in the middle of its own question or wait.
    [[nodiscard]] bool keptOpen() const { return keepOpen_ > 0; }

    // Shows a message (OK button) through prompts. The dialog stays open although the message
    // box takes the activation.
    void tell(Prompts& prompts, const std::string& text, const std::string& title,
              Prompts::Icon icon);

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

    // True while the dialog itself shows a message: the box takes the activation, and the
    // dialog stays open.
    bool busy_ = false;

  private:
    QPushButton* ok_;
    QPushButton* cancel_;
    int keepOpen_ = 0;
};
