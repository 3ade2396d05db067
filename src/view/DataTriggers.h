#pragma once
#include <cstdint>

// The string and error triggers that the live view feeds. The main window implements them
// over the trigger evaluation.
class DataTriggers {
  public:
    virtual ~DataTriggers() = default;
    // A data byte without error; direction 256 for SD, 0 for RD.
    virtual void TrigCheckChr(int direction, uint8_t byte) = 0;
    // A byte with an error: 1 parity error, 2 framing error.
    virtual void TrigCheckErr(int kind) = 0;
};
