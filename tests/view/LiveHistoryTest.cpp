// What the live view showed, the history after a stop and a resumed run agree: the same
// cells in the same places and the same line number, whatever the stored bytes hold besides
// the drawn records.
#include "LiveScenario.h"

namespace {

using LiveHistoryTest = LiveScenario;

// The blank cell of a row.
Cell blank(const Settings& s, CellRow row) {
    return {CellText::kEmpty, false, row == CellRow::RD ? s.glngColRD : s.glngColSD, 0};
}

TEST_F(LiveHistoryTest, LineNumberCountsTheCellsDrawnNotTheBytesStored) {
    // A line-state change before every third pair: bytes that fill no cell.
    Pairs(450, 0x41, 3);
    ASSERT_GT(state.capture.glngDatLen(), 450 * 2 + 100);
    EXPECT_EQ(state.grid.lintPos, 50);
    EXPECT_EQ(LinePanel(), "21行");  // the second page ended at word 400
    const auto live = Screen();

    Stop();
    EXPECT_EQ(state.capture.glngDispTop, 400);
    EXPECT_EQ(LinePanel(), "21行");
    EXPECT_EQ(Screen(), live);

    monitor.dispRirekiAt(0);  // browsing in between changes nothing
    Resume();
    EXPECT_EQ(Screen(), live);
    EXPECT_EQ(state.grid.lintPos, 50);
    EXPECT_EQ(LinePanel(), "21行");
    Pairs(150, 0x41, 3);
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_EQ(LinePanel(), "31行");
}

TEST_F(LiveHistoryTest, LineNumberFollowsTheWordsAFullBufferDrops) {
    state.capture.AllocBuffer(1);  // keeps 1000 bytes, drops 1000 at a time
    state.settings.gintScroll = 3;
    for (int i = 0; i < 30; ++i) {
        Pairs(97, 0x41, 5);
    }
    ASSERT_GT(state.capture.droppedWords(), 0);
    const std::string liveLine = LinePanel();
    const auto live = Screen();
    const int32_t livePos = state.grid.lintPos;
    Stop();
    EXPECT_EQ(LinePanel(), liveLine);
    EXPECT_EQ(Screen(), live);
    // The dropped words moved the screen's top off the start of a line: the resumed run
    // draws from the start of that line, and the live screen follows behind.
    const int32_t lead = state.capture.glngDispTop % 20;
    Resume();
    EXPECT_EQ(LinePanel(), liveLine);
    EXPECT_EQ(state.grid.lintPos, livePos + lead);
    for (int32_t k = 0; k < livePos; ++k) {
        ASSERT_EQ(monitor.cells().at(CellRow::RD, k + lead), live[static_cast<size_t>(k)]) << k;
    }
}

TEST_F(LiveHistoryTest, HistoryAfterAStopInABurstShowsTheLiveScreen) {
    monitor.mn_View_Idle_Scale_Click(2);
    monitor.mn_View_Time_Click();
    TimersStarted();
    for (int i = 0; i < 6; ++i) {
        Pairs(37 + i, static_cast<uint8_t>(0x41 + i), 4);
        Quiet(i % 2 == 0 ? 1200 : 250);  // idle marks, and time stamps after the long pauses
    }
    Pairs(23);
    const auto live = Screen();
    const std::string line = LinePanel();
    const int32_t livePos = state.grid.lintPos;
    Stop();
    EXPECT_EQ(Screen(), live);
    EXPECT_EQ(LinePanel(), line);
    EXPECT_EQ(state.capture.glngDispTop, state.capture.glngDispLen() - livePos);
}

TEST_F(LiveHistoryTest, HistoryAfterAStopInAPauseShowsTheLiveScreenWithoutTheUnstoredIdle) {
    monitor.mn_View_Idle_Scale_Click(2);
    monitor.mn_View_Time_Click();
    TimersStarted();
    Pairs(230);  // a full page, then the second one
    Quiet(1500);
    Pairs(25);
    Quiet(700);  // stopped in this pause: its idle record is never stored
    auto expected = Screen();
    const int32_t pos = state.grid.lintPos;
    ASSERT_EQ(Text(CellRow::RD, pos - 2), " ID");
    Stop();
    // Every stored record is where the live screen showed it; only the two idle columns of
    // the pause, which no data closed, are blank.
    for (const CellRow row : {CellRow::RD, CellRow::SD}) {
        for (const int32_t k : {pos - 2, pos - 1}) {
            expected[static_cast<size_t>((row == CellRow::SD ? 200 : 0) + k)] =
                blank(state.settings, row);
        }
    }
    EXPECT_EQ(Screen(), expected);
    EXPECT_EQ(Text(CellRow::RD, 30), " ID");  // the first pause, closed by data
    EXPECT_EQ(Text(CellRow::RD, 32), "TM");
}

TEST_F(LiveHistoryTest, PauseFromTheSecondLastCellClearsThePageAndTheHistoryFollows) {
    monitor.mn_View_Idle_Scale_Click(2);
    TimersStarted();
    Pairs(198);
    Quiet(450);  // the idle columns take cells 198 and 199: the page is full
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_EQ(monitor.cells().at(CellRow::RD, 0).text, CellText::kEmpty);
    Pairs(5, 0x61);
    EXPECT_EQ(Text(CellRow::RD, 0), "ａ");
    EXPECT_EQ(LinePanel(), "11行");
    const auto live = Screen();
    Stop();
    EXPECT_EQ(Screen(), live);
    EXPECT_EQ(LinePanel(), "11行");
    EXPECT_EQ(state.capture.glngDispTop, 200);
}

TEST_F(LiveHistoryTest, RecordSplitByAPageClearStartsTheHistoryWithItsSecondColumn) {
    monitor.mn_View_Time_Click();
    monitor.mn_View_Idle_Scale_Click(3);  // 10 ms
    TimersStarted();
    clock.SetTime(12, 34, 55);
    Pairs(199);
    Quiet(1001);  // idle columns in 199 and, after the page clear, in 0
    Pairs(3);     // then the time stamp and the data
    ASSERT_EQ(Text(CellRow::RD, 0), "LE ");
    ASSERT_EQ(Text(CellRow::SD, 0), "100");
    ASSERT_EQ(Text(CellRow::RD, 1), "TM");
    const auto live = Screen();
    Stop();
    EXPECT_EQ(Screen(), live);
    Resume();
    EXPECT_EQ(Screen(), live);
    EXPECT_EQ(state.grid.lintPos, 6);

    // The same for a time stamp split by the next page.
    monitor.mn_View_Idle_Scale_Click(0);
    Pairs(193);
    Quiet(1000);
    Pairs(2, 0x61);
    ASSERT_EQ(Text(CellRow::RD, 0), "ST");
    const auto second = Screen();
    Stop();
    EXPECT_EQ(Screen(), second);
    EXPECT_EQ(LinePanel(), "21行");
    // Moved away and back, the top is still the record's second word.
    monitor.dispRirekiAt(0);
    monitor.dispRirekiAt(400);
    EXPECT_EQ(Screen(), second);
}

TEST_F(LiveHistoryTest, IdleTickWithAScrollStepMarksTheColumnsThatMovedUp) {
    state.settings.gintScroll = 2;
    monitor.mn_View_Idle_Scale_Click(2);
    TimersStarted();
    Pairs(199);
    Quiet(230);  // the first column takes cell 199, the screen scrolls, the second follows
    EXPECT_EQ(state.grid.lintPos, 161);
    EXPECT_EQ(Text(CellRow::RD, 159), " ID");
    EXPECT_EQ(Text(CellRow::RD, 160), "LE ");
    EXPECT_EQ(Text(CellRow::SD, 160), "002");
    EXPECT_EQ(monitor.cells().at(CellRow::SD, 159).back, state.settings.glngColIdle);
    EXPECT_EQ(LinePanel(), "3行");
    Pairs(4, 0x61);
    EXPECT_EQ(Text(CellRow::RD, 161), "ａ");
    const auto live = Screen();
    Stop();
    EXPECT_EQ(Screen(), live);
    EXPECT_EQ(LinePanel(), "3行");
}

TEST_F(LiveHistoryTest, LiveViewRestartedDuringAPauseShowsTheIdleItWillStore) {
    monitor.mn_View_Idle_Scale_Click(2);
    TimersStarted();
    Pairs(10);
    state.run.gintRireki = 1;  // background monitoring while the pause begins
    Quiet(300);
    ASSERT_EQ(state.run.gintIdleReq, -1);
    state.run.gintRireki = 0;  // and off again: the live view restarts on an empty screen
    monitor.ClearDisp();
    EXPECT_EQ(Text(CellRow::RD, 0), " ID");
    EXPECT_EQ(Text(CellRow::SD, 1), "003");
    Pairs(3, 0x61);
    EXPECT_EQ(Text(CellRow::RD, 2), "ａ");
    const auto live = Screen();
    Stop();
    EXPECT_EQ(Screen(), live);
    EXPECT_EQ(state.capture.glngDispTop, 10);
}

}  // namespace
