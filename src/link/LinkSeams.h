#pragma once
#include <string>

// The two one-shot timers of the link. Enabling a timer that is already running leaves its
// interval alone; disabling a stopped timer does nothing. The owner calls
// CommLink::timSend_Timer and CommLink::timPortCheck_Timer when they expire.
class LinkTimers {
  public:
    static constexpr int kSendMs = 50;        // timSend: sends the head of the queue
    static constexpr int kPortCheckMs = 800;  // timPortCheck: time-out of a port probe
    static constexpr int kTrigMs = 5000;      // timTrig: the trigger clock, repeating

    virtual ~LinkTimers() = default;
    virtual void enableSend(bool on) = 0;
    virtual void enablePortCheck(bool on) = 0;
};

// Lets pending events run while the link waits for the unit. waitOnce blocks until at least
// one event (received bytes, a timer, user input) has been handled. Closing becomes true
// when the program is ending; every wait then ends at once.
class EventWait {
  public:
    virtual ~EventWait() = default;
    virtual void waitOnce() = 0;
    [[nodiscard]] virtual bool closing() const = 0;
};

// Panel 2 of the main status bar, which shows the line settings ("9600,N,8,1").
class CommParamView {
  public:
    virtual ~CommParamView() = default;
    virtual void showCommParam(const std::string& text) = 0;
};
