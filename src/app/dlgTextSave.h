#pragma once
#include <array>
#include "capture/ByteText.h"

#include "app/FileDialog.h"
#include "view/ViewDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class Capture;
struct Settings;

// The text save dialog: the layout (a new line at each RD/SD change with at most txtCol(0)
// characters, or txtCol(1) cells per line) and the form of ASCII characters; its choices are
// kept in the settings. Save asks for the file name and writes the history view's words.
class dlgTextSave : public ViewDialog {
    Q_OBJECT
  public:
    static constexpr const char* kFilter = "txtﾌｧｲﾙ(*.txt);;すべてのﾌｧｲﾙ(*.*)";

    dlgTextSave(Settings& settings, const Capture& capture, const ChrTable& chr, Prompts& prompts,
                QWidget* parent);

    // Loads the controls from the settings and shows the dialog.
    void showDialog();
    void OKButton_Click();

  private:
    void optType_Click(int index);
    // The export into the chosen file, or the message on a count that is not valid.
    void save(const std::string& name);

    Settings& settings_;  // the layout and character form chosen are kept here
    const Capture& capture_;
    const ChrTable& chr_;
    Prompts& prompts_;
    FileDialog dialog_;
    std::array<QRadioButton*, 2> optType{};
    std::array<QLabel*, 4> Label1{};
    std::array<QLineEdit*, 2> txtCol{};
    QGroupBox* framFont;
    std::array<QRadioButton*, 3> optFont{};
};
