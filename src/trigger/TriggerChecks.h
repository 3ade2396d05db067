#pragma once
#include <cstdint>

// The trigger checks that the rest of the program feeds: the live view its data bytes and
// errors, the decoder the control-line edges, the link window's timTrig the clock.
// TriggerEngine evaluates them; tests fake them.
class TriggerChecks {
  public:
    virtual ~TriggerChecks() = default;
    // A data byte without error, before its record is stored; direction non-zero for SD
    // (the live view passes 256), 0 for RD.
    virtual void TrigCheckChr(int direction, uint8_t byte) = 0;
    // A data record with an error, before it is stored: 1 parity error, 2 framing error (a
    // record with both is reported once, as 2).
    virtual void TrigCheckErr(int errorBits) = 0;
    // A control line changed: line 0 RS .. 5 CI, edge 1 turned on, 2 turned off.
    virtual void TrigCheckLine(int line, int edge) = 0;
    // Every 5 seconds, running or not.
    virtual void TrigCheckTime() = 0;
};
