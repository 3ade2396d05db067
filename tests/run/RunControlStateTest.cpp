#include "run/RunControlState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Phase = RunControlState::Phase;
using Command = RunControlState::Command;
using Verdict = RunControlState::Verdict;

// The ways into each phase, as the main window drives the run control.
enum class From {
    Stopped,
    ProbingToStart,
    ProbingForSettings,
    ProbingForSimulator,
    SendingToStart,
    SendingSettings,
    SendingAfterStop,  // a stop was asked for while the settings were sent
    Starting,
    Running,
    Stopping,
};

RunControlState In(From from) {
    RunControlState s;
    const auto begin = [&s](Command c) { s.begin(c); };
    switch (from) {
        case From::Stopped:
            break;
        case From::ProbingToStart:
            begin(Command::Start);
            break;
        case From::ProbingForSettings:
            begin(Command::Settings);
            break;
        case From::ProbingForSimulator:
            begin(Command::Simulator);
            break;
        case From::SendingToStart:
            begin(Command::Start);
            s.probed(true);
            break;
        case From::SendingSettings:
            begin(Command::Settings);
            s.probed(true);
            break;
        case From::SendingAfterStop:
            begin(Command::Start);
            s.probed(true);
            begin(Command::Stop);
            break;
        case From::Starting:
            begin(Command::Start);
            s.probed(true);
            s.settingsSent(true);
            break;
        case From::Running:
            begin(Command::Start);
            s.probed(true);
            s.settingsSent(true);
            s.accepted();
            break;
        case From::Stopping:
            begin(Command::Start);
            s.probed(true);
            s.settingsSent(true);
            s.accepted();
            begin(Command::Stop);
            break;
    }
    return s;
}

struct Row {
    From from;
    Command command;
    Verdict verdict;
    Phase after;
};

std::string Name(const Row& r) {
    return "from " + std::to_string(static_cast<int>(r.from)) + ", command " +
           std::to_string(static_cast<int>(r.command));
}

}  // namespace

TEST(RunControlStateTest, TheWaysIntoEachPhase) {
    EXPECT_EQ(In(From::Stopped).phase(), Phase::Stopped);
    EXPECT_EQ(In(From::ProbingToStart).phase(), Phase::Probing);
    EXPECT_EQ(In(From::ProbingForSimulator).phase(), Phase::Probing);
    EXPECT_EQ(In(From::SendingToStart).phase(), Phase::SendingSettings);
    EXPECT_EQ(In(From::SendingSettings).phase(), Phase::SendingSettings);
    EXPECT_EQ(In(From::SendingAfterStop).phase(), Phase::SendingSettings);
    EXPECT_TRUE(In(From::SendingAfterStop).stopAsked());
    EXPECT_EQ(In(From::Starting).phase(), Phase::Starting);
    EXPECT_EQ(In(From::Running).phase(), Phase::Running);
    EXPECT_EQ(In(From::Stopping).phase(), Phase::Stopping);
}

TEST(RunControlStateTest, EveryCommandInEveryPhase) {
    using enum From;
    const Verdict no = Verdict::Refused;
    const Verdict go = Verdict::Go;
    const Verdict later = Verdict::GoAfterStop;
    const Verdict launch = Verdict::GoWithoutProbe;
    const Row rows[] = {
        {Stopped, Command::Start, go, Phase::Probing},
        {Stopped, Command::Stop, no, Phase::Stopped},
        {Stopped, Command::Settings, go, Phase::Probing},
        {Stopped, Command::Simulator, go, Phase::Probing},
        {Stopped, Command::Background, no, Phase::Stopped},
        // While a probe waits, nothing may start, probe or stop it.
        {ProbingToStart, Command::Start, no, Phase::Probing},
        {ProbingToStart, Command::Stop, no, Phase::Probing},
        {ProbingToStart, Command::Settings, no, Phase::Probing},
        {ProbingToStart, Command::Simulator, no, Phase::Probing},
        {ProbingToStart, Command::Background, no, Phase::Probing},
        {ProbingForSettings, Command::Start, no, Phase::Probing},
        {ProbingForSettings, Command::Settings, no, Phase::Probing},
        {ProbingForSimulator, Command::Start, no, Phase::Probing},
        {ProbingForSimulator, Command::Simulator, no, Phase::Probing},
        // While the settings are sent, only the start's own stop is taken, once.
        {SendingToStart, Command::Start, no, Phase::SendingSettings},
        {SendingToStart, Command::Stop, go, Phase::SendingSettings},
        {SendingToStart, Command::Settings, no, Phase::SendingSettings},
        {SendingToStart, Command::Simulator, no, Phase::SendingSettings},
        {SendingToStart, Command::Background, no, Phase::SendingSettings},
        {SendingSettings, Command::Stop, no, Phase::SendingSettings},
        {SendingSettings, Command::Start, no, Phase::SendingSettings},
        {SendingAfterStop, Command::Stop, no, Phase::SendingSettings},
        {SendingAfterStop, Command::Start, no, Phase::SendingSettings},
        // Starting: "G01" is on its way; the simulator launches without touching the port.
        {Starting, Command::Start, no, Phase::Starting},
        {Starting, Command::Stop, go, Phase::Stopping},
        {Starting, Command::Settings, no, Phase::Starting},
        {Starting, Command::Simulator, launch, Phase::Starting},
        {Starting, Command::Background, no, Phase::Starting},
        {Running, Command::Start, no, Phase::Running},
        {Running, Command::Stop, go, Phase::Stopping},
        {Running, Command::Settings, no, Phase::Running},
        {Running, Command::Simulator, launch, Phase::Running},
        {Running, Command::Background, go, Phase::Running},
        // Stopping: what probes waits for the stop to reach the unit first.
        {Stopping, Command::Start, later, Phase::Probing},
        {Stopping, Command::Stop, no, Phase::Stopping},
        {Stopping, Command::Settings, later, Phase::Probing},
        {Stopping, Command::Simulator, later, Phase::Probing},
        {Stopping, Command::Background, no, Phase::Stopping},
    };
    for (const Row& r : rows) {
        RunControlState s = In(r.from);
        EXPECT_EQ(s.judge(r.command), r.verdict) << Name(r);
        EXPECT_EQ(s.begin(r.command), r.verdict) << Name(r);
        EXPECT_EQ(s.phase(), r.after) << Name(r);
    }
}

TEST(RunControlStateTest, WhereEachWaitLeads) {
    struct Case {
        From from;
        bool result;  // of the probe, or of the settings
        bool goesOn;
        Phase after;
    };
    // Probed.
    for (const Case& c : std::vector<Case>{
             {From::ProbingToStart, true, true, Phase::SendingSettings},
             {From::ProbingToStart, false, false, Phase::Stopped},  // missing, or cancelled
             {From::ProbingForSettings, true, true, Phase::SendingSettings},
             {From::ProbingForSettings, false, false, Phase::Stopped},
             {From::ProbingForSimulator, true, true, Phase::Stopped},
             {From::ProbingForSimulator, false, false, Phase::Stopped},
             {From::Running, true, false, Phase::Running},  // no probe under way
         }) {
        RunControlState s = In(c.from);
        EXPECT_EQ(s.probed(c.result), c.goesOn) << static_cast<int>(c.from);
        EXPECT_EQ(s.phase(), c.after) << static_cast<int>(c.from);
    }
    // settingsSent.
    for (const Case& c : std::vector<Case>{
             {From::SendingToStart, true, true, Phase::Starting},
             {From::SendingToStart, false, false, Phase::Stopped},  // unit lost, or closing
             {From::SendingSettings, true, false, Phase::Stopped},
             {From::SendingSettings, false, false, Phase::Stopped},
             {From::SendingAfterStop, true, false, Phase::Stopping},  // the stop wins
             {From::SendingAfterStop, false, false, Phase::Stopping},
             {From::Starting, true, false, Phase::Starting},
         }) {
        RunControlState s = In(c.from);
        EXPECT_EQ(s.settingsSent(c.result), c.goesOn) << static_cast<int>(c.from);
        EXPECT_EQ(s.phase(), c.after) << static_cast<int>(c.from);
    }
}

TEST(RunControlStateTest, OnlyAStartOnItsWayIsAccepted) {
    for (const From from :
         {From::Stopped, From::ProbingToStart, From::SendingToStart, From::Stopping}) {
        RunControlState s = In(from);
        const Phase before = s.phase();
        s.accepted();
        EXPECT_EQ(s.phase(), before) << static_cast<int>(from);
    }
    // A new start after a stop asked during the settings starts afresh.
    RunControlState s = In(From::SendingAfterStop);
    s.settingsSent(true);
    ASSERT_EQ(s.begin(Command::Start), Verdict::GoAfterStop);
    EXPECT_FALSE(s.stopAsked());
    s.probed(true);
    EXPECT_TRUE(s.settingsSent(true));
}
