#pragma once
#include <cstdint>
#include <string>

// Calls the decoder makes into the rest of the program. The app implements them;
// tests fake them and record the calls.

// Live drawing of the monitor window (also feeds the data and error triggers).
class LiveView {
  public:
    virtual ~LiveView() = default;
    virtual void DispMonitor(uint8_t first, uint8_t second) = 0;
    virtual void DispTimeStamp(const std::string& hhmmss) = 0;
};

// Run control, menus and auto-save. The decoder reports how the unit judged a start; the
// program decides what the user sees.
class RunControl {
  public:
    virtual ~RunControl() = default;
    virtual void RunStop() = 0;
    // The unit accepted "G01": gintRun is 1 already; the menus switch to the running state.
    virtual void StartAccepted() = 0;
    // The unit refused the start for the last time allowed; nothing is retried. Called from
    // inside the receive handler: whatever waits for the user must wait until it returns.
    virtual void StartRefused() = 0;
    virtual void AutoSaveFlush() = 0;
};

// The six line indicators of the line-state bar (line 0 RS .. 5 CI).
class LineIndicators {
  public:
    virtual ~LineIndicators() = default;
    virtual void SetLineLamp(int line, bool on) = 0;
};

// The idle and time-stamp timers of the monitor window.
class IdleTimers {
  public:
    virtual ~IdleTimers() = default;
    virtual void SetIdleTimer(bool enabled) = 0;
    virtual void SetStampTimer(bool enabled) = 0;
};

// The command queue of the link: queue a command, let the next one go.
class CommandSink {
  public:
    virtual ~CommandSink() = default;
    virtual void QueueCommand(const std::string& command) = 0;
    virtual void EnableSend() = 0;
};
