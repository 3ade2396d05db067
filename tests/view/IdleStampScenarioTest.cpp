// The idle and time-stamp display with the real decoder: the window's timers raise requests,
// the decoder stores the records and draws through the window.
#include "LiveScenario.h"

namespace {

using IdleStampScenarioTest = LiveScenario;

TEST_F(IdleStampScenarioTest, IdleGapIsShownLiveAndStoredBeforeTheNextData) {
    monitor.mn_View_Idle_Scale_Click(2);  // 100 ms
    TimersStarted();
    Pairs(1);
    EXPECT_TRUE(timer("timIdle")->isActive());  // restarted by the batch
    EXPECT_EQ(timer("timIdle")->interval(), 100);
    Quiet(2340);  // the data arrives 2.34 s after the last
    EXPECT_EQ(Text(CellRow::RD, 1), " ID");
    EXPECT_EQ(Text(CellRow::RD, 2), "LE ");
    EXPECT_EQ(Text(CellRow::SD, 1), "000");
    EXPECT_EQ(Text(CellRow::SD, 2), "023");
    Pairs(1, 0x42);
    EXPECT_EQ(Text(CellRow::RD, 3), "Ｂ");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 8U);
    EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 2, stored.begin() + 6),
              (std::vector<uint8_t>{0x20, 0, 0, 23}));
    EXPECT_EQ(state.run.gintIdleReq, 0);
}

TEST_F(IdleStampScenarioTest, GapShorterThanTheUnitStoresNothing) {
    monitor.mn_View_Idle_Scale_Click(1);  // 1 s
    TimersStarted();
    Pairs(1);
    EXPECT_EQ(timer("timIdle")->interval(), 1000);
    Quiet(800);
    Pairs(1, 0x42);
    EXPECT_EQ(Stored().size(), 4U);
    EXPECT_EQ(Text(CellRow::RD, 1), "Ｂ");
    // A gap of a whole unit does store one.
    Quiet(1000);
    Pairs(1, 0x43);
    EXPECT_EQ(Stored().size(), 10U);
    EXPECT_EQ(Text(CellRow::RD, 4), "Ｃ");
}

TEST_F(IdleStampScenarioTest, TimeStampOnlyAfterAPauseOfOneSecond) {
    monitor.mn_View_Time_Click();
    TimersStarted();
    for (int i = 0; i < 5; ++i) {  // batches less than a second apart
        Pairs(1);
        EXPECT_TRUE(timer("timStamp")->isActive());
        Quiet(999);
    }
    EXPECT_EQ(Stored().size(), 10U);

    clock.SetTime(12, 34, 55, 1);
    Quiet(1000);  // a full second without any byte
    Pairs(1, 0x42);
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
    Pairs(1);
    EXPECT_FALSE(timer("timIdle")->isActive());
    monitor.mn_View_Idle_Scale_Click(1);
    monitor.mn_View_Idle_Scale_Click(0);
    Pairs(1, 0x42);
    EXPECT_FALSE(timer("timIdle")->isActive());
}

}  // namespace
