// The idle and time-stamp display with the real decoder: the window's timers raise requests,
// the decoder stores the records and draws through the window.
#include <gtest/gtest.h>

#include <QTimer>
#include <vector>

#include "ViewFakes.h"
#include "link/Decoder.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "view/frmMonitor.h"

namespace {

struct QuietLink final : RunControl, LineIndicators, LineTriggers, CommandSink {
    void RunStop() override {}
    void MenuEnable() override {}
    void AutoSaveFlush() override {}
    void SetLineLamp(int, bool) override {}
    void TrigCheckLine(int, int) override {}
    void QueueCommand(const std::string&) override {}
    void EnableSend() override {}
};

class IdleStampScenarioTest : public ::testing::Test {
  protected:
    IdleStampScenarioTest()
        : monitor(state, clock, status, triggers),
          decoder(state.run, state.capture, state.settings,
                  DecoderHooks{monitor, link, link, link, monitor, link, prompts, clock}) {
        state.capture.AllocBuffer(10);
        state.grid = {20, 10, 200, 0, 1};
        monitor.timResize_Timer();
        state.run.gintRun = 1;
        clock.SetTime(9, 30, 0);
        state.run.gsngIdleStart = clock.Timer();
    }
    // One batch holding one RD data pair.
    void Batch(uint8_t v) {
        const auto [a, b] = Pair(v, false);
        const uint8_t bytes[] = {a, b};
        decoder.OnReceive(bytes, sizeof bytes);
    }
    std::vector<uint8_t> Stored() const {
        const auto& c = state.capture;
        return {c.gbyteDat().begin(), c.gbyteDat().begin() + c.glngDatLen()};
    }
    std::string Text(CellRow row, int32_t k) const {
        return TextAt(state, monitor.Cells(), row, k);
    }
    QTimer* Timer(const char* name) {
        return monitor.findChild<QTimer*>(QString::fromLatin1(name));
    }

    CoreState state;
    FakeClock clock;
    RecordingStatus status;
    RecordingTriggers triggers;
    QuietLink link;
    ScriptedPrompts prompts;
    frmMonitor monitor;
    Decoder decoder;
};

TEST_F(IdleStampScenarioTest, IdleGapIsShownLiveAndStoredBeforeTheNextData) {
    monitor.mn_View_Idle_Scale_Click(2);  // 100 ms
    Batch(0x41);
    EXPECT_TRUE(Timer("timIdle")->isActive());  // restarted by the batch
    EXPECT_EQ(Timer("timIdle")->interval(), 100);
    for (int tick = 0; tick < 23; ++tick) {  // one tick per 100 ms of quiet
        clock.Advance(100);
        monitor.timIdle_Timer();
    }
    clock.Advance(40);  // the data arrives 2.34 s after the last
    EXPECT_EQ(Text(CellRow::RD, 1), " ID");
    EXPECT_EQ(Text(CellRow::RD, 2), "LE ");
    EXPECT_EQ(Text(CellRow::SD, 1), "000");
    EXPECT_EQ(Text(CellRow::SD, 2), "023");
    Batch(0x42);
    EXPECT_EQ(Text(CellRow::RD, 3), "Ｂ");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 8U);
    EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 2, stored.begin() + 6),
              (std::vector<uint8_t>{0x20, 0, 0, 23}));
    EXPECT_EQ(state.run.gintIdleReq, 0);
}

TEST_F(IdleStampScenarioTest, GapShorterThanTheUnitStoresNothing) {
    monitor.mn_View_Idle_Scale_Click(1);  // 1 s
    Batch(0x41);
    EXPECT_EQ(Timer("timIdle")->interval(), 1000);
    clock.Advance(800);  // the timer has not ticked yet
    Batch(0x42);
    EXPECT_EQ(Stored().size(), 4U);
    EXPECT_EQ(Text(CellRow::RD, 1), "Ｂ");
}

TEST_F(IdleStampScenarioTest, TimeStampOnlyAfterAPauseOfOneSecond) {
    monitor.mn_View_Time_Click();
    for (int i = 0; i < 5; ++i) {  // batches less than a second apart
        Batch(0x41);
        EXPECT_TRUE(Timer("timStamp")->isActive());
        clock.Advance(600);
    }
    EXPECT_EQ(Stored().size(), 10U);

    clock.SetTime(12, 34, 56);
    monitor.timStamp_Timer();  // a full second without any byte
    Batch(0x42);
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 16U);
    EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 10, stored.begin() + 14),
              (std::vector<uint8_t>{0x30, 12, 34, 56}));
    EXPECT_EQ(Text(CellRow::RD, 5), "TM");
    EXPECT_EQ(Text(CellRow::SD, 5), "123");
    EXPECT_EQ(Text(CellRow::RD, 6), "ST");
    EXPECT_EQ(Text(CellRow::SD, 6), "456");
    EXPECT_EQ(Text(CellRow::RD, 7), "Ｂ");
}

TEST_F(IdleStampScenarioTest, IdleDisabledNeverStartsTheTimer) {
    Batch(0x41);
    EXPECT_FALSE(Timer("timIdle")->isActive());
    monitor.mn_View_Idle_Scale_Click(1);
    monitor.mn_View_Idle_Scale_Click(0);
    Batch(0x42);
    EXPECT_FALSE(Timer("timIdle")->isActive());
}

}  // namespace
