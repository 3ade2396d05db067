#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "base/Clock.h"
#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "link/Decoder.h"
#include "link/LinkSeams.h"
#include "link/SerialPort.h"

// The shared state the link works on. It writes the settings only where the unit decides them
// (the port an automatic search found, a speed the unit does not know, which becomes 9600);
// the decoder stores into the capture and sets the run flags it owns (see RunState).
struct LinkState {
    Settings& settings;
    RunState& run;
    Capture& capture;
};

// The platform side of the link: the port, the two timers and the event wait.
struct LinkDevices {
    SerialPort& port;
    LinkTimers& timers;
    EventWait& wait;
};

// The hidden link window frmComm: finds the unit among the numbered ports, opens and closes
// the port, sends the command queue one command at a time and owns the decoder, which the port
// hands every received batch.
//
// Commands go out from lstCommand 50 ms after the unit answered the previous one; a command
// that gets no answer holds the queue. Closing the port forgets the queue: commands meant for
// a closed port can never be answered, and left in place they would be sent ahead of the next
// probe. A stop is the exception: the unit must never be left streaming, so a "G00" still
// queued is written before the port closes.
class CommLink final : public CommandSink, public PortLoss {
  public:
    static constexpr int kMaxPort = 16;  // the automatic search tries ports 1..16

    // The status bar, the observers and the devices must outlive the link.
    CommLink(LinkState state, const Clock& clock, CommParamView& statusBar,
             DecoderObservers observers, LinkDevices devices);
    CommLink(const CommLink&) = delete;
    CommLink& operator=(const CommLink&) = delete;

    // Finds the unit and leaves its port open: kDone when found (gstrUnitVer fresh; with
    // automatic search gintPortNo names the port), kFailed when not (port closed, gintPortNo
    // kept; report() tells what each port tried did).
    // Each port that is present costs up to 800 ms. Ends early when the program is closing.
    int16_t PortOpen();
    // Closes the port and forgets queued commands and an unanswered start; a queued stop is
    // written first.
    void PortClose();
    // Waits until every queued command has been answered, so that a stop reaches the unit
    // before anything else is sent. Each command gets its own probe time-out; the wait ends
    // early when one passes without an answer (a unit that does not answer), when the port
    // closes or when the program is closing.
    void sendQueued();
    // Takes a start back: a queued "G01" is dropped, and one already sent is no longer judged,
    // so its "OK" cannot start a run that has been stopped.
    void cancelStart();
    [[nodiscard]] bool isOpen() const { return port_.isOpen(); }
    // Lets events run (received bytes and the timers among them) while goOn holds, the port is
    // open and the program is not closing: a command that listens to the unit for a while.
    // Each test of goOn follows at least one event.
    void waitWhile(const std::function<bool()>& goOn);
    // True once the program is ending: every wait for the unit ends at once.
    [[nodiscard]] bool closing() const { return wait_.closing(); }

    // Sends the four line-setting commands, shows the settings in the status bar and waits
    // until the unit has answered all of them: kDone. Each command gets the probe's time-out;
    // when one passes without an answer, report() names that command and the programs that
    // share the port, and the result is kFailed. Also kFailed when the wait ended because the
    // port closed (unit lost) or the program is closing, or the port was not open.
    int16_t SendCommParam();

    // Greys the six line indicators and forgets the last line state.
    void ResetLineState() { decoder_.ResetLineState(); }

    // Why the last PortOpen or SendCommParam found no unit to use: the ports PortOpen tried
    // and what each did, or the setting command the unit did not answer.
    [[nodiscard]] const PortReport& report() const { return report_; }

    // True while PortOpen, SendCommParam or sendQueued waits for the unit. Nothing the link uses
    // may be destroyed then; a program that wants to end signals Closing and waits for this to
    // clear.
    [[nodiscard]] bool waiting() const { return waits_ > 0; }

    // CommandSink: append a command and let the sender run.
    void queueCommand(const std::string& command) override;
    void enableSend() override;

    // PortLoss: the loss of the unit (the port is closed and the observers told).
    void onLinkLost() override;

    // Timer handlers, called by the owner of the timers.
    void timSend_Timer();
    void timPortCheck_Timer();

    [[nodiscard]] Decoder& decoder() { return decoder_; }

    std::string gstrUnitVer;             // three characters of the probe reply
    std::deque<std::string> lstCommand;  // queued commands; front is next

  private:
    int16_t ProbePort(int n);
    // Waits while the unit has queued or sent commands to answer, each command with the probe's
    // time-out: true when all were answered; false when one timed out, the port closed or the
    // program is closing.
    bool awaitAnswers();

    // Counts the waits on the stack.
    class WaitScope {
      public:
        explicit WaitScope(int& waits) : waits_(waits) { ++waits_; }
        ~WaitScope() { --waits_; }
        WaitScope(const WaitScope&) = delete;
        WaitScope& operator=(const WaitScope&) = delete;

      private:
        int& waits_;
    };

    Settings& settings_;
    RunState& run_;
    CommParamView& statusBar_;
    SerialPort& port_;
    LinkTimers& timers_;
    EventWait& wait_;
    DecoderObservers observers_;
    Decoder decoder_;

    int16_t lintPortTimeout = 0;
    PortReport report_;
    std::string sent_;  // the command written last
    int waits_ = 0;
    bool queueWait_ = false;  // sendQueued is waiting: each command sent restarts the time-out
};
