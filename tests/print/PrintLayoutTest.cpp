// Page layout of the printout: the drawing operations of frame and data pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "analysis/FrameExamples.h"
#include "analysis/FrameIndex.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "capture/DispWords.h"
#include "print/PrintLayout.h"

void PrintTo(const PrintOp& op, std::ostream* os) {
    static constexpr const char* kKinds[] = {"Rect", "Line", "Text"};
    *os << kKinds[static_cast<int>(op.kind)] << "(" << op.x1 << "," << op.y1;
    if (op.kind == PrintOp::Kind::Text) {
        *os << ",\"" << op.text << "\"," << op.fontSize << "pt)";
    } else {
        *os << "," << op.x2 << "," << op.y2 << ",w" << op.width << ")";
    }
}

namespace {

const ChrTable kChr = MakeChrTable();

PrintSource Source(const std::vector<int16_t>& words, int dispMode = 0, int asciiSaveMode = 0) {
    return {words, dispMode, asciiSaveMode, &kChr};
}

PageOps TextsOf(const PageOps& ops) {
    PageOps texts;
    std::copy_if(ops.begin(), ops.end(), std::back_inserter(texts),
                 [](const PrintOp& op) { return op.kind == PrintOp::Kind::Text; });
    return texts;
}

// The operations PrintPageData adds for words from p.
PageOps DataOps(const PrintGeometry& g, const PrintSource& src, int32_t p, int32_t* next) {
    PageOps ops;
    *next = PrintPageData(ops, g, src, p);
    return ops;
}

class RecordingSink final : public PrintSink {
  public:
    void beginJob(const PrintGeometry& g) override {
        ++begun;
        orient = g.orient;
    }
    void drawPage(const PageOps& ops) override { pages.push_back(ops); }
    void endJob() override { ++ended; }

    int begun = 0;
    int ended = 0;
    int orient = 0;
    std::vector<PageOps> pages;
};

// The documented positions of both orientations.
struct FrameCase {
    int orient;
    int cols, rows;
    PrintOp frame;        // thick rectangle
    int firstLineY;       // under the column numbers
    int lastLineY;        // above the last row
    int dividerX;         // vertical line after the row labels
    PrintOp firstNumber;  // "1", moved 1 mm right
    PrintOp tenthNumber;  // "10"
    PrintOp lastNumber;
    PrintOp firstRd, firstSd, lastSd;  // row labels
    PrintOp idle, comm, page;          // header
};

class PrintFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(PrintFrameTest, FrameLinesNumbersLabelsAndHeaderAtTheirPositions) {
    const FrameCase& k = GetParam();
    const PrintGeometry g = PrintSetup(k.orient);
    EXPECT_EQ(g.gintPrnCols, k.cols);
    EXPECT_EQ(g.gintPrnRows, k.rows);
    PageOps ops;
    PrintPageFrame(ops, g, "ｱｲﾄﾞﾙ(1s)", "9600,N,8,1", 1);

    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0], k.frame);
    std::vector<PrintOp> lines;
    std::copy_if(ops.begin(), ops.end(), std::back_inserter(lines),
                 [](const PrintOp& op) { return op.kind == PrintOp::Kind::Line; });
    ASSERT_EQ(lines.size(), static_cast<size_t>(k.rows + 1));
    const int l = k.frame.x1;
    const int r = k.frame.x2;
    EXPECT_EQ(lines.front(), PrintOp::makeLine(l, k.firstLineY, r, k.firstLineY, 1));
    EXPECT_EQ(lines[k.rows - 1], PrintOp::makeLine(l, k.lastLineY, r, k.lastLineY, 1));
    EXPECT_EQ(lines.back(), PrintOp::makeLine(k.dividerX, k.frame.y1, k.dividerX, k.frame.y2, 1));
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        EXPECT_EQ(lines[i].y1 - lines[i - 1].y1, 9) << "row band " << i;
    }

    const PageOps texts = TextsOf(ops);
    ASSERT_EQ(texts.size(), static_cast<size_t>(k.cols + 2 * k.rows + 3));
    EXPECT_EQ(texts[0], k.firstNumber);
    EXPECT_EQ(texts[9], k.tenthNumber);
    EXPECT_EQ(texts[k.cols - 1], k.lastNumber);
    EXPECT_EQ(texts[k.cols], k.firstRd);
    EXPECT_EQ(texts[k.cols + 1], k.firstSd);
    EXPECT_EQ(texts[k.cols + 2 * k.rows - 1], k.lastSd);
    EXPECT_EQ(texts[k.cols + 2 * k.rows], k.idle);
    EXPECT_EQ(texts[k.cols + 2 * k.rows + 1], k.comm);
    EXPECT_EQ(texts.back(), k.page);
}

INSTANTIATE_TEST_SUITE_P(
    Orientations, PrintFrameTest,
    ::testing::Values(
        FrameCase{kPrintPortrait, 35, 29, PrintOp::makeRect(12, 14, 196, 280, 2), 19, 271, 20,
                  PrintOp::makeText(22, 15, "1", 9), PrintOp::makeText(66, 15, "10", 9),
                  PrintOp::makeText(191, 15, "35", 9), PrintOp::makeText(16, 20, "RD", 9),
                  PrintOp::makeText(16, 24, "SD", 9), PrintOp::makeText(16, 276, "SD", 9),
                  PrintOp::makeText(24, 9, "ｱｲﾄﾞﾙ(1s)", 9),
                  PrintOp::makeText(52, 9, "9600,N,8,1", 9),
                  PrintOp::makeText(181, 9, "Page   1", 9)},
        FrameCase{kPrintLandscape, 50, 20, PrintOp::makeRect(15, 10, 278, 195, 2), 15, 186, 23,
                  PrintOp::makeText(27, 11, "1", 9), PrintOp::makeText(71, 11, "10", 9),
                  PrintOp::makeText(271, 11, "50", 9), PrintOp::makeText(19, 16, "RD", 9),
                  PrintOp::makeText(19, 20, "SD", 9), PrintOp::makeText(19, 191, "SD", 9),
                  PrintOp::makeText(27, 5, "ｱｲﾄﾞﾙ(1s)", 9),
                  PrintOp::makeText(55, 5, "9600,N,8,1", 9),
                  PrintOp::makeText(263, 5, "Page   1", 9)}));

TEST(PrintFrame, EmptyHeaderTextsAreLeftOut) {
    PageOps ops;
    PrintPageFrame(ops, PrintSetup(kPrintLandscape), "", "", 7);
    const PageOps texts = TextsOf(ops);
    ASSERT_EQ(texts.size(), 50U + 40U + 1U);
    EXPECT_EQ(texts.back(), PrintOp::makeText(263, 5, "Page   7", 9));
}

TEST(PrintPageNumber, RightAlignedInThreeCharacters) {
    const std::pair<int, const char*> cases[] = {
        {1, "Page   1"}, {9, "Page   9"}, {12, "Page  12"}, {999, "Page 999"}, {1000, "Page 1000"}};
    for (const auto& [page, text] : cases) {
        EXPECT_EQ(pageNumberText(page), text) << page;
    }
}

// Every kind of word, in the documented cell of both orientations.
struct DataCase {
    int orient;
    int dispMode, asciiSaveMode;
    std::vector<int16_t> words;
    int32_t next;
    PageOps texts;
};

class PrintDataTest : public ::testing::TestWithParam<DataCase> {};

TEST_P(PrintDataTest, WordsLandInTheirRowLineAndColumn) {
    const DataCase& k = GetParam();
    int32_t next = 0;
    EXPECT_EQ(DataOps(PrintSetup(k.orient), Source(k.words, k.dispMode, k.asciiSaveMode), 0, &next),
              k.texts);
    EXPECT_EQ(next, k.next);
}

using T = PrintOp;
// RD Ａ, SD CR, RD parity error, SD framing error, a time stamp 12:34:56, an unknown kind (an
// empty column), an idle count 12345, then RD Ｂ.
const std::vector<int16_t> kEveryKind = {0x41, 0x10D,  0x241,  0x541, 0x300C,
                                         3456, 0x1000, 0x2001, 2345,  0x42};
INSTANTIATE_TEST_SUITE_P(
    Kinds, PrintDataTest,
    ::testing::Values(DataCase{kPrintPortrait,
                               0,
                               0,
                               kEveryKind,
                               11,
                               {T::makeText(21, 20, "Ａ", 9), T::makeText(26, 24, "CR", 9),
                                T::makeText(31, 20, "PE", 9), T::makeText(36, 24, "FE", 9),
                                T::makeText(41, 21, " TMST", 8), T::makeText(41, 24, "123456", 8),
                                T::makeText(56, 21, " IDLE", 8), T::makeText(56, 24, "012345", 8),
                                T::makeText(66, 20, "Ｂ", 9)}},
                      DataCase{kPrintLandscape,
                               0,
                               0,
                               kEveryKind,
                               11,
                               {T::makeText(26, 16, "Ａ", 9), T::makeText(31, 20, "CR", 9),
                                T::makeText(36, 16, "PE", 9), T::makeText(41, 20, "FE", 9),
                                T::makeText(46, 17, " TMST", 8), T::makeText(46, 20, "123456", 8),
                                T::makeText(61, 17, " IDLE", 8), T::makeText(61, 20, "012345", 8),
                                T::makeText(71, 16, "Ｂ", 9)}},
                      // Hexadecimal: erroneous bytes show their value.
                      DataCase{kPrintLandscape,
                               1,
                               0,
                               {0x10D, 0x2FF},
                               3,
                               {T::makeText(26, 20, "0D", 9), T::makeText(31, 16, "FF", 9)}},
                      // The text export's bracketed form is printed as well.
                      DataCase{kPrintPortrait,
                               0,
                               2,
                               {0x10D, 0x41, 0x300},
                               4,
                               {T::makeText(21, 24, "[CR]", 9), T::makeText(26, 20, "A", 9),
                                T::makeText(31, 24, "[PE]", 9)}}));

// A time-stamp entry in the last column of a row takes that column; the next row starts with
// the word after its second word.
TEST_P(PrintFrameTest, TimeStampInTheLastColumnEndsTheRow) {
    const FrameCase& k = GetParam();
    const PrintGeometry g = PrintSetup(k.orient);
    std::vector<int16_t> words(k.cols - 1, 0x41);
    words.insert(words.end(), {0x3017, 5959, 0x143});
    int32_t next = 0;
    const PageOps texts = DataOps(g, Source(words), 0, &next);
    ASSERT_EQ(texts.size(), static_cast<size_t>(k.cols + 2));
    const int lastX = k.lastNumber.x1;
    EXPECT_EQ(texts[k.cols - 1], PrintOp::makeText(lastX, k.firstRd.y1 + 1, " TMST", 8));
    EXPECT_EQ(texts[k.cols], PrintOp::makeText(lastX, k.firstSd.y1, "235959", 8));
    EXPECT_EQ(texts.back(), PrintOp::makeText(g.columnX(1), k.firstSd.y1 + 9, "Ｃ", 9));
    EXPECT_EQ(next, static_cast<int32_t>(words.size()) + 1);
}

// A page holds rows x columns words; data that fills it exactly makes a next page with the
// frame only, if the page count allows it.
TEST_P(PrintFrameTest, DataEndingAtTheLastCellGivesAFrameOnlyNextPage) {
    const FrameCase& k = GetParam();
    const std::vector<int16_t> words(k.cols * k.rows, 0x130);
    RecordingSink sink;
    const PrintRequest request{"9600,N,8,1", "", k.orient, 3};
    EXPECT_EQ(PrintMonitor(request, Source(words), 0, sink), 2);
    EXPECT_EQ(sink.begun, 1);
    EXPECT_EQ(sink.ended, 1);
    EXPECT_EQ(sink.orient, k.orient);
    ASSERT_EQ(sink.pages.size(), 2U);

    PageOps frame1;
    PrintPageFrame(frame1, PrintSetup(k.orient), "", "9600,N,8,1", 1);
    EXPECT_EQ(sink.pages[0].size(), frame1.size() + words.size());
    EXPECT_EQ(sink.pages[0].back(), PrintOp::makeText(k.lastNumber.x1, k.lastSd.y1, "０", 9));
    PageOps frame2;
    PrintPageFrame(frame2, PrintSetup(k.orient), "", "9600,N,8,1", 2);
    EXPECT_EQ(sink.pages[1], frame2);
}

struct PagesCase {
    int32_t words;  // RD bytes in the capture
    int32_t top;    // first word printed
    int pages;      // pages asked
    int printed;    // pages printed
    int firstByte;  // byte value of the first word printed on the last page, -1 for none
};

class PrintPagesTest : public ::testing::TestWithParam<PagesCase> {};

// Landscape pages of 1000 words; the byte of word i is i mod 256.
TEST_P(PrintPagesTest, PrintingStopsAtTheCountOrAfterThePageWhereTheDataRanOut) {
    const PagesCase& k = GetParam();
    std::vector<int16_t> words(k.words);
    for (int32_t i = 0; i < k.words; ++i) {
        words[i] = static_cast<int16_t>(i % 256);
    }
    RecordingSink sink;
    const PrintRequest request{"", "", kPrintLandscape, k.pages};
    EXPECT_EQ(PrintMonitor(request, Source(words, 1), k.top, sink), k.printed);
    ASSERT_EQ(sink.pages.size(), static_cast<size_t>(k.printed));
    PageOps frame;
    PrintPageFrame(frame, PrintSetup(kPrintLandscape), "", "", k.printed);
    const PageOps& last = sink.pages.back();
    ASSERT_GE(last.size(), frame.size());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), last.begin()));
    if (k.firstByte < 0) {
        EXPECT_EQ(last.size(), frame.size());
    } else {
        ASSERT_GT(last.size(), frame.size());
        EXPECT_EQ(last[frame.size()],
                  PrintOp::makeText(26, 16, hexText(static_cast<uint8_t>(k.firstByte)), 9));
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, PrintPagesTest,
                         ::testing::Values(
                             // More pages asked than data.
                             PagesCase{10, 0, 5, 1, 0},
                             // The count ends the job before the data.
                             PagesCase{2500, 0, 2, 2, 1000 % 256},
                             PagesCase{2500, 0, 9, 3, 2000 % 256},
                             // From the top of the history view.
                             PagesCase{2500, 1700, 9, 1, 1700 % 256},
                             // An empty capture, or a top beyond it: one empty page.
                             PagesCase{0, 0, 3, 1, -1}, PagesCase{10, 20, 3, 1, -1},
                             // A negative top prints from the start.
                             PagesCase{10, -5, 1, 1, 0}));

TEST(PrintSource, TakesTheWordsOfTheLastConversion) {
    RunState run;
    Capture capture(run);
    const uint8_t bytes[] = {0x84, 0xC1, 0xA4, 0xC2, 0x30, 1, 2, 3};
    capture.CopyDat(bytes, sizeof bytes);
    Settings settings;
    settings.gintDispMode = 1;
    settings.gintASCIISaveMode = 2;
    const PrintSource src = printSourceOf(capture, settings, kChr);
    ASSERT_EQ(src.words.size(), 4U);  // the array itself is longer
    EXPECT_EQ(src.words[1], 0x142);
    EXPECT_EQ(src.dispMode, 1);
    EXPECT_EQ(src.asciiSaveMode, 2);
    EXPECT_EQ(src.chr, &kChr);
}

}  // namespace

TEST(PrintFrameMarks, AStartLineAtEachFrameAndAThickOutlineAroundABadCheck) {
    // The Modbus example: seven frames, the third (SD, words 19 .. 26) with a bad CRC.
    const std::vector<uint8_t> records = FrameExamples().back().records;
    std::vector<int16_t> words(records.size());
    int32_t count = 0;
    makeDispWords(records.data(), static_cast<int32_t>(records.size()), words.data(), count);
    words.resize(static_cast<size_t>(count));
    FrameIndex index;
    index.reset(LineTiming{10000, 1, 0, 0, 100}, frameOptionsNamed("modbus-rtu", {}));
    index.feed(records, 0);
    index.finish();
    ASSERT_EQ(index.frames().size(), 7U);

    const PrintGeometry g = PrintSetup(kPrintLandscape);
    PrintSource src = Source(words);
    int32_t next = 0;
    const auto linesOf = [&](int width) {
        PageOps lines;
        for (const PrintOp& op : DataOps(g, src, 0, &next)) {
            if (op.kind == PrintOp::Kind::Line && op.width == width) {
                lines.push_back(op);
            }
        }
        return lines;
    };
    EXPECT_TRUE(linesOf(1).empty());  // no marks without frames
    src.frames = &index;
    const PageOps starts = linesOf(1);
    ASSERT_EQ(starts.size(), 7U);
    const int x = g.columnX(1) - 1;
    EXPECT_EQ(starts[0], PrintOp::makeLine(x, g.sdY(1), x, g.sdY(1) + 4, 1));
    // Eight bytes, each with a line above and below, and the two ends.
    const PageOps outline = linesOf(2);
    ASSERT_EQ(outline.size(), 18U);
    const int first = g.columnX(20) - 1;
    const int last = g.columnX(27) + 4;
    EXPECT_EQ(std::count(outline.begin(), outline.end(),
                         PrintOp::makeLine(first, g.sdY(1), first, g.sdY(1) + 4, 2)),
              1);
    EXPECT_EQ(std::count(outline.begin(), outline.end(),
                         PrintOp::makeLine(last, g.sdY(1), last, g.sdY(1) + 4, 2)),
              1);
}
