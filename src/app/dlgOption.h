#pragma once
#include <array>
#include <cstdint>

#include "view/ViewDialog.h"

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTreeView;
class Prompts;
struct Settings;

// The options dialog: capture buffer size, data folder, the five cell colours, the unit's
// port, and the two auto-save options. OK checks the numbers, writes every value into the
// settings at once (they reach VXParam.ini at shutdown) and tells the user that the changes
// take effect from the next start; the buffers keep their size until then.
class dlgOption : public ViewDialog {
    Q_OBJECT
  public:
    dlgOption(Settings& settings, Prompts& prompts, QWidget* parent);

    // Loads the controls from the settings and shows the dialog.
    void showDialog();
    void OKButton_Click();
    void cmdInit_Click();
    void lblColor_Click(int index);

    // The colour labels in order: RD, SD, IDLE, TMST, ERR.
    static constexpr int kColors = 5;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void loadSettings();
    void showColor(int index, int32_t color);
    void optPort_Click();
    [[nodiscard]] QString selectedFolder() const;
    // Opens the tree down to the selected folder and brings it into sight.
    void showSelectedFolder();

    Settings& settings_;
    Prompts& prompts_;
    QLineEdit* txtSize;
    QFileSystemModel* folders_;
    QTreeView* Dir1;
    QLabel* lblDir;
    std::array<QLabel*, kColors> lblColor{};
    std::array<int32_t, kColors> colors_{};
    std::array<QRadioButton*, 2> optPort{};
    QLabel* lblPort;
    QLineEdit* txtPort;
    QLineEdit* txtMaxFiles;
    std::array<QRadioButton*, 2> optFileDate{};
};
