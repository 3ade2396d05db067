#include <gtest/gtest.h>

#include "ViewFakes.h"
#include "view/HistoryRenderer.h"

namespace {

class NavigationTest : public ::testing::Test {
  protected:
    NavigationTest()
        : history(state.settings, state.run, state.capture, state.grid, cells, status) {
        setGrid(state, cells, 20, 10);
    }

    void HoldWords(int n) { ::HoldWords(state, std::vector<int>(static_cast<size_t>(n), 0x41)); }
    int32_t Top() const { return state.capture.glngDispTop; }
    void DrawAt(int32_t top) { history.DispRireki(top); }

    CoreState state;
    CellGrid cells;
    RecordingStatus status;
    HistoryRenderer history;
};

TEST_F(NavigationTest, ScrollingUpStopsAtTheFirstWord) {
    HoldWords(500);
    history.lineUp();
    EXPECT_EQ(Top(), 0);
    EXPECT_EQ(status.writes[MonitorStatus::kLinePanel], 0);  // nothing redrawn
    DrawAt(7);
    history.lineUp();  // 7 - 20 is below 1: the first word
    EXPECT_EQ(Top(), 0);
    DrawAt(250);
    history.pageUp();
    EXPECT_EQ(Top(), 50);
    history.lineDown();
    EXPECT_EQ(Top(), 70);
}

TEST_F(NavigationTest, ScrollingDownStopsOnceTheTopWouldPassTheEnd) {
    HoldWords(50);
    history.pageDown();  // 0 + 200 > 50
    EXPECT_EQ(Top(), 0);
    history.lineDown();
    history.lineDown();
    EXPECT_EQ(Top(), 40);
    history.lineDown();  // 60 > 50
    EXPECT_EQ(Top(), 40);
    HoldWords(60);
    history.lineDown();  // exactly the end: an empty screen
    EXPECT_EQ(Top(), 60);
    EXPECT_EQ(cells.at(CellRow::RD, 0).text, CellText::kEmpty);
}

TEST_F(NavigationTest, JumpsToLinesAndToTheEnds) {
    HoldWords(500);
    EXPECT_TRUE(history.jumpLine(3));
    EXPECT_EQ(Top(), 40);
    EXPECT_FALSE(history.jumpLine(0));
    EXPECT_FALSE(history.jumpLine(-4));
    EXPECT_EQ(Top(), 40);
    history.jumpLine(1'000'000'000'000);  // far beyond the data: an empty screen, no wrap
    EXPECT_EQ(Top(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(cells.at(CellRow::RD, 0).text, CellText::kEmpty);

    history.jumpEnd();
    EXPECT_EQ(Top(), 450);
    history.jumpTop();
    EXPECT_EQ(Top(), 0);
    history.jumpLastHalf();
    EXPECT_EQ(Top(), 400);

    HoldWords(30);
    DrawAt(20);
    history.jumpEnd();  // fewer than 50 words: the view stays
    EXPECT_EQ(Top(), 20);
    history.jumpLastHalf();  // 30 - 100 is negative: the view stays
    EXPECT_EQ(Top(), 20);
}

TEST_F(NavigationTest, LastHalfScreenRoundsHalvesToEven) {
    HoldWords(100);
    setGrid(state, cells, 5, 5);  // 12.5 rounds to 12
    history.jumpLastHalf();
    EXPECT_EQ(Top(), 88);
    setGrid(state, cells, 7, 5);  // 17.5 rounds to 18
    history.jumpLastHalf();
    EXPECT_EQ(Top(), 82);
}

TEST_F(NavigationTest, SetCursolMovesToTheLineOfAHitOffTheScreen) {
    HoldWords(1000);
    DrawAt(100);
    const std::vector<int32_t> hit{517, 518};
    history.SetCursol(0, hit);
    EXPECT_EQ(Top(), 500);
    EXPECT_TRUE(cells.at(CellRow::RD, 17).hilite);
    EXPECT_TRUE(cells.at(CellRow::RD, 18).hilite);

    // A hit that ends beyond the screen moves the view as well.
    DrawAt(400);
    history.SetCursol(0, std::vector<int32_t>{598, 599, 600});
    EXPECT_EQ(Top(), 580);
    // A hit longer than the screen: the cells beyond it stay unmarked.
    std::vector<int32_t> longHit;
    for (int32_t w = 0; w < 250; ++w) {
        longHit.push_back(w);
    }
    history.SetCursol(1, longHit);
    EXPECT_EQ(Top(), 0);
    EXPECT_TRUE(cells.at(CellRow::SD, 199).hilite);
    EXPECT_EQ(state.capture.glngCursol.size(), 251U);
    history.SetCursol(1, {});
    EXPECT_FALSE(cells.at(CellRow::SD, 0).hilite);
    EXPECT_EQ(state.capture.glngCursol, std::vector<int32_t>{-1});
}

TEST_F(NavigationTest, HistoryAfterAStopStartsAtTheLivePageOrTheLastLine) {
    HoldWords(45);
    state.grid.lintPos = 5;
    history.placeTop(false);
    EXPECT_EQ(Top(), 40);  // the page the live view was filling
    state.grid.lintPos = 100;
    history.placeTop(false);
    EXPECT_EQ(Top(), 0);
    history.placeTop(true);  // background monitoring: start of last line
    EXPECT_EQ(Top(), 40);
    EXPECT_EQ(state.grid.llngLine, 3);
}

TEST_F(NavigationTest, RestartPositionFollowsTheWordsOfTheCurrentLine) {
    HoldWords(55);
    state.grid.llngLine = 3;
    history.SetRestartPos();
    EXPECT_EQ(Top(), 40);
    EXPECT_EQ(state.grid.lintPos, 15);
    EXPECT_EQ(cells.at(CellRow::RD, 14).text, CellText::chr(0x41));
    EXPECT_EQ(cells.at(CellRow::RD, 15).text, CellText::kEmpty);

    HoldWords(400);  // a full screen from the line: the live view starts a fresh page
    history.SetRestartPos();
    EXPECT_EQ(state.grid.lintPos, 0);
}

}  // namespace
