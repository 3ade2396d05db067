#pragma once
#include <QFont>
#include <QPainter>
#include <cstdint>
#include <string>

#include "print/PrintLayout.h"

class QPagedPaintDevice;

// Draws the pages of a print job on a paged device (a QPrinter or a QPdfWriter), millimetres
// from the top-left corner of the device's printable area. The printer font is drawn with
// IPAGothic. Errors of the device are not reported: when the painter cannot start, every
// page is skipped; a refused page break is skipped and drawing goes on.
class PainterPrintSink final : public PrintSink {
  public:
    explicit PainterPrintSink(QPagedPaintDevice& device) : device_(device) {}

    void beginJob(const PrintGeometry& g) override;
    void drawPage(const PageOps& ops) override;
    void endJob() override;
    // A printer is told to drop the job; a PDF writer's pages are left to its file's owner.
    void abortJob() override;

    // Whether the painter could start on the device.
    [[nodiscard]] bool began() const { return began_; }
    // Whether the job was aborted.
    [[nodiscard]] bool aborted() const { return aborted_; }

    // Width of a line of width 1, in millimetres.
    static constexpr double kLineUnitMm = 0.15;

  private:
    [[nodiscard]] QPointF at(int x, int y) const;
    void setFontSize(int points);

    QPagedPaintDevice& device_;
    QPainter painter_;
    QFont font_;
    double ascent_ = 0;  // of the current font size, device pixels
    double pxPerMmX_ = 0;
    double pxPerMmY_ = 0;
    bool began_ = false;
    bool aborted_ = false;
    bool firstPage_ = true;
};

// Where the print dialog sends the pages.
class PrinterOutput {
  public:
    virtual ~PrinterOutput() = default;
    // Whether the machine has a printer to print on.
    [[nodiscard]] virtual bool hasPrinter() const = 0;
    // Prints on the default printer, telling progress (see PrintMonitor); errors of the printer
    // are not reported.
    virtual void print(const PrintRequest& request, const PrintSource& src, int32_t top,
                       Progress& progress) = 0;
};

// The system's printers: the default one, or the first one when none is the default.
class QtPrinterOutput final : public PrinterOutput {
  public:
    [[nodiscard]] bool hasPrinter() const override;
    void print(const PrintRequest& request, const PrintSource& src, int32_t top,
               Progress& progress) override;
};

// Writes the pages into a PDF file on A4 paper, in the layout of a printout. The file at path
// is replaced only once the whole document is written; false when it could not be written or
// progress stopped the writing (the file is then as it was).
[[nodiscard]] bool printToPdf(const std::string& path, const PrintRequest& request,
                              const PrintSource& src, int32_t top,
                              Progress& progress = noProgress());
