#include "run/RunController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CoreState.h"
#include "capture/Records.h"
#include "link/CommLink.h"
#include "link/CommParam.h"
#include "link/FakeLink.h"
#include "support/FakeClock.h"
#include "support/RecordingObserver.h"

namespace {

using Outcome = RunController::Outcome;
using AfterStop = RunController::AfterStop;
using Phase = RunControlState::Phase;
using Calls = std::vector<std::string>;

// Records the run sequence's steps as the host sees them.
struct HostLog final : RunHost {
    void startBegins() override { calls.emplace_back("begins"); }
    void notConnected(const PortReport& report) override {
        calls.push_back("absent " + report.unanswered);
    }
    bool confirmStart() override {
        calls.emplace_back("confirm");
        return confirm;
    }
    void sendingSettings() override { calls.emplace_back("settings"); }
    void startAbandoned() override { calls.emplace_back("abandoned"); }
    void prepareRun() override { calls.emplace_back("prepare"); }
    void accepted() override { calls.emplace_back("accepted"); }
    void refused() override { calls.emplace_back("refused"); }
    void stopped(StopCause cause) override {
        calls.push_back(cause == StopCause::Lost ? "stopped lost" : "stopped");
    }
    void unitLost() override { calls.emplace_back("lost"); }
    void waitChanged() override { calls.push_back(controller->waiting() ? "wait" : "free"); }

    const RunController* controller = nullptr;
    bool confirm = true;
    Calls calls;
};

// The controller on the fake link, a unit on port 5 that answers every command after replyMs.
struct Rig {
    explicit Rig(AfterStop afterStop = AfterStop::Drop)
        : ports(env),
          controller(core.run, clock, host, afterStop),
          link(LinkState{core.settings, core.run, core.capture}, clock, hooks,
               DecoderObservers{&hooks, &controller}, LinkDevices{ports, env, env}) {
        env.link = &link;
        controller.attach(link);
        host.controller = &controller;
        core.capture.AllocBuffer(4);
        ports.Unit(5);
        core.settings.gintPortAuto = 0;
        core.settings.gintPortNo = 5;
    }

    // Starts a run that the unit accepts.
    void run() {
        ASSERT_EQ(controller.start(), Outcome::Started);
        env.RunUntil([&] { return core.run.gintRun == 1; });
        ASSERT_EQ(controller.state().phase(), Phase::Running);
        host.calls.clear();
        ports.writes.clear();
    }
    // Lets events run until ms milliseconds of virtual time have passed.
    void pass(int64_t ms) {
        const int64_t until = env.now + ms;
        env.Deliver(until, "");
        env.RunUntil([&] { return env.now >= until; });
    }
    // The commands of a start after the given ones: the line settings and "G01".
    [[nodiscard]] Calls Sequence(Calls before) const {
        for (const std::string& c : commParamCommands(core.settings)) {
            before.push_back(c);
        }
        before.emplace_back("G01");
        return before;
    }
    [[nodiscard]] std::string Stored() const {
        const auto& dat = core.capture.gbyteDat();
        return {dat.begin(), dat.begin() + core.capture.glngDatLen()};
    }

    CoreState core;
    FakeClock clock;
    RecordingObserver hooks;
    HostLog host;
    FakeLinkEnv env;
    FakePorts ports;
    RunController controller;
    CommLink link;
};

}  // namespace

TEST(RunControllerTest, AStartProbesSendsTheSettingsAndQueuesTheStartGreyingOutTheWaits) {
    Rig r;
    EXPECT_EQ(r.controller.start(), Outcome::Started);
    EXPECT_EQ(r.host.calls,
              (Calls{"wait", "begins", "confirm", "wait", "settings", "free", "prepare"}));
    r.env.RunUntil([&] { return r.core.run.gintRun == 1; });
    EXPECT_EQ(r.host.calls.back(), "accepted");
    EXPECT_EQ(r.ports.Commands(), r.Sequence({"L?"}));
    EXPECT_EQ(r.controller.state().phase(), Phase::Running);
}

TEST(RunControllerTest, NoUnitACancelledQuestionAndALostUnitDuringTheSettingsStartNothing) {
    {
        Rig r;
        r.ports.ports[5].unit = false;
        EXPECT_EQ(r.controller.start(), Outcome::NotFound);
        EXPECT_EQ(r.host.calls, (Calls{"wait", "begins", "absent ", "free"}));
    }
    {
        Rig r;
        r.host.confirm = false;
        EXPECT_EQ(r.controller.start(), Outcome::Cancelled);
        EXPECT_TRUE(r.link.isOpen()) << "the port stays open after a cancelled question";
        EXPECT_EQ(r.controller.state().phase(), Phase::Stopped);
    }
    {
        Rig r;
        r.env.LoseAt(120, [&] {
            r.link.onLinkLost();
            r.controller.linkLost();
        });
        EXPECT_EQ(r.controller.start(), Outcome::Failed);
        EXPECT_EQ(r.host.calls, (Calls{"wait", "begins", "confirm", "wait", "settings", "lost",
                                       "free", "abandoned"}));
        EXPECT_EQ(r.controller.state().phase(), Phase::Stopped);
    }
    for (const bool viaDialog : {false, true}) {
        SCOPED_TRACE(viaDialog ? "the parameter dialog" : "a start");
        Rig r;
        r.ports.ports[5].probeOnly = true;  // answers the probe, then nothing
        if (viaDialog) {
            EXPECT_FALSE(r.controller.applySettings());
            EXPECT_EQ(r.host.calls, (Calls{"wait", "wait", "free", "absent S0000"}));
        } else {
            EXPECT_EQ(r.controller.start(), Outcome::Failed);
            EXPECT_EQ(r.host.calls, (Calls{"wait", "begins", "confirm", "wait", "settings", "free",
                                           "absent S0000", "abandoned"}));
        }
        EXPECT_EQ(r.env.now, 55 + 50 + 800);  // the probe, then one command's time-out
        EXPECT_EQ(r.ports.Commands(), (Calls{"L?", "S0000", "G00"})) << "told to stop";
        EXPECT_FALSE(r.link.isOpen());
        EXPECT_EQ(r.controller.state().phase(), Phase::Stopped);
        EXPECT_TRUE(r.link.lstCommand.empty());
    }
}

// A unit that answers each command late, but inside its time-out, and a start pressed soon
// after a stop: the stop reaches the unit, the probe finds it, and the run starts again.
TEST(RunControllerTest, StopThenStartWithASlowUnitRunsAgainForEveryDelayAndGap) {
    for (const int delay : {0, 300, 500, 700}) {
        for (const int gap : {0, 100, 300}) {
            SCOPED_TRACE("reply delay " + std::to_string(delay) + " ms, gap " +
                         std::to_string(gap) + " ms");
            Rig r;
            r.ports.replyMs = delay;
            r.run();
            r.controller.stop();
            r.pass(gap);
            ASSERT_EQ(r.controller.start(), Outcome::Started);
            r.env.RunUntil([&] { return r.core.run.gintRun == 1; });
            EXPECT_EQ(r.controller.state().phase(), Phase::Running);
            EXPECT_EQ(r.ports.Commands(), r.Sequence({"G00", "G00", "G00", "L?"}));
        }
    }
}

// The answer to a command sent before the port was opened again arrives during the probe:
// the probe waits for its own reply instead of failing on the mixture.
TEST(RunControllerTest, ALateReplyDuringTheProbeIsDropped) {
    Rig r;
    r.env.Deliver(52, "OK\r");  // "L?" goes out at 50, its answer comes at 55
    EXPECT_EQ(r.link.PortOpen(), 0);
    EXPECT_EQ(r.link.gstrUnitVer, "123");
}

// What the unit sends between the stop command and its acknowledgement: dropped by the
// program's stop, stored by the stop that keeps records (line states, and a line-state byte
// that looks like the start of the reply, included).
TEST(RunControllerTest, AStopThatKeepsRecordsStoresEverythingUpToTheAcknowledgement) {
    const std::string beforeStop = "\x81\xC1\x43";
    const std::string afterStop = "\x82\xC2\x45\x83\xC3\x4F";
    const std::string lineTail(1, static_cast<char>(rec::kLineTail));
    for (const AfterStop mode : {AfterStop::Drop, AfterStop::Keep}) {
        Rig r(mode);
        r.ports.replyMs = 300;
        r.run();
        r.env.Deliver(r.env.now + 10, beforeStop);
        r.pass(20);
        r.controller.stop();
        r.env.Deliver(r.env.now + 100, afterStop.substr(0, 3));  // "G00" left at +50
        r.env.Deliver(r.env.now + 200, afterStop.substr(3));     // the unit answers at +350
        r.controller.awaitStopped();
        EXPECT_EQ(r.core.run.gintRun, 0);
        EXPECT_EQ(r.host.calls, Calls{"stopped"});
        EXPECT_EQ(r.ports.Commands(), (Calls{"G00", "G00", "G00"}));
        const std::string head = "\x81\xC1\x43" + lineTail;
        if (mode == AfterStop::Drop) {
            EXPECT_EQ(r.Stored(), head);
        } else {
            EXPECT_EQ(r.Stored(), head + "\x82\xC2\x45" + lineTail + "\x83\xC3\x4F" + lineTail);
        }
    }
}

TEST(RunControllerTest, ALostUnitEndsTheRunSoThatTheNextStartWorks) {
    Rig r;
    r.run();
    r.env.LoseAt(r.env.now + 10, [&] {
        r.link.onLinkLost();
        r.controller.linkLost();
    });
    r.env.RunUntil([&] { return !r.link.isOpen(); });
    EXPECT_EQ(r.core.run.gintRun, 0);
    EXPECT_EQ(r.controller.state().phase(), Phase::Stopped);
    EXPECT_EQ(r.host.calls, (Calls{"stopped lost", "lost"}));
    r.controller.stop();  // nothing left to stop
    EXPECT_EQ(r.host.calls.size(), 2U);
    EXPECT_EQ(r.controller.start(), Outcome::Started);
}
