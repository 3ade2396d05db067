#include "app/CoreState.h"
#include "link/CommLink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/FakeLink.h"
#include "support/FakeClock.h"
#include "support/RecordingObserver.h"

namespace {

using Status = PortOpenResult::Status;
using Commands = std::vector<std::string>;

class CommLinkTest : public ::testing::Test {
  protected:
    CommLinkTest()
        : ports(env),
          link(LinkState{core.settings, core.run, core.capture}, clock, hooks,
               DecoderObservers{&hooks}, LinkDevices{ports, env, env}) {
        env.link = &link;
        core.capture.AllocBuffer(4);
    }

    // Opens the link on a unit on port n and lets the sender settle.
    void OpenOn(int n) {
        ports.Unit(n);
        core.settings.gintPortAuto = 0;
        core.settings.gintPortNo = static_cast<int16_t>(n);
        ASSERT_EQ(link.PortOpen(), 0);
        env.RunUntil([&] { return core.run.gintSending == 0; });
        ports.writes.clear();
    }

    CoreState core;
    FakeClock clock;
    RecordingObserver hooks;
    FakeLinkEnv env;
    FakePorts ports;
    CommLink link;
};

}  // namespace

TEST_F(CommLinkTest, AutomaticSearchFindsTheUnitOnTheLastUsedPortFirst) {
    ports.Unit(3).probeReply = "L1A7\r";
    core.settings.gintPortNo = 3;
    EXPECT_EQ(link.PortOpen(), 0);
    EXPECT_EQ(ports.opens, (std::vector<int>{3}));
    EXPECT_EQ(link.gstrUnitVer, "1A7");
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(ports.Commands(), Commands{"L?"});
    EXPECT_EQ(env.now, 50 + 5);  // sent by the sender 50 ms after queueing, answered 5 ms later
    EXPECT_EQ(link.decoder().lintProbe, 0);
    EXPECT_TRUE(link.decoder().lstrRecv.empty());
}

TEST_F(CommLinkTest, AutomaticSearchScansFromPortOneAndRemembersWhereTheUnitWas) {
    ports.ports[1].open = Status::NoSuchPort;  // fails at once, costs no time
    ports.ports[2];                            // a port without a unit
    ports.ports[3];
    ports.ports[4].open = Status::Busy;
    ports.Unit(5);
    core.settings.gintPortNo = 3;
    EXPECT_EQ(link.PortOpen(), 0);
    EXPECT_EQ(ports.opens, (std::vector<int>{3, 1, 2, 3, 4, 5}));
    EXPECT_EQ(core.settings.gintPortNo, 5);
    EXPECT_EQ(env.now, 3 * 800 + 55);  // three time-outs, then the answer on port 5
    EXPECT_EQ(link.gstrUnitVer, "123");
    // The commands of the silent ports did not follow the link to the unit's port.
    EXPECT_EQ(ports.Commands(), (Commands{"L?", "L?", "L?", "L?"}));
}

TEST_F(CommLinkTest, FixedPortWithoutUnitFailsAfterOneTimeOut) {
    ports.Unit(5);  // not looked for: the port is fixed
    ports.ports[3];
    core.settings.gintPortAuto = 0;
    core.settings.gintPortNo = 3;
    EXPECT_EQ(link.PortOpen(), -1);
    EXPECT_EQ(ports.opens, (std::vector<int>{3}));
    EXPECT_EQ(env.now, 800);
    EXPECT_EQ(core.settings.gintPortNo, 3);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.decoder().lintProbe, 0);
    ASSERT_EQ(link.report().tried.size(), 1u);
    EXPECT_EQ(link.report().tried[0].result.status, Status::Opened);  // opened, no answer
    EXPECT_TRUE(link.report().tried[0].result.holder.empty());
    ports.ports[3].sharers = "cat (pid 77)";  // which may have read the reply
    EXPECT_EQ(link.PortOpen(), -1);
    ASSERT_NE(link.report().first(Status::Opened, true), nullptr);
    EXPECT_EQ(link.report().first(Status::Opened, true)->result.holder, "cat (pid 77)");
}

TEST_F(CommLinkTest, SearchWithoutAnyUnitTriesEveryPortAndKeepsThePortNumber) {
    for (int n = 1; n <= 16; ++n) {
        ports.ports[n];
    }
    core.settings.gintPortNo = 7;
    EXPECT_EQ(link.PortOpen(), -1);
    EXPECT_EQ(ports.opens.size(), 17u);
    EXPECT_EQ(env.now, 17 * 800);
    EXPECT_EQ(core.settings.gintPortNo, 7);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(CommLinkTest, ProbeRepliesOfTheWrongShapeNeverMatch) {
    for (const char* reply : {"L12\r", "L1234\r", "OK\r", "X123\r"}) {
        SCOPED_TRACE(reply);
        ports.opens.clear();
        ports.Unit(3).probeReply = reply;
        core.settings.gintPortAuto = 0;
        core.settings.gintPortNo = 3;
        const int64_t start = env.now;
        EXPECT_EQ(link.PortOpen(), -1);
        EXPECT_EQ(env.now - start, 800);
        EXPECT_TRUE(link.gstrUnitVer.empty());
    }
}

TEST_F(CommLinkTest, EachProbeGetsItsFullTimeOut) {
    ports.Unit(3);
    core.settings.gintPortAuto = 0;
    core.settings.gintPortNo = 3;
    ASSERT_EQ(link.PortOpen(), 0);
    ports.ports[3].mute = true;  // a second open shortly after: the unit has gone quiet
    link.PortClose();
    const int64_t start = env.now;
    EXPECT_EQ(link.PortOpen(), -1);
    EXPECT_EQ(env.now - start, 800);
}

TEST_F(CommLinkTest, EachPortTriedIsReportedWithWhatItsOpenFound) {
    ports.ports[1];
    ports.ports[2].open = Status::NoPermission;
    ports.ports[3].open = Status::Busy;
    ports.ports[3].holder = "minicom (pid 42)";
    ports.ports[9].open = Status::NoPermission;
    core.settings.gintPortNo = 0;
    EXPECT_EQ(link.PortOpen(), -1);
    const PortReport& report = link.report();
    ASSERT_EQ(report.tried.size(), 16u);
    ASSERT_NE(report.first(Status::NoPermission), nullptr);
    EXPECT_EQ(PortReport::where(*report.first(Status::NoPermission)), "/dev/fake2");
    ASSERT_NE(report.first(Status::Busy), nullptr);
    EXPECT_EQ(report.first(Status::Busy)->n, 3);
    EXPECT_EQ(report.first(Status::Busy)->result.holder, "minicom (pid 42)");
    EXPECT_EQ(report.first(Status::NoSuchPort)->n, 4);
    EXPECT_EQ(PortReport::where({7, {}}), "COM7");  // a port whose device is not known
    EXPECT_TRUE(report.unanswered.empty());
    // Each open starts afresh.
    ports.ports[2].open = Status::Opened;
    ports.ports[3].open = Status::Opened;
    ports.ports[9].open = Status::Opened;
    EXPECT_EQ(link.PortOpen(), -1);
    EXPECT_EQ(link.report().first(Status::NoPermission), nullptr);
    EXPECT_EQ(link.report().first(Status::Busy), nullptr);
}

TEST_F(CommLinkTest, QueuedCommandsLeaveOneAtATime50MsAfterEachReply) {
    OpenOn(2);
    ports.replyMs = 30;
    const int64_t start = env.now;
    for (int i = 0; i < 3; ++i) {
        link.queueCommand("G00");
    }
    EXPECT_EQ(link.lstCommand.size(), 3u);
    env.RunUntil([&] { return link.lstCommand.empty() && core.run.gintSending == 0; });
    ASSERT_EQ(ports.writes.size(), 3u);
    EXPECT_EQ(ports.writes[0].first, start + 50);
    EXPECT_EQ(ports.writes[1].first, ports.writes[0].first + 30 + 50);
    EXPECT_EQ(ports.writes[2].first, ports.writes[1].first + 30 + 50);
    EXPECT_EQ(env.now, ports.writes[2].first + 30 + 50);  // the sender found the queue empty
    EXPECT_EQ(ports.Commands(), (Commands{"G00", "G00", "G00"}));
}

TEST_F(CommLinkTest, UnansweredCommandHoldsTheQueueUntilThePortCloses) {
    OpenOn(2);
    ports.ports[2].mute = true;
    link.queueCommand("G00");
    link.queueCommand("G00");
    env.CloseAt(env.now + 5000);
    env.RunUntil([] { return false; });
    EXPECT_EQ(ports.Commands(), Commands{"G00"});
    EXPECT_EQ(core.run.gintSending, 1);
    link.PortClose();
    EXPECT_TRUE(link.lstCommand.empty());
    EXPECT_EQ(core.run.gintSending, 0);
    // The stale command does not go out ahead of the next probe.
    ports.ports[2].mute = false;
    ports.writes.clear();
    env.programClosing = false;
    EXPECT_EQ(link.PortOpen(), 0);
    EXPECT_EQ(ports.Commands(), Commands{"L?"});
}

TEST_F(CommLinkTest, AStopStillQueuedIsWrittenBeforeThePortCloses) {
    OpenOn(2);
    link.queueCommand("S0000");
    link.PortClose();
    EXPECT_TRUE(ports.writes.empty()) << "other commands are forgotten";

    OpenOn(2);
    for (int i = 0; i < 3; ++i) {
        link.queueCommand("G00");
    }
    link.PortClose();  // before the sender's 50 ms
    EXPECT_EQ(ports.Commands(), Commands{"G00"});
    EXPECT_TRUE(link.lstCommand.empty());
}

TEST_F(CommLinkTest, SendQueuedReturnsOnceEveryQueuedCommandIsAnswered) {
    OpenOn(2);
    ports.replyMs = 30;
    const int64_t start = env.now;
    for (int i = 0; i < 3; ++i) {
        link.queueCommand("G00");
    }
    link.sendQueued();
    EXPECT_EQ(ports.Commands(), (Commands{"G00", "G00", "G00"}));
    EXPECT_EQ(env.now, start + 3 * (50 + 30) + 50);
    EXPECT_EQ(core.run.gintSending, 0);
    EXPECT_FALSE(link.waiting());

    // Nothing queued: no wait at all.
    const int waits = env.waits;
    link.sendQueued();
    EXPECT_EQ(env.waits, waits);
}

TEST_F(CommLinkTest, SendQueuedGivesUpOnAUnitThatDoesNotAnswerAfterOneProbeTimeOut) {
    OpenOn(2);
    ports.ports[2].mute = true;
    const int64_t start = env.now;
    link.queueCommand("G00");
    link.queueCommand("G00");
    link.sendQueued();
    EXPECT_EQ(env.now, start + 50 + 800) << "the time-out counts from the command's sending";
    EXPECT_EQ(ports.Commands(), Commands{"G00"});
    // The next probe has its own full time-out.
    ports.ports[2].mute = false;
    EXPECT_EQ(link.PortOpen(), 0);
}

TEST_F(CommLinkTest, ACancelledStartIsNeitherSentNorJudged) {
    OpenOn(1);
    link.queueCommand("G01");
    link.cancelStart();
    EXPECT_TRUE(link.lstCommand.empty());

    // Sent already: its "OK" does not start a run.
    link.queueCommand("G01");
    env.RunUntil([&] { return core.run.gintStartTry == 1; });
    link.cancelStart();
    env.RunUntil([&] { return core.run.gintSending == 0; });
    EXPECT_EQ(core.run.gintRun, 0);
    EXPECT_EQ(hooks.Count("accepted"), 0);
    EXPECT_EQ(ports.Commands(), Commands{"G01"});
}

TEST_F(CommLinkTest, StartCommandCountsTriesAndForgetsTheLineState) {
    OpenOn(1);
    link.decoder().lbyteLine = 0x45;
    link.queueCommand("G01");
    env.RunUntil([&] { return ports.writes.size() == 1; });
    EXPECT_EQ(core.run.gintStartTry, 1);
    EXPECT_EQ(link.decoder().lbyteLine, 0);
    // The unit's "OK" reaches the decoder, which starts the run; capture data follows.
    env.RunUntil([&] { return core.run.gintRun == 1; });
    EXPECT_EQ(core.run.gintStartTry, 0);
    EXPECT_EQ(hooks.Count("accepted"), 1);
    env.Deliver(env.now + 1, std::string("\x85\xC3\x41", 3));
    env.RunUntil([&] { return core.capture.glngDatLen() == 4; });
    EXPECT_EQ(hooks.Count("disp"), 1);
}

TEST_F(CommLinkTest, ClosingThePortForgetsAnUnansweredStart) {
    OpenOn(1);
    ports.ports[1].mute = true;
    link.queueCommand("G01");
    env.RunUntil([&] { return core.run.gintStartTry == 1; });
    link.PortClose();
    ports.ports[1].mute = false;
    ASSERT_EQ(link.PortOpen(), 0);
    // Replies on the new connection are not taken for refused starts.
    env.RunUntil([&] { return core.run.gintSending == 0; });
    EXPECT_EQ(ports.Commands(), (Commands{"G01", "L?"}));
    EXPECT_TRUE(link.lstCommand.empty());
}

TEST_F(CommLinkTest, SendCommParamSendsTheFourSettingsAndReturnsWhenAllAreAnswered) {
    OpenOn(4);
    core.settings.gintLineType = 1;
    core.settings.glngSpeed = 19200;
    core.settings.gintDataLen = 0;
    core.settings.gintParity = 2;
    core.settings.gintStopBit = 2;
    ports.replyMs = 20;
    const int64_t start = env.now;
    EXPECT_EQ(link.SendCommParam(), 0);
    EXPECT_EQ(ports.Commands(), (Commands{"S0001", "S0108", "S020A", "S0331"}));
    EXPECT_EQ(hooks.With("status "), Commands{"19200,E,7,2"});
    EXPECT_EQ(core.run.gintSending, 0);
    EXPECT_EQ(env.now, start + 4 * (50 + 20) + 50);
    for (size_t i = 1; i < ports.writes.size(); ++i) {
        EXPECT_EQ(ports.writes[i].first, ports.writes[i - 1].first + 70);
    }
    EXPECT_FALSE(link.waiting());
}

TEST_F(CommLinkTest, SendCommParamWaitEndsWhenTheProgramCloses) {
    OpenOn(4);
    ports.ports[4].mute = true;
    env.CloseAt(env.now + 300);
    EXPECT_EQ(link.SendCommParam(), -1);
    EXPECT_EQ(ports.Commands(), Commands{"S0000"});
    EXPECT_EQ(core.run.gintSending, 1);
    EXPECT_FALSE(link.waiting());
    EXPECT_TRUE(link.report().unanswered.empty());  // the program ended it, not the unit
}

TEST_F(CommLinkTest, SendCommParamGivesEachCommandTheProbeTimeOut) {
    // Answers the probe and nothing after: the replies go elsewhere (another program that
    // reads the port), or the unit has hung.
    ports.Unit(4).probeOnly = true;
    ports.ports[4].sharers = "cat (pid 77)";
    core.settings.gintPortAuto = 0;
    core.settings.gintPortNo = 4;
    ASSERT_EQ(link.PortOpen(), 0);
    const int64_t start = env.now;
    EXPECT_EQ(link.SendCommParam(), -1);
    EXPECT_EQ(env.now, start + 50 + 800);  // sent after 50 ms, then the time-out
    EXPECT_EQ(link.report().unanswered, "S0000");
    EXPECT_EQ(link.report().sharers, "cat (pid 77)");
    EXPECT_FALSE(link.waiting());

    // A unit that takes most of the time-out for each answer is slow, not gone.
    ports.ports[4].probeOnly = false;
    ports.replyMs = 700;
    link.PortClose();
    ASSERT_EQ(link.PortOpen(), 0);
    EXPECT_EQ(link.SendCommParam(), 0);
    EXPECT_TRUE(link.report().unanswered.empty());
}

TEST_F(CommLinkTest, SendCommParamWaitEndsWhenTheUnitIsLost) {
    OpenOn(4);
    ports.ports[4].mute = true;
    env.LoseAt(env.now + 200, [&] {
        ports.close();
        link.onLinkLost();
    });
    EXPECT_EQ(link.SendCommParam(), -1);
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(link.lstCommand.empty());
    EXPECT_EQ(core.run.gintSending, 0);
}

TEST_F(CommLinkTest, SendCommParamOnAClosedPortFailsAtOnce) {
    EXPECT_EQ(link.SendCommParam(), -1);
    EXPECT_TRUE(ports.writes.empty());
    EXPECT_EQ(env.waits, 0);
    EXPECT_EQ(hooks.With("status "), Commands{"9600,N,7,1"});  // the default speed 0 became 9600
    EXPECT_EQ(core.settings.glngSpeed, 9600);
}

TEST_F(CommLinkTest, ClosingEndsTheSearchAtTheCurrentProbe) {
    for (int n = 1; n <= 16; ++n) {
        ports.ports[n];
    }
    env.CloseAt(1000);  // during the probe of port 2
    EXPECT_EQ(link.PortOpen(), -1);
    EXPECT_EQ(ports.opens, (std::vector<int>{1, 2}));
    EXPECT_EQ(env.now, 1000);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(CommLinkTest, LossDuringTheProbeEndsItAtOnce) {
    ports.Unit(6).mute = true;
    core.settings.gintPortAuto = 0;
    core.settings.gintPortNo = 6;
    env.LoseAt(300, [&] {
        ports.close();
        link.onLinkLost();
    });
    EXPECT_EQ(link.PortOpen(), -1);
    EXPECT_EQ(env.now, 300);
    EXPECT_EQ(link.decoder().lintProbe, 0);
}
