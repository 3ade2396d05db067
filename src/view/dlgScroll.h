#pragma once
#include "base/Settings.h"
#include "view/ViewDialog.h"

class QLabel;
class QLineEdit;
class QRadioButton;

// The scroll-step dialog: screen scroll (gintScroll 0) or scrolling by the number of lines in
// txtRow, used by the live view at its next full screen.
class dlgScroll : public ViewDialog {
    Q_OBJECT
  public:
    dlgScroll(Settings& settings, QWidget* parent);

    // Shows the dialog with the current setting.
    void showDialog();
    void OKButton_Click();

  private:
    void optMode_Click(int index);

    Settings& settings_;
    QRadioButton* optMode[2];
    QLineEdit* txtRow;
    QLabel* lblUnit;
};
