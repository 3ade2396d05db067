#pragma once
#include <cstdint>
#include <string>

#include "base/Clock.h"
#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "link/SerialPort.h"
#include "run/RunControlState.h"

class CommLink;

// Why a run ended.
enum class StopCause : uint8_t {
    User,     // the stop command, a signal, a time limit
    Trigger,  // a trigger's pending monitor stop fell due
    Lost,     // the unit went away (unplugged, or its end of the link closed)
};

// What the owner of a run shows or decides at each step of the run sequence. The program maps
// the calls onto menus, captions and messages; a headless command onto its files and its
// standard error. Every call has an empty default.
class RunHost {
  public:
    virtual ~RunHost() = default;
    // A start goes ahead: before the port is probed.
    virtual void startBegins() {}
    // No unit answered the probe, or one stopped answering during the line settings (then the
    // port is closed, after a stop was written to it). The report tells each port tried, or
    // the setting command that got no answer. Not called when the unit was lost meanwhile
    // (unitLost has told of it) or the program is ending.
    virtual void notConnected(const PortReport& /*report*/) {}
    // The unit was found for a start: true to go on (the program asks its question here).
    virtual bool confirmStart() { return true; }
    // The line settings go out now.
    virtual void sendingSettings() {}
    // The start ended during the settings without a stop being asked for: the unit went away
    // or stopped answering (told by notConnected just before). Nothing was started.
    virtual void startAbandoned() {}
    // Just before "G01" is queued: the owner gets ready for capture data.
    virtual void prepareRun() {}
    // The unit accepted the start: gintRun is 1.
    virtual void accepted() {}
    // The unit refused the start for the last time. Called from inside the receive handler:
    // whatever waits for the user must wait until it returns.
    virtual void refused() {}
    // The run has ended (gintRun is 0); the stop commands are on their way unless the unit
    // was lost.
    virtual void stopped(StopCause /*cause*/) {}
    // The unit went away; once per opening of the port, after Stopped when a run was on.
    virtual void unitLost() {}
    // The controller entered or left a wait for the unit (a probe, the settings), or a stop
    // was asked for during one: what the commands may do has changed (see Judge).
    virtual void waitChanged() {}
};

// The run sequence, once for the program and every headless command: the probe, the start
// question, the line settings, the start, the stop that always reaches the unit, the late
// replies of a slow unit, a refused start and a lost unit. The phases of RunControlState say
// which command may act while a wait for the unit is on the stack.
//
// A stop drops or keeps what the unit sends after it. The program drops it (from the stop on,
// bytes are reply text); a headless capture keeps storing records until the unit has
// acknowledged the stop, so that its file holds everything the unit sent.
class RunController final : public DecoderObserver {
  public:
    enum class AfterStop : uint8_t { Drop, Keep };
    enum class Outcome : uint8_t {
        Started,    // "G01" is queued; the unit's answer decides (Accepted / Refused)
        Busy,       // a start, a probe or the settings are already under way: nothing done
        NotFound,   // no unit answered
        Cancelled,  // the owner did not confirm the start
        Failed,     // the settings did not reach the unit, or a stop came first
    };

    // All must outlive the controller; Attach gives it the link before any command.
    RunController(RunState& run, const Clock& clock, RunHost& host, AfterStop afterStop)
        : run_(run), clock_(clock), host_(host), afterStop_(afterStop) {}
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;
    void attach(CommLink& link) { link_ = &link; }

    [[nodiscard]] const RunControlState& state() const { return state_; }
    [[nodiscard]] RunControlState::Verdict judge(RunControlState::Command command) const {
        return state_.judge(command);
    }
    // True while the phase keeps commands that wait for the unit from acting.
    [[nodiscard]] bool waiting() const;

    // Probe, question, settings, "G01".
    Outcome start();
    // Headless: waits until the unit has judged the start (refusals and retries included, each
    // command with its own time-out). True when it runs.
    bool awaitStart();
    // Queues the stop ("G00" three times) and ends the run. With AfterStop::Keep the run ends
    // when the unit acknowledges the stop (see awaitStopped).
    void stop(StopCause cause = StopCause::User);
    // Waits until the stop commands have reached the unit and, with AfterStop::Keep, the run
    // has ended; a unit that does not acknowledge in its time-out ends it anyway.
    void awaitStopped();
    // The program is ending: "G00" three times whatever the phase, gintRun 0, and a wait until
    // they have reached the unit (short when the program is closing).
    void shutdown();

    // The communication parameter dialog's OK: probe, then the settings. True when the unit
    // took them.
    bool applySettings();
    // The simulator: probes unless a run is under way. True when it may be launched.
    bool probeForSimulator();

    // What the decoder and the link tell: the unit's judgement of a start, a trigger's stop
    // falling due, the loss of the unit (the port is closed already).
    void startAccepted() override;
    void startRefused() override { host_.refused(); }
    void RunStop() override { stop(StopCause::Trigger); }
    void linkLost() override;

  private:
    // PortClose and PortOpen, after a queued stop has reached the unit when the verdict says
    // so; a missing unit is told to the host. True when found.
    bool reopen(RunControlState::Verdict verdict);
    // The phase changes of RunControlState, told to the host.
    RunControlState::Verdict begin(RunControlState::Command command);
    bool probed(bool found);
    bool settingsSent(bool sent);
    // The settings did not reach the unit: one that stopped answering is told to stop, its
    // port is closed and the host told. True when that was the cause.
    bool settingsUnanswered();
    void endRun(StopCause cause);

    RunState& run_;
    const Clock& clock_;
    RunHost& host_;
    const AfterStop afterStop_;
    CommLink* link_ = nullptr;
    RunControlState state_;
    bool lossTold_ = false;  // unitLost was called since the port was last opened
    bool keeping_ = false;   // a stop keeps records until the unit acknowledges it
    StopCause pendingCause_ = StopCause::User;  // of a stop that waits for its acknowledgement
};
