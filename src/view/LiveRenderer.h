#pragma once
#include <cstdint>
#include <string>

#include "core/CoreState.h"
#include "trigger/TriggerChecks.h"
#include "view/CellGrid.h"
#include "view/MonitorStatus.h"

// The live view: each data pair, time stamp and idle mark goes into the next free cell, and a
// full screen is cleared or scrolled. Constant work per record and no allocation; the line
// number in the status bar changes once per screen.
class LiveRenderer {
  public:
    LiveRenderer(CoreState& state, CellGrid& cells, MonitorStatus& status, TriggerChecks& triggers)
        : state_(state), cells_(cells), status_(status), triggers_(triggers) {}

    // One data pair as received. Errors show as "PE" / "FE" in every display mode on the
    // error colour and go to the error triggers; good bytes go to the string triggers.
    void DispMonitor(uint8_t first, uint8_t second);
    // "TM"/"ST" over the first and last three digits of HHMMSS, in two columns.
    void DispTimeStamp(const std::string& hhmmss);
    // Advances lintPos; a full screen is cleared (gintScroll below 1, or a step of a whole
    // screen or more) or scrolled up by gintScroll lines.
    void NextCell();
    // Every cell blank in its row colour; lintPos 0.
    void ClearDisp();

  private:
    CoreState& state_;
    CellGrid& cells_;
    MonitorStatus& status_;
    TriggerChecks& triggers_;
};
