#include "view/LiveRenderer.h"

#include <gtest/gtest.h>

#include "ViewFakes.h"

namespace {

class LiveRendererTest : public ::testing::Test {
  protected:
    LiveRendererTest()
        : live(state.settings, state.run, state.capture, state.grid, cells, status, triggers) {
        setGrid(state, cells, 20, 10);
    }

    void Disp(uint8_t v, bool sd, bool parity = false, bool framing = false) {
        const auto [a, b] = Pair(v, sd, parity, framing);
        live.DispMonitor(a, b);
    }
    std::string Text(CellRow row, int32_t k) const { return TextAt(state, cells, row, k); }
    // Enough frames for the status bar to show a changed line number.
    void frames(int n = LiveRenderer::kLineFrames) {
        for (int i = 0; i < n; ++i) {
            live.showLine();
        }
    }
    int32_t Back(CellRow row, int32_t k) const { return cells.at(row, k).back; }

    CoreState state;
    CellGrid cells;
    RecordingStatus status;
    RecordingObserver triggers;
    LiveRenderer live;
};

TEST_F(LiveRendererTest, DataFillsItsDirectionsRowAndFeedsTheTriggers) {
    Disp(0x41, false);
    Disp(0x0D, true);
    EXPECT_EQ(Text(CellRow::RD, 0), "Ａ");
    EXPECT_EQ(Text(CellRow::SD, 0), "");
    EXPECT_EQ(Text(CellRow::SD, 1), "CR");
    EXPECT_EQ(Text(CellRow::RD, 1), "");
    EXPECT_EQ(Back(CellRow::SD, 1), state.settings.glngColSD);
    EXPECT_EQ(state.grid.lintPos, 2);
    EXPECT_EQ(triggers.calls, (std::vector<std::string>{"chr0 65", "chr256 13"}));

    state.settings.gintDispMode = 1;
    Disp(0x0D, false);
    EXPECT_EQ(Text(CellRow::RD, 2), "0D");
}

TEST_F(LiveRendererTest, ErrorsShowAsPeAndFeInEveryModeAndGoToTheErrorTriggers) {
    for (const int mode : {0, 1, 2}) {
        state.settings.gintDispMode = static_cast<int16_t>(mode);
        triggers.calls.clear();
        Disp(0x41, true, true, false);
        Disp(0x42, false, false, true);
        Disp(0x43, false, true, true);  // both errors: framing wins
        const int32_t k = state.grid.lintPos - 3;
        EXPECT_EQ(Text(CellRow::SD, k), "PE") << mode;
        EXPECT_EQ(Text(CellRow::RD, k + 1), "FE") << mode;
        EXPECT_EQ(Text(CellRow::RD, k + 2), "FE") << mode;
        EXPECT_EQ(Back(CellRow::SD, k), state.settings.glngColErr);
        EXPECT_EQ(Back(CellRow::RD, k + 1), state.settings.glngColErr);
        EXPECT_EQ(Back(CellRow::RD, k), state.settings.glngColRD);  // other row untouched
        EXPECT_EQ(triggers.calls, (std::vector<std::string>{"err 1", "err 2", "err 2"}));
    }
}

TEST_F(LiveRendererTest, FullPageClearsAndContinuesAtTheFirstCell) {
    state.settings.gintScroll = 0;
    for (int i = 0; i < 199; ++i) {
        Disp(0x30, false);
    }
    live.showLine();
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 0);
    Disp(0x31, true);  // the last cell fills the page
    EXPECT_EQ(state.grid.lintPos, 0);
    for (int32_t k = 0; k < 200; ++k) {
        ASSERT_EQ(Text(CellRow::RD, k), "") << k;
        ASSERT_EQ(Text(CellRow::SD, k), "") << k;
    }
    Disp(0x32, false);
    EXPECT_EQ(Text(CellRow::RD, 0), "２");
    frames(3 * LiveRenderer::kLineFrames);
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 1);  // once per screen
}

TEST_F(LiveRendererTest, ScrollMovesTheScreenUpByTheStep) {
    state.settings.gintScroll = 2;
    for (int i = 0; i < 200; ++i) {
        Disp(static_cast<uint8_t>('A' + i / 20), false);  // line i shows letter A + i
    }
    // Two lines gone, the last two lines blank, the next record at the second line from the
    // bottom.
    EXPECT_EQ(state.grid.lintPos, 160);
    EXPECT_EQ(Text(CellRow::RD, 0), "Ｃ");
    EXPECT_EQ(Text(CellRow::RD, 159), "Ｊ");
    EXPECT_EQ(Text(CellRow::RD, 160), "");
    EXPECT_EQ(Text(CellRow::RD, 199), "");
    Disp(0x21, true);
    EXPECT_EQ(Text(CellRow::SD, 160), "！");
    // The scrolled cells keep their colours.
    Disp(0x22, true, true);
    for (int i = 0; i < 38; ++i) {
        Disp(0x20, false);  // fills the screen again
    }
    EXPECT_EQ(state.grid.lintPos, 160);
    EXPECT_EQ(Back(CellRow::SD, 121), state.settings.glngColErr);
    EXPECT_EQ(Text(CellRow::SD, 121), "PE");
}

TEST_F(LiveRendererTest, StepOfAWholeScreenOrMoreClearsThePage) {
    for (const int16_t step : {10, 11, 500}) {
        state.settings.gintScroll = step;
        live.ClearDisp();
        for (int i = 0; i < 200; ++i) {
            Disp(0x41, false);
        }
        EXPECT_EQ(state.grid.lintPos, 0) << step;
        EXPECT_EQ(Text(CellRow::RD, 0), "") << step;
    }
}

TEST_F(LiveRendererTest, LineNumberIsTheLineOfTheTopLeftCellAndOverflows) {
    // Stored bytes that fill no cell do not count.
    state.capture.AllocBuffer(4000);
    for (int i = 0; i < 1000; ++i) {
        state.capture.StoreByte(0x41);
    }
    for (int i = 0; i < 400; ++i) {
        Disp(0x41, false);
    }
    EXPECT_EQ(state.grid.llngLine, 21);  // two screens of 10 lines went by
    frames();
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "21行");

    state.settings.gintScroll = 3;
    for (int i = 0; i < 200; ++i) {
        Disp(0x41, false);
    }
    frames();
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "24行");

    state.grid.liveTop = 20 * 99999 - 60;
    for (int i = 0; i < 60; ++i) {
        Disp(0x41, false);
    }
    EXPECT_EQ(state.grid.llngLine, 100000);
    frames();
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "行ｵｰﾊﾞｰ");
}

TEST_F(LiveRendererTest, StatusBarShowsTheLineAtMostOnceInSoManyFramesAndNeverOverTheHistory) {
    state.settings.gintScroll = 1;
    for (int i = 0; i < 300; ++i) {  // six lines scroll away
        Disp(0x41, false);
    }
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 0);
    live.showLine();  // a frame
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 1);
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "7行");

    // A line a frame: the panel follows once in kLineFrames frames, and the last number
    // waits for its turn.
    for (int frame = 1; frame < 3 * LiveRenderer::kLineFrames; ++frame) {
        for (int i = 0; i < 20; ++i) {
            Disp(0x41, false);
        }
        live.showLine();
    }
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 3);
    EXPECT_TRUE(live.linePending());
    frames();
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 4);
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "36行");

    for (int i = 0; i < 20; ++i) {
        Disp(0x41, false);
    }
    state.run.gintRireki = 1;  // stopped before the frame: the history shows its own line
    frames();
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 4);
}

TEST_F(LiveRendererTest, TimeStampTakesTwoColumnsAndMayOpenAPage) {
    live.DispTimeStamp("123456");
    EXPECT_EQ(Text(CellRow::RD, 0), "TM");
    EXPECT_EQ(Text(CellRow::SD, 0), "123");
    EXPECT_EQ(Text(CellRow::RD, 1), "ST");
    EXPECT_EQ(Text(CellRow::SD, 1), "456");
    EXPECT_EQ(Back(CellRow::RD, 1), state.settings.glngColTmst);
    EXPECT_EQ(Back(CellRow::SD, 0), state.settings.glngColTmst);

    state.grid.lintPos = 199;
    live.DispTimeStamp("235959");
    EXPECT_EQ(Text(CellRow::RD, 0), "ST");  // the page cleared between the two columns
    EXPECT_EQ(Text(CellRow::SD, 0), "959");
    EXPECT_EQ(state.grid.lintPos, 1);
}

TEST_F(LiveRendererTest, ClearDispBlanksEveryCellInItsRowColour) {
    Disp(0x41, false, true);
    live.DispTimeStamp("010203");
    live.ClearDisp();
    EXPECT_EQ(state.grid.lintPos, 0);
    for (int32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(cells.at(CellRow::RD, k),
                  (Cell{CellText::kEmpty, false, state.settings.glngColRD, 0}));
        EXPECT_EQ(cells.at(CellRow::SD, k),
                  (Cell{CellText::kEmpty, false, state.settings.glngColSD, 0}));
    }
}

TEST_F(LiveRendererTest, DrawingNeverRunsPastTheCellsThatExist) {
    // A grid that grew but has not been rebuilt yet.
    state.grid.lintCell = 400;
    state.grid.lintRow = 20;
    state.grid.lintPos = 250;
    Disp(0x41, false);
    live.DispTimeStamp("000000");
    EXPECT_EQ(cells.Size(), 200);
    EXPECT_EQ(state.grid.lintPos, 253);
}

}  // namespace
