#pragma once
#include <cstdint>

// Application-wide run-state flags. Plain values on the one UI thread, no locks.
// gintRun 1 with gintRireki 0 is a live run; gintRun 1 with gintRireki 1 is background
// monitoring; gintRun 0 with gintRireki 1 is browsing a stopped or loaded capture.
struct RunState {
    int16_t gintRun = 0;       // 1 while the unit streams capture data
    int16_t gintRireki = 0;    // 1 while the monitor window shows stored data
    int16_t gintSending = 0;   // 1 while queued commands are still being sent
    int16_t gintStartTry = 0;  // "G01" commands sent and not yet judged
    int16_t gintAutoSave = 0;  // 1 while auto-save collects blocks

    // Pending trigger stops, armed by trigger evaluation and completed by the decoder
    // once the buffer has passed the position; Capture moves the positions down with the
    // data when the buffer drops its oldest block.
    int16_t gintStopReq = 0;  // -1: monitor stop pending
    int32_t glngStopPos = 0;
    int16_t gintSaveStopReq = 0;  // -1: save stop pending
    int32_t glngSaveStopPos = 0;

    // Requests of the idle and time-stamp timers, consumed by the decoder.
    int16_t gintIdleReq = 0;      // -1: store an idle record before the next data byte
    char gstrIdle[7] = "000000";  // six-digit idle count of the pending idle record
    int16_t gintStampReq = 0;     // -1: store a time stamp before the first data of a batch
    float gsngIdleStart = 0;      // seconds since midnight at the end of the last data batch
};
