#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What the decoder and the link see, told to everyone who listens: the live view, the run
// control, the line lamps, the triggers, a headless command, a test's recording fake. Every
// call has an empty default, so each listener overrides only what it takes.
class DecoderObserver {
  public:
    virtual ~DecoderObserver() = default;

    // A data pair was stored while the live view follows the data (gintRireki 0).
    virtual void DispMonitor(uint8_t /*first*/, uint8_t /*second*/) {}
    // A time stamp was stored while the live view follows the data.
    virtual void DispTimeStamp(const std::string& /*hhmmss*/) {}
    // A control line changed (line 0 RS .. 5 CI): its lamp, shown while the line-state bar is
    // on, and the line-state triggers (edge 1 on, 2 off).
    virtual void setLineLamp(int /*line*/, bool /*on*/) {}
    virtual void TrigCheckLine(int /*line*/, int /*edge*/) {}
    // The unit accepted "G01": gintRun is 1 already.
    virtual void startAccepted() {}
    // The unit refused the start for the last time allowed; nothing is retried. Called from
    // inside the receive handler: whatever waits for the user must wait until it returns.
    virtual void startRefused() {}
    // A trigger's pending monitor stop or save stop fell due.
    virtual void RunStop() {}
    virtual void AutoSaveFlush() {}
    // The idle and time-stamp timers: stopped while a batch is handled, started after it.
    virtual void setIdleTimer(bool /*enabled*/) {}
    virtual void setStampTimer(bool /*enabled*/) {}
    // A batch of bytes from the unit has been handled: every record it stored is whole.
    virtual void batchDone() {}
    // The unit went away (unplugged, or its end of the link closed); the port is closed and
    // the command queue emptied already. Once per opening of the port.
    virtual void linkLost() {}
};

// Everyone who listens, called in this order.
using DecoderObservers = std::vector<DecoderObserver*>;

// The command queue of the link: queue a command, let the next one go.
class CommandSink {
  public:
    virtual ~CommandSink() = default;
    virtual void queueCommand(const std::string& command) = 0;
    virtual void enableSend() = 0;
};
