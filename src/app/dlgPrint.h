#pragma once
#include <functional>

#include "capture/ByteText.h"
#include "print/QtPrintOut.h"
#include "view/ViewDialog.h"

class QLineEdit;
class QRadioButton;
class PanelBar;
class Prompts;
class Capture;
struct RunState;
struct Settings;

// The print dialog: paper orientation and number of pages. The print button prints the
// history from the top-left cell of the view on the default printer, or, when the machine has
// no printer, offers to write the same pages into a PDF file.
class dlgPrint : public ViewDialog {
    Q_OBJECT
  public:
    // stBarMonitor is the main status bar, whose panels 2 and 4 go into the page header.
    dlgPrint(Settings& settings, const RunState& run, const Capture& capture, const ChrTable& chr,
             Prompts& prompts, const PanelBar& stBarMonitor, QWidget* parent);

    // Selects the orientation from gintPrintOrient, sets the page count to 1 and shows the
    // dialog.
    void showDialog();
    void OKButton_Click();

    // The frames whose marks the pages show, as the grid does (none when it gives null).
    void setFrameMarks(std::function<const FrameIndex*()> marks) { marks_ = std::move(marks); }

    // Where the pages go; the system's printers unless a test gives its own.
    void setPrinterOutput(PrinterOutput& output) { printer_ = &output; }

  private:
    // Each false when the printing was cancelled.
    bool printOnPrinter(const PrintRequest& request, const PrintSource& src, int32_t top);
    bool printToPdfFile(const PrintRequest& request, const PrintSource& src, int32_t top);

    Settings& settings_;  // the orientation chosen is kept here
    const RunState& run_;
    const Capture& capture_;
    const ChrTable& chr_;
    Prompts& prompts_;
    const PanelBar& stBarMonitor_;
    QtPrinterOutput systemPrinters_;
    PrinterOutput* printer_ = &systemPrinters_;
    std::function<const FrameIndex*()> marks_;
    QRadioButton* optOR[2];
    QLineEdit* txtPage;
};
