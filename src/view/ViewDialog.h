#pragma once
#include <QDialog>
#include <string>

#include "core/Prompts.h"

class QPushButton;

// The modeless dialogs of the monitor window: F1 presses the main button, F8 the cancel button,
// and the dialog closes itself as soon as it loses activation.
class ViewDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ViewDialog(QWidget* parent);

  protected:
    // The two buttons, created with the system's captions; Cancel closes the dialog.
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }

    // Shows a message (OK button) through prompts. The dialog stays open although the message
    // box takes the activation.
    void Tell(Prompts& prompts, const std::string& text, const std::string& title,
              Prompts::Icon icon);

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QPushButton* ok_;
    QPushButton* cancel_;
    bool telling_ = false;
};
