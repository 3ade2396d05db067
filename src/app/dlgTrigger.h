#pragma once
#include <QColor>
#include <array>
#include <functional>
#include <string>

#include "trigger/TriggerDraft.h"
#include "trigger/Triggers.h"
#include "view/ViewDialog.h"

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class Prompts;
struct RunState;

// The trigger dialog "トリガ設定": edits a working copy of the five trigger definitions and
// shows their event counters. OK copies the working copy into the definitions and writes
// VXTrig.ini; Cancel, F8 and the loss of activation discard it. While the monitor runs the
// definitions can be looked at but not changed; "ﾘｾｯﾄ" clears the shown counter at once.
class dlgTrigger : public ViewDialog {
    Q_OBJECT
  public:
    // autoSaveChecked tells whether the file menu's auto-save item carries its check mark.
    dlgTrigger(Triggers& triggers, const RunState& run, Prompts& prompts, std::string programFolder,
               std::function<bool()> autoSaveChecked, QWidget* parent);

    // Takes a fresh working copy, shows trigger 1 and shows the dialog.
    void showDialog();

    void optTrigNo_Click(int k);
    void cmdClear_Click();
    // Byte counts above 16383 (or below 0) are refused with a message, the trigger that
    // holds one is shown and the dialog stays open.
    void OKButton_Click();

    // Light and strong colours of the trigger buttons, set and not set.
    static constexpr QRgb kSetColour = qRgb(255, 208, 255);
    static constexpr QRgb kUnsetColour = qRgb(208, 255, 255);
    static constexpr QRgb kShownSetColour = qRgb(255, 0, 255);
    static constexpr QRgb kShownUnsetColour = qRgb(0, 255, 255);

  private:
    QButtonGroup* optionGroup(QWidget* parent, const QString& name, const QStringList& captions,
                              QLayout* layout);
    QLineEdit* countField(const QString& name, const QString& caption, int32_t TriggerDraft::*field,
                          QBoxLayout* layout);
    void buildEventFrame();
    void buildActionFrame();
    void fillControls();
    void setChrLimit();
    [[nodiscard]] TriggerDraft& shown() { return work_[shown_]; }

    Triggers& triggers_;
    const RunState& run_;
    Prompts& prompts_;
    std::string programFolder_;
    std::function<bool()> autoSaveChecked_;

    std::array<TriggerDraft, Triggers::kCount> work_;
    int shown_ = 0;
    bool filling_ = false;  // the controls are being filled: their changes are no edits

    QButtonGroup* optTrigNo_ = nullptr;
    QGroupBox* eventFrame_ = nullptr;
    QButtonGroup* optEvent_ = nullptr;
    QButtonGroup* optCode_ = nullptr;
    QLineEdit* txtChr_ = nullptr;
    QLineEdit* txtTime_ = nullptr;
    std::array<QCheckBox*, 2> chkErr_{};
    std::array<QButtonGroup*, Triggers::kLines> optLine_{};
    QGroupBox* actionFrame_ = nullptr;
    QButtonGroup* optAction_ = nullptr;
    QLineEdit* txtStop_ = nullptr;
    QLineEdit* txtSaveStart_ = nullptr;
    QLineEdit* txtSaveStop_ = nullptr;
    QLabel* lblCount_ = nullptr;
};
