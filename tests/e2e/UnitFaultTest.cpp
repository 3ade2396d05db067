// A unit that misbehaves: it disappears mid-run, sends bytes that are no capture stream,
// or stops answering while it is given the line settings. The program keeps what it
// captured, stores only whole records, stays responsive and can always be stopped and
// closed. (A unit that never answers the probe, and one lost while it takes the settings,
// are main window tests in tests/app.)
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "e2e/StoredRecords.h"
#include "link/frmComm.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"

namespace {

using Kind = StoredRecord::Kind;

const char* const kNotConnected = "Vexlo が接続されていません";
const char* const kExitQuestion = "Vexloを終了しますか？";
const char* const kTitleStopped = "Vexlo 【モニタ停止中】";

// The messages whose first line is text (the not-connected message adds the ports it tried).
int StartingWith(const std::vector<std::string>& asked, const std::string& text) {
    return static_cast<int>(std::count_if(
        asked.begin(), asked.end(), [&](const std::string& a) { return a.rfind(text, 0) == 0; }));
}

}  // namespace

using UnitFaultTest = LiveRunTest;

TEST_F(UnitFaultTest, UnitKilledMidRunEndsTheRunKeepsTheCaptureAndTheNextStartProbesAgain) {
    WriteSettings("[Comm_Inf]\nSpeed=115200\nDataLength=1\n");
    StartUnit({"--scenario", "flood"});
    ShowWindow();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunUntil([this] { return ctx.core.capture.glngDatLen() > 20000; }, 3000));

    // How soon the port closes and what the dead port costs afterwards are measured by
    // bench/measure-live.sh.
    const CommLink& comm = window->link().comm();
    unit->kill();
    ASSERT_TRUE(RunUntil([&] { return !comm.isOpen(); }, 2000));
    const int32_t kept = ctx.core.capture.glngDatLen();
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(StartingWith(AskedTexts(), kNotConnected), 1);
    EXPECT_EQ(ctx.core.capture.glngDatLen(), kept);

    // The loss ends the run as a stop does.
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    EXPECT_TRUE(window->windowTitle().startsWith(kTitleStopped));
    EXPECT_TRUE(window->menus().item("mn_Run_Start")->isEnabled());
    EXPECT_FALSE(window->menus().item("mn_Run_Stop")->isEnabled());
    const StoredRecords parsed = ParseStored(Stored());
    EXPECT_EQ(parsed.fault, "");
    EXPECT_EQ(parsed.Count(Kind::Pair), static_cast<size_t>(kept) / 2);
    EXPECT_EQ(ctx.core.capture.glngDispLen(), kept / 2);

    window->RunStop();  // nothing left to stop
    EXPECT_EQ(ctx.core.capture.glngDatLen(), kept);
    EXPECT_EQ(window->RunStart(), -1);  // F5 probes again; the unit is gone
    EXPECT_EQ(StartingWith(AskedTexts(), kNotConnected), 2);
}

TEST_F(UnitFaultTest, RandomBytesStoreOnlyWholeRecords) {
    // Idle records every 10 ms of silence and time stamps mix the program's own records into
    // the garbage.
    WriteSettings(
        "[Comm_Inf]\nSpeed=115200\nDataLength=1\n[Mode_Inf]\nIdleMode=100\n"
        "TimeStamp=1\nLineState=1\n");
    StartUnit({"--scenario", "garbage", "--duration", "1.5"});
    ShowWindow();
    ASSERT_TRUE(Start());
    RunThenQuiet(1500);
    const std::string stored = Stored();
    Stop();

    EXPECT_EQ(stored.size() % 2, 0U);
    const StoredRecords parsed = ParseStored(stored);
    EXPECT_EQ(parsed.fault, "");
    EXPECT_GT(parsed.Count(Kind::Pair), 100U);
    EXPECT_GT(parsed.Count(Kind::Line), 10U);
    EXPECT_GT(parsed.Count(Kind::Idle), 0U);
    // The history holds one word per pair and two per idle or time-stamp record.
    EXPECT_EQ(ctx.core.capture.glngDispLen(),
              static_cast<int32_t>(parsed.Count(Kind::Pair) +
                                   2 * (parsed.Count(Kind::Idle) + parsed.Count(Kind::Stamp))));
    EXPECT_EQ(Stored(), stored);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(UnitFaultTest, UnitSilentDuringTheSettingsKeepsTheStartWaitingUntilClosed) {
    WriteSettings("");
    StartUnit({"--scenario", "chat"});
    ShowWindow();
    bool silenced = false;
    bool stillWaiting = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        frmComm& link = window->link();
        if (!silenced && link.waiting() && link.comm().decoder().lintProbe == 0) {
            unit->suspend();  // the probe was answered; the line settings will not be
            silenced = true;
            QTimer::singleShot(300, window.get(), [&] {
                stillWaiting = window->link().waiting() && ctx.core.run.gintSending == 1;
                window->close();
            });
        }
    });
    poll.start(1);
    EXPECT_EQ(window->RunStart(), -1);
    poll.stop();
    EXPECT_TRUE(silenced);
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_TRUE(RunUntil([this] { return window->shutdownDone(); }, 3000));
    EXPECT_EQ(Asked(kExitQuestion), 1);
    EXPECT_EQ(StartingWith(AskedTexts(), kNotConnected), 0)
        << "a closing program does not report the unit missing";
    EXPECT_FALSE(window->isVisible());
}
