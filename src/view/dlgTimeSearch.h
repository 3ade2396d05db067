#pragma once
#include "base/RunState.h"
#include "capture/Capture.h"
#include "view/ViewDialog.h"

class QLineEdit;
class frmMonitor;

// The time search dialog "時間検索": the history view moves to the time-stamp record that best
// fits the time entered as HHMMSS. It stays open after a search.
class dlgTimeSearch : public ViewDialog {
    Q_OBJECT
  public:
    dlgTimeSearch(const RunState& run, const Capture& capture, frmMonitor& monitor,
                  Prompts& prompts, QWidget* parent);

    // Shows the dialog with the last time entered, selected.
    void showDialog();
    void OKButton_Click();

  private:
    const RunState& run_;
    const Capture& capture_;
    frmMonitor& monitor_;
    Prompts& prompts_;
    QLineEdit* txtSearch;
};
