#pragma once
#include <QDialog>

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

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

    // True while the dialog itself shows a message: the box takes the activation, and the
    // dialog stays open.
    bool busy_ = false;

  private:
    QPushButton* ok_;
    QPushButton* cancel_;
};
