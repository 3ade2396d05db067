#pragma once
#include "view/HistoryRenderer.h"
#include "view/ViewDialog.h"

class QLineEdit;

// The line-jump dialog: the history view jumps to the line entered in txtJump (from 1). OK and
// Enter jump and close; a number below 1 leaves the dialog open and the view where it is.
class dlgJump : public ViewDialog {
    Q_OBJECT
  public:
    dlgJump(HistoryRenderer& history, QWidget* parent);

    // Shows the dialog with an empty entry.
    void showDialog();
    void OKButton_Click();

  private:
    HistoryRenderer& history_;
    QLineEdit* txtJump;
};
