#pragma once
#include <functional>

#include "view/ViewDialog.h"

class QComboBox;
class QRadioButton;
class Capture;
struct Settings;
class Prompts;
class RunControlState;

// The communication parameter dialog: line standard, speed, parity, data bits, stop bits.
class dlgProtocol : public ViewDialog {
    Q_OBJECT
  public:
    // clearDat empties the capture; applyToUnit reopens the port and sends the new settings
    // (reporting a missing unit itself). OK does nothing while the run control refuses new
    // settings (a start or a probe is under way) or while an earlier OK is still at work.
    dlgProtocol(Settings& settings, const Capture& capture, Prompts& prompts,
                const RunControlState& runControl, std::function<void()> clearDat,
                std::function<void()> applyToUnit, QWidget* parent);

    // Selects the controls from the settings (done each time the dialog opens).
    void loadSettings();
    void OKButton_Click();

  private:
    Settings& settings_;
    const Capture& capture_;
    Prompts& prompts_;
    const RunControlState& runControl_;
    std::function<void()> clearDat_;
    std::function<void()> applyToUnit_;
    QRadioButton* optType_[2];
    QComboBox* cmbSpeed_;
    QComboBox* cmbParity_;
    QComboBox* cmbData_;
    QComboBox* cmbStop_;
};
