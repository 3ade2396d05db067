#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "analysis/FrameIndex.h"
#include "base/Progress.h"
#include "capture/ByteText.h"
#include "print/PrintOps.h"

class Capture;
struct Settings;

// The printout of the history: pages of a grid with a fixed number of byte columns per row,
// RD bytes on the upper and SD bytes on the lower line of each row, time-stamp and idle
// entries across two columns. The layout is computed here as drawing operations; a back end
// draws them on a printer or into a PDF file.

inline constexpr int kPrintPortrait = 1;
inline constexpr int kPrintLandscape = 2;

// The printer font and its two sizes (points): data, numbering and header; time-stamp and
// idle entries.
inline constexpr const char* kPrintFont = "ＭＳ ゴシック";
inline constexpr int kPrintFontSize = 9;
inline constexpr int kPrintEntryFontSize = 8;

// Page geometry of one orientation, in millimetres.
struct PrintGeometry {
    int orient;       // kPrintPortrait or kPrintLandscape
    int gintPrnLeft;  // frame edges
    int gintPrnTop;
    int gintPrnRight;
    int gintPrnBottom;
    int gintPrnCols;  // byte columns per row
    int gintPrnRows;  // rows per page
    int colOffset;    // added to every column position

    // Left edge of the text of column n (from 1).
    [[nodiscard]] int columnX(int n) const { return gintPrnLeft + 5 * n + colOffset; }
    // Upper (RD) and lower (SD) text line of row v (from 1).
    [[nodiscard]] int rdY(int v) const { return gintPrnTop + 9 * v - 3; }
    [[nodiscard]] int sdY(int v) const { return gintPrnTop + 9 * v + 1; }
};

// The geometry of orientation orient: portrait for kPrintPortrait, landscape otherwise.
[[nodiscard]] PrintGeometry PrintSetup(int orient);

// The display words to print and how their texts are made.
struct PrintSource {
    std::span<const int16_t> words;  // the display words, glngDispLen of them
    int dispMode = 0;                // gintDispMode
    int asciiSaveMode = 0;           // gintASCIISaveMode
    const ChrTable* chr = nullptr;   // gstrChr
    // The frames to mark (as the grid marks them), whose words are these; none when null.
    const FrameIndex* frames = nullptr;
};

// The display words of a capture with the text settings in force.
[[nodiscard]] PrintSource printSourceOf(const Capture& capture, const Settings& settings,
                                        const ChrTable& chr);

// "Page " and the page number right-aligned in three characters ("Page   1", "Page  12").
[[nodiscard]] std::string pageNumberText(int page);

// The page without data: frame, row lines, column numbers, row labels, and the header above
// the frame with the idle text (at L + 12), the communication parameters (at L + 40) and the
// page number (at R - 15). Empty header texts are left out.
void PrintPageFrame(PageOps& ops, const PrintGeometry& g, const std::string& idleText,
                    const std::string& commText, int page);

// The data of one page from word p, with the marks of src.frames: a thin line at the left of
// the place where a frame begins, a thick outline around the bytes of a frame whose check is
// bad. Returns the index after the last word used; when the
// words ran out on this page the result is one more than their count, which ends the job.
int32_t PrintPageData(PageOps& ops, const PrintGeometry& g, const PrintSource& src, int32_t p);

// Receives the pages of a job.
class PrintSink {
  public:
    virtual ~PrintSink() = default;
    // Before the first page: the orientation and the font of the job.
    virtual void beginJob(const PrintGeometry& g) = 0;
    // One page; every page after the first starts on a new sheet.
    virtual void drawPage(const PageOps& ops) = 0;
    virtual void endJob() = 0;
    // Instead of endJob when the job is cancelled: the pages given are dropped where the
    // device can drop them.
    virtual void abortJob() { endJob(); }
};

// What the print dialog asks for.
struct PrintRequest {
    std::string commText;  // status panel 2: communication parameters
    std::string idleText;  // status panel 4: idle display setting
    int orient = kPrintLandscape;
    int pages = 1;  // at least 1
};

// Prints from word top (glngDispTop) up to request.pages pages, stopping after the page on
// which the words ran out. After each page progress hears the words printed so far (of those
// from top to the end, which may be more than the pages hold); when it says stop, the job is
// aborted and 0 returned. Returns the number of pages given to the sink.
int PrintMonitor(const PrintRequest& request, const PrintSource& src, int32_t top, PrintSink& sink,
                 Progress& progress = noProgress());
