#pragma once
#include <cstdint>
#include <string>

#include "base/DecoderObserver.h"
#include "base/GridState.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "trigger/TriggerChecks.h"
#include "view/CellGrid.h"
#include "view/MonitorStatus.h"

// The live view: each data pair, time stamp and idle mark goes into the next free cell, and a
// full screen is cleared or scrolled. Constant work per record and no allocation. The line
// number llngLine is that of the screen's top-left cell in the words the capture holds: it
// changes once per screen, and when a full buffer drops words and so renumbers the lines.
// The status bar shows it at most every kLineFrames frames (showLine), however many lines
// scroll by in between: at the line's full rate the number changes twenty to fifty times a
// second, and each change of the panel lays the status bar out again.
class LiveRenderer final : public DecoderObserver {
  public:
    static constexpr int kLineFrames = 10;

    LiveRenderer(const Settings& settings, const RunState& run, const Capture& capture,
                 GridState& grid, CellGrid& cells, MonitorStatus& status, TriggerChecks& triggers)
        : settings_(settings),
          run_(run),
          capture_(capture),
          grid_(grid),
          cells_(cells),
          status_(status),
          triggers_(triggers) {}

    // One data pair as received. Errors show as "PE" / "FE" in every display mode on the
    // error colour and go to the error triggers; good bytes go to the string triggers.
    void DispMonitor(uint8_t first, uint8_t second) override;
    // "TM"/"ST" over the first and last three digits of HHMMSS, in two columns.
    void DispTimeStamp(const std::string& hhmmss) override;
    // Advances lintPos; a full screen is cleared (gintScroll below 1, or a step of a whole
    // screen or more) or scrolled up by gintScroll lines.
    void NextCell();
    // Every cell blank in its row colour; lintPos 0.
    void ClearDisp();
    // The live view starts again on an empty screen behind the last word stored, and the
    // status bar shows that line.
    void restart();
    // The line of the live screen's top-left cell in the words the capture holds now.
    [[nodiscard]] int32_t topLine() const;
    // Called once a frame: shows llngLine in the status bar if it changed since it was last
    // shown, the view is live and kLineFrames frames went by since the last time.
    void showLine();
    // llngLine changed and waits for showLine.
    [[nodiscard]] bool linePending() const { return linePending_; }

  private:
    void showTopLine();
    void writeLine();

    const Settings& settings_;
    const RunState& run_;
    const Capture& capture_;
    GridState& grid_;  // the live screen's position and line
    CellGrid& cells_;
    MonitorStatus& status_;
    TriggerChecks& triggers_;
    int64_t lineDropped_ = 0;   // Capture::droppedWords() when llngLine was last set
    bool linePending_ = false;  // llngLine changed since the status bar showed it
    int framesSinceLine_ = kLineFrames;
};
