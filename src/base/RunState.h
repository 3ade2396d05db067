#pragma once
#include <cstdint>

// Application-wide run-state flags. Plain values on the one UI thread, no locks.
// gintRun 1 with gintRireki 0 is a live run; gintRun 1 with gintRireki 1 is background
// monitoring; gintRun 0 with gintRireki 1 is browsing a stopped or loaded capture.
// Next to each flag: the parts of the program that write it. Everything else only reads it.
struct RunState {
    // 1 while the unit streams capture data.
    // 1: the decoder, when the unit accepts "G01". 0: RunStop and the shutdown.
    int16_t gintRun = 0;
    // 1 while the monitor window shows stored data.
    // 0: the start of a run, background monitoring switched off. 1: RunStop, background
    // monitoring switched on.
    int16_t gintRireki = 0;
    // 1 while queued commands are still being sent. The link's sender and PortClose.
    int16_t gintSending = 0;
    // "G01" commands sent and not yet judged. The link's sender counts them; the decoder,
    // RunStop and PortClose set it back to 0.
    int16_t gintStartTry = 0;
    // 1 while auto-save collects blocks. Auto-save and triggers; the decoder clears it when a
    // save stop falls due.
    int16_t gintAutoSave = 0;

    // Pending trigger stops: kPending while armed. Trigger evaluation arms them; the decoder
    // completes them once the buffer has passed the position; Capture moves the positions
    // down with the data when the buffer drops its oldest block.
    int16_t gintStopReq = 0;
    int32_t glngStopPos = 0;
    int16_t stopTrigger = 0;  // 1..5: the trigger that armed the monitor stop last

    int16_t gintSaveStopReq = 0;
    int32_t glngSaveStopPos = 0;

    // Requests of the idle and time-stamp timers: kPending while raised. The monitor window's
    // timers raise them (and clear them when the display settings change); RunStart clears
    // the idle request; the decoder serves both.
    int16_t gintIdleReq = 0;      // store an idle record before the next data byte
    char gstrIdle[7] = "000000";  // six-digit idle count of the pending idle record
    int16_t gintStampReq = 0;     // store a time stamp before the first data of a batch
    // Background monitoring is on (the Run menu shows it with a check mark). Its command;
    // every end of a run clears it.
    bool background = false;
    // Seconds since midnight at the end of the last data batch. The decoder; RunStart and the
    // idle-scale choice reset it to the current time.
    float gsngIdleStart = 0;
};
