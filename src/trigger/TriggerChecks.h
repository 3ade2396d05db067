#pragma once
#include <cstdint>

// The trigger checks that the rest of the program feeds: the live view its data bytes and
// errors, the link window's timTrig the clock (the control-line edges come from the decoder as
// one of its observers). TriggerEngine evaluates them; tests fake them.
class TriggerChecks {
  public:
    virtual ~TriggerChecks() = default;
    // A data byte without error, before its record is stored; direction non-zero for SD
    // (the live view passes 256), 0 for RD.
    virtual void TrigCheckChr(int direction, uint8_t byte) = 0;
    // A data record with an error, before it is stored: 1 parity error, 2 framing error (a
    // record with both is reported once, as 2).
    virtual void TrigCheckErr(int errorBits) = 0;
    // Every 5 seconds, running or not.
    virtual void TrigCheckTime() = 0;
};
