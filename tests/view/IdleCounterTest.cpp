#include "view/IdleCounter.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ViewFakes.h"
#include "support/FakeClock.h"

namespace {

class IdleTickTest : public ::testing::Test {
  protected:
    IdleTickTest()
        : live(state.settings, state.run, state.capture, state.grid, cells, status, triggers),
          idle(state.settings, state.run, state.grid, cells, live, clock) {
        setGrid(state, cells, 20, 10);
        state.run.gintRun = 1;
        state.settings.gintIdleMode = 10;
        clock.SetTime(10, 0, 0);
        state.run.gsngIdleStart = clock.timer();
    }
    std::string Text(CellRow row, int32_t k) const { return TextAt(state, cells, row, k); }

    CoreState state;
    CellGrid cells;
    RecordingStatus status;
    RecordingObserver triggers;
    FakeClock clock;
    LiveRenderer live;
    IdleCounter idle;
};

TEST_F(IdleTickTest, FirstTickReservesTwoColumnsAndEveryTickUpdatesTheCount) {
    state.grid.lintPos = 5;
    clock.Advance(100);
    idle.tick();
    EXPECT_EQ(state.grid.lintPos, 7);
    EXPECT_EQ(state.run.gintIdleReq, -1);
    EXPECT_STREQ(state.run.gstrIdle, "000001");
    EXPECT_EQ(Text(CellRow::RD, 5), " ID");
    EXPECT_EQ(Text(CellRow::RD, 6), "LE ");
    EXPECT_EQ(cells.at(CellRow::SD, 6).back, state.settings.glngColIdle);

    clock.Advance(2240);
    idle.tick();
    EXPECT_EQ(state.grid.lintPos, 7);  // no new columns while the request is pending
    EXPECT_EQ(Text(CellRow::SD, 5), "000");
    EXPECT_EQ(Text(CellRow::SD, 6), "023");
    EXPECT_STREQ(state.run.gstrIdle, "000023");
}

TEST_F(IdleTickTest, GapAtTheLastCellKeepsOnlyTheSecondHalfInCellZero) {
    state.grid.lintPos = 199;
    clock.Advance(1234'500);  // 12345 units
    idle.tick();
    EXPECT_EQ(state.grid.lintPos, 1);
    EXPECT_EQ(Text(CellRow::RD, 0), "LE ");
    EXPECT_EQ(Text(CellRow::SD, 0), "345");
    EXPECT_EQ(cells.at(CellRow::RD, 0).back, state.settings.glngColIdle);
    EXPECT_EQ(cells.at(CellRow::RD, 199).text, CellText::kEmpty);  // the page was cleared
}

TEST_F(IdleTickTest, OneCellGridWritesNothingButStillRaisesTheRequest) {
    setGrid(state, cells, 1, 1);
    clock.Advance(500);
    idle.tick();
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_EQ(cells.at(CellRow::RD, 0).text, CellText::kEmpty);
    EXPECT_EQ(state.run.gintIdleReq, -1);
}

TEST_F(IdleTickTest, BackgroundMonitoringCountsWithoutDrawingAndStoppedDoesNothing) {
    state.run.gintRireki = 1;
    clock.Advance(700);
    idle.tick();
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_EQ(cells.at(CellRow::RD, 0).back, state.settings.glngColRD);
    EXPECT_STREQ(state.run.gstrIdle, "000007");
    EXPECT_EQ(state.run.gintIdleReq, -1);

    state.run.gintRun = 0;
    state.run.gintIdleReq = 0;
    idle.tick();
    EXPECT_EQ(state.run.gintIdleReq, 0);
}

}  // namespace
