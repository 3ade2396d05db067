#pragma once
#include <cstdint>

// The run control of the main window as explicit phases. Starting, probing a port and
// sending the line settings each wait for the unit with events running; the phase decides
// which user command may act meanwhile, so that no second wait for the unit can begin while
// one is on the stack.
//
//   Stopped          nothing is outstanding
//   Probing          a port is probed (for a start also the start question): for a start,
//                    for new communication parameters or for the simulator
//   SendingSettings  the four line-setting commands wait for their answers
//   Starting         "G01" is queued or sent and not yet accepted; also after the unit refused
//                    it for good, until the user stops
//   Running          the unit streams capture data
//   Stopping         "G00" is queued; the next command that probes first lets it reach the
//                    unit, so that a unit still streaming never buries the probe's reply
class RunControlState {
  public:
    enum class Phase : uint8_t { Stopped, Probing, SendingSettings, Starting, Running, Stopping };

    // The user's commands that reach the unit.
    enum class Command : uint8_t {
        Start,       // start and new start
        Stop,        // stop
        Settings,    // the communication parameter dialog: opening it, and its OK
        Simulator,   // the simulator: probes when no run is under way, then launches
        Background,  // background monitoring on or off
    };

    enum class Verdict : uint8_t {
        Refused,         // no effect at all
        Go,              // carry it out
        GoAfterStop,     // carry it out once the queued stop has reached the unit
        GoWithoutProbe,  // the simulator during a run: launch it, leave the port alone
    };

    [[nodiscard]] Phase phase() const { return phase_; }
    // True when a stop was asked for while the settings were being sent.
    [[nodiscard]] bool stopAsked() const { return stopAsked_; }

    // What the command may do in the current phase.
    [[nodiscard]] Verdict judge(Command command) const;
    // Judge, and enter the phase that the command begins: Probing for a start, new settings
    // or the simulator that probes; Stopping for a stop of a run (during the settings the
    // stop is only noted, and the start ends without starting).
    Verdict begin(Command command);

    // The probe and, for a start, the start question are over: true when the unit was found
    // and the start confirmed. The result: true when the command goes on (to the settings,
    // or to the launch of the simulator).
    bool probed(bool found);
    // The wait for the settings is over: true when the unit answered all of them. The result:
    // true when the start goes on to queue "G01" (a stop asked for meanwhile wins).
    bool settingsSent(bool sent);
    // The unit accepted the start.
    void accepted();
    // The unit went away: a run, a start waiting for its answer or a queued stop is over.
    // (The waits of a probe or of the settings end by themselves and say so.)
    void lost();

  private:
    Phase phase_ = Phase::Stopped;
    Command purpose_ = Command::Start;  // what the present probe or settings wait is for
    bool stopAsked_ = false;
};
