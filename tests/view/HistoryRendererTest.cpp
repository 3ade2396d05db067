#include "view/HistoryRenderer.h"

#include <gtest/gtest.h>

#include "ViewFakes.h"
#include "capture/Records.h"

namespace {

class HistoryRendererTest : public ::testing::Test {
  protected:
    HistoryRendererTest()
        : history(state.settings, state.run, state.capture, state.grid, cells, status) {
        setGrid(state, cells, 20, 10);
    }

    void Words(const std::vector<int>& words) { HoldWords(state, words); }
    // n data words 0, 1, 2 ... alternating RD and SD.
    void CountingWords(int n) {
        std::vector<int> w;
        for (int i = 0; i < n; ++i) {
            w.push_back((i % 2 ? word::kSd : 0) + i % 256);
        }
        Words(w);
    }
    int32_t Draw(int32_t top) { return history.DispRireki(top); }
    std::string Text(CellRow row, int32_t k) const { return TextAt(state, cells, row, k); }
    int32_t Back(CellRow row, int32_t k) const { return cells.at(row, k).back; }
    void ExpectBlank(int32_t k) const {
        EXPECT_EQ(cells.at(CellRow::RD, k),
                  (Cell{CellText::kEmpty, false, state.settings.glngColRD, 0}))
            << k;
        EXPECT_EQ(cells.at(CellRow::SD, k),
                  (Cell{CellText::kEmpty, false, state.settings.glngColSD, 0}))
            << k;
    }

    CoreState state;
    CellGrid cells;
    RecordingStatus status;
    HistoryRenderer history;
};

TEST_F(HistoryRendererTest, DrawsEveryWordKind) {
    const Settings& s = state.settings;
    Words({0x41, word::kSd + 0x0D, word::kParity + 0x41, word::kSd + word::kParity + 0x42,
           word::kFraming + 0x43, word::kSd + word::kFraming + 0x44, word::kStamp + 12, 3456,
           word::kIdle + 0, 1234, 0x42});
    EXPECT_EQ(Draw(0), 11);

    EXPECT_EQ(Text(CellRow::RD, 0), "Ａ");
    EXPECT_EQ(Back(CellRow::RD, 0), s.glngColRD);
    EXPECT_EQ(Text(CellRow::SD, 0), "");
    EXPECT_EQ(Text(CellRow::SD, 1), "CR");
    EXPECT_EQ(Back(CellRow::SD, 1), s.glngColSD);
    EXPECT_EQ(Text(CellRow::RD, 1), "");

    EXPECT_EQ(Text(CellRow::RD, 2), "PE");
    EXPECT_EQ(Back(CellRow::RD, 2), s.glngColErr);
    EXPECT_EQ(Text(CellRow::SD, 3), "PE");
    EXPECT_EQ(Back(CellRow::SD, 3), s.glngColErr);
    EXPECT_EQ(Back(CellRow::RD, 3), s.glngColRD);
    EXPECT_EQ(Text(CellRow::RD, 4), "FE");
    EXPECT_EQ(Text(CellRow::SD, 5), "FE");

    EXPECT_EQ(Text(CellRow::RD, 6), "TM");
    EXPECT_EQ(Text(CellRow::RD, 7), "ST");
    EXPECT_EQ(Text(CellRow::SD, 6), "123");
    EXPECT_EQ(Text(CellRow::SD, 7), "456");
    EXPECT_EQ(Back(CellRow::SD, 7), s.glngColTmst);

    EXPECT_EQ(Text(CellRow::RD, 8), " ID");
    EXPECT_EQ(Text(CellRow::RD, 9), "LE ");
    EXPECT_EQ(Text(CellRow::SD, 8), "001");
    EXPECT_EQ(Text(CellRow::SD, 9), "234");
    EXPECT_EQ(Back(CellRow::RD, 8), s.glngColIdle);

    EXPECT_EQ(Text(CellRow::RD, 10), "Ｂ");
    ExpectBlank(11);
    ExpectBlank(199);
    for (int32_t k = 0; k < 11; ++k) {
        EXPECT_EQ(cells.at(CellRow::RD, k).fore, 0);
        EXPECT_EQ(cells.at(CellRow::SD, k).fore, 0);
    }
}

// Cell k always shows word top + k: a top on the second word of a time stamp or idle record
// shows that record's second column, also where a second word looks like a first word (idle
// counts 008192 .. 008447 have the idle kind), and a search hit is highlighted on its words.
TEST_F(HistoryRendererTest, ATopOnASecondWordShowsTheRecordsSecondColumn) {
    const int kLikeIdle = 8200;  // 0x2008
    struct Case {
        std::vector<int> words;
        int32_t top;
        const char* rd0;  // RD and SD text of the first cell
        const char* sd0;
    };
    const Case cases[] = {
        {{word::kIdle + 0, 4161, 0x42}, 1, "LE ", "161"},
        {{word::kStamp + 12, 5, 0x42}, 1, "ST", "005"},  // 5 is no data byte here
        {{word::kIdle + 0, kLikeIdle, 0x42}, 1, "LE ", "200"},
        {{word::kIdle + 0, kLikeIdle, word::kIdle + 1, 5, 0x42}, 2, " ID", "010"},
        {{word::kIdle + 0, kLikeIdle, word::kIdle + 1, 5, 0x42}, 3, "LE ", "005"},
        {{0x41, word::kIdle + 0, kLikeIdle, 0x42}, 1, " ID", "008"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "top " << c.top << " of " << c.words.size());
        Words(c.words);
        Draw(c.top);
        EXPECT_EQ(Text(CellRow::RD, 0), c.rd0);
        EXPECT_EQ(Text(CellRow::SD, 0), c.sd0);
        // The data word at the end is in its own cell, and a hit on it is highlighted there.
        const auto last = static_cast<int32_t>(c.words.size()) - 1;
        history.SetCursol(0, std::vector<int32_t>{last});
        EXPECT_EQ(Text(CellRow::RD, last - c.top), "Ｂ");
        EXPECT_TRUE(cells.at(CellRow::RD, last - c.top).hilite);
    }
}

TEST_F(HistoryRendererTest, HexModesShowTheByteOfAnErroneousWord) {
    Words({word::kParity + 0x41, word::kSd + word::kFraming + 0xFE, 0x0D});
    for (const int16_t mode : {1, 2}) {
        state.settings.gintDispMode = mode;
        Draw(0);
        EXPECT_EQ(Text(CellRow::RD, 0), "41");
        EXPECT_EQ(Text(CellRow::SD, 1), "FE");
        EXPECT_EQ(Back(CellRow::SD, 1), state.settings.glngColErr);
        EXPECT_EQ(Text(CellRow::RD, 2), "0D");
    }
}

TEST_F(HistoryRendererTest, RedrawOverWordsOfTheOtherRowLeavesNoStaleText) {
    Words({0x41, word::kSd + 0x42, 0x43, word::kSd + word::kParity + 0x44, 0x45});
    Draw(0);
    Draw(1);  // every cell now holds the word of the other direction
    for (int32_t k = 0; k < 4; ++k) {
        const CellRow blank = k % 2 == 0 ? CellRow::RD : CellRow::SD;
        EXPECT_EQ(
            cells.at(blank, k),
            (Cell{CellText::kEmpty, false,
                  blank == CellRow::RD ? state.settings.glngColRD : state.settings.glngColSD, 0}))
            << k;
    }
    EXPECT_EQ(Text(CellRow::SD, 0), "Ｂ");
    EXPECT_EQ(Text(CellRow::RD, 3), "Ｅ");
}

TEST_F(HistoryRendererTest, OnlyATimeStampLeavesTheRestBlank) {
    for (int32_t k = 0; k < 200; ++k) {
        cells.set(CellRow::RD, k, CellText::chr('x'), 99);
    }
    Words({word::kStamp + 12, 3456});
    EXPECT_EQ(Draw(0), 2);
    EXPECT_EQ(Text(CellRow::SD, 0), "123");
    for (int32_t k = 2; k < 200; ++k) {
        ExpectBlank(k);
    }
}

TEST_F(HistoryRendererTest, TwoColumnRecordInTheLastCellShowsItsFirstColumnOnly) {
    std::vector<int> w(199, 0x41);
    w.insert(w.end(), {word::kIdle + 0, 1234, 0x42});
    Words(w);
    EXPECT_EQ(Draw(0), 200);
    EXPECT_EQ(Text(CellRow::RD, 199), " ID");
    EXPECT_EQ(Text(CellRow::SD, 199), "001");
    EXPECT_EQ(Text(CellRow::RD, 198), "Ａ");

    // The next screen goes on with the word after the record.
    Draw(201);
    EXPECT_EQ(Text(CellRow::RD, 0), "Ｂ");
}

TEST_F(HistoryRendererTest, NegativeTopRedrawsAtTheCurrentTopAndWritesItBack) {
    CountingWords(300);
    Draw(40);
    state.settings.gintDispMode = 1;
    int32_t top = -1;
    EXPECT_EQ(history.DispRireki(top), 200);
    EXPECT_EQ(top, 40);
    EXPECT_EQ(state.capture.glngDispTop, 40);
    EXPECT_EQ(Text(CellRow::RD, 0), "28");  // word 40 in hex
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "3行");
}

TEST_F(HistoryRendererTest, TopAtOrBeyondTheEndBlanksTheScreen) {
    CountingWords(50);
    Draw(0);
    EXPECT_EQ(Draw(50), 0);
    ExpectBlank(0);
    EXPECT_EQ(Draw(5000), 0);
    EXPECT_EQ(state.capture.glngDispTop, 5000);
    EXPECT_EQ(Draw(45), 5);
    ExpectBlank(5);
}

TEST_F(HistoryRendererTest, LineNumberOfTheTopOverflowsAtOneHundredThousand) {
    CountingWords(10);
    Draw(20 * 99998);
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "99999行");
    Draw(20 * 99999);
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "行ｵｰﾊﾞｰ");
}

TEST_F(HistoryRendererTest, HighlightSurvivesARedrawAndMovesWithTheTop) {
    CountingWords(300);
    const std::vector<int32_t> hit{41, 42, 43};
    history.SetCursol(1, hit);
    EXPECT_EQ(state.capture.glngDispTop, 0);  // already on the screen
    for (const int32_t k : hit) {
        EXPECT_TRUE(cells.at(CellRow::SD, k).hilite);
        EXPECT_EQ(Back(CellRow::SD, k), 0);
        EXPECT_EQ(cells.at(CellRow::SD, k).fore, state.settings.glngColSD);
        EXPECT_FALSE(cells.at(CellRow::RD, k).hilite);
    }
    Draw(-1);
    EXPECT_TRUE(cells.at(CellRow::SD, 42).hilite);
    Draw(40);
    EXPECT_TRUE(cells.at(CellRow::SD, 1).hilite);
    EXPECT_FALSE(cells.at(CellRow::SD, 41).hilite);
    EXPECT_EQ(Back(CellRow::SD, 41), state.settings.glngColSD);

    // A new hit removes the old highlight.
    history.SetCursol(0, std::vector<int32_t>{45});
    EXPECT_FALSE(cells.at(CellRow::SD, 1).hilite);
    EXPECT_EQ(Back(CellRow::SD, 1), state.settings.glngColSD);
    EXPECT_TRUE(cells.at(CellRow::RD, 5).hilite);
    EXPECT_EQ(cells.at(CellRow::RD, 5).fore, state.settings.glngColRD);
}

}  // namespace
