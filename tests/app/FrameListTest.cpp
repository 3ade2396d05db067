// The frame list below the grid, live against the unit's Modbus polls on virtual time, and in
// the history after the stop; the frame marks of the grid.
#include <QAction>
#include <QComboBox>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <fstream>
#include <set>

#include "analysis/FrameExamples.h"
#include "analysis/FrameIndex.h"
#include "app/FileCommands.h"
#include "app/frmFrames.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/SampleCapture.h"
#include "view/frmMonitor.h"

namespace {

class FrameListTest : public AppTest {
  protected:
    void SetUp() override {
        StartUnit({"--scenario", "modbus", "--seed", "7"});
        OpenWindow("[Comm_Inf]\nSpeed=19200\nDataLength=1\n[Mode_Inf]\nFrameList=1\n");
        list = &window->frameList();
        table = Control<QTableView>(list, "tblFrameList");
        Control<QComboBox>(list, "cmbFrameProtocol")->setCurrentText("modbus-rtu");
        ASSERT_TRUE(Start());
    }
    // The frames of the records held, framed at once after the end, as a stopped capture is.
    [[nodiscard]] FrameList Expected() const {
        const Capture& c = ctx.core.capture;
        FrameList all;
        analyseFrames(c.gbyteDat().data(), static_cast<size_t>(c.glngDatLen()),
                      lineTimingOf(headerOf(ctx.core.settings)),
                      frameOptionsNamed("modbus-rtu", {}), all);
        return all;
    }
    [[nodiscard]] int Rows() const { return table->model()->rowCount(); }
    [[nodiscard]] QString Text(int row, int column) const {
        return table->model()->index(row, column).data().toString();
    }
    // Lets the run go on until the list shows at least rows rows.
    [[nodiscard]] bool RowsAtLeast(int rows) {
        return RunUntil([&] { return Rows() >= rows; }, 60000);
    }
    [[nodiscard]] bool Following() const {
        const QScrollBar* bar = table->verticalScrollBar();
        return bar->maximum() > 0 && bar->value() == bar->maximum();
    }
    // The cells of the screen marked as a frame's first byte.
    [[nodiscard]] std::set<std::pair<int, int32_t>> StartMarks() const {
        std::set<std::pair<int, int32_t>> marked;
        const CellGrid& cells = window->monitor().cells();
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            for (int32_t k = 0; k < cells.Size(); ++k) {
                if ((cells.at(row, k).mark & FrameMark::kStart) != 0) {
                    marked.insert({static_cast<int>(row), k});
                }
            }
        }
        return marked;
    }

    frmFrames* list = nullptr;
    QTableView* table = nullptr;
};

}  // namespace

TEST_F(FrameListTest, ListsEveryRequestAndReplyLiveInOrderAndFollowsTheNewest) {
    ASSERT_TRUE(RowsAtLeast(60));
    EXPECT_TRUE(Following());
    // The polls of each second: a request on SD, then the slave's reply on RD (slave 4 never
    // answers). Every frame framed live is the one the stopped capture would show, in the
    // same order; only the last reply may still be open.
    const FrameList all = Expected();
    const auto& live = list->index().frames();
    ASSERT_GE(live.size() + 1, all.frames.size());
    ASSERT_LE(live.size(), all.frames.size());
    for (size_t i = 0; i < live.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(live[i].offset, all.frames[i].offset);
        EXPECT_EQ(live[i].bytes, all.frames[i].bytes);
        EXPECT_EQ(live[i].sd, all.frames[i].sd);
        EXPECT_EQ(live[i].check, proto::CheckState::Ok);
        ASSERT_TRUE(live[i].modbus);
        const bool request = live[i].modbus->kind == modbus::Kind::Request;
        EXPECT_EQ(request, live[i].sd);
        if (!request) {  // a reply follows its request, from the unit asked
            EXPECT_EQ(live[i - 1].modbus->kind, modbus::Kind::Request);
            EXPECT_EQ(live[i - 1].modbus->unit, live[i].modbus->unit);
        }
    }
    // The rows read the index: numbered from 1, direction, Modbus columns.
    EXPECT_EQ(Text(0, 0), "1");
    EXPECT_EQ(Text(0, 1), "SD");
    EXPECT_EQ(Text(0, 7), "ok");
    EXPECT_EQ(Text(0, 11), "要求");
    EXPECT_EQ(Text(1, 11), live[1].sd ? "要求" : "応答");
    // An idle tick ends the reply still open: nothing is missing.
    RunUntil([&] { return false; }, 0);
    window->monitor().timIdle_Timer();
    EXPECT_EQ(list->index().frames().size(), Expected().frames.size());
}

TEST_F(FrameListTest, AListScrolledUpStaysWhileRowsComeIn) {
    ASSERT_TRUE(RowsAtLeast(40));
    table->verticalScrollBar()->setValue(3);
    const int rows = Rows();
    ASSERT_TRUE(RowsAtLeast(rows + 10));
    EXPECT_EQ(table->verticalScrollBar()->value(), 3);
    // Back at the end, it follows again.
    table->scrollToBottom();
    ASSERT_TRUE(RowsAtLeast(Rows() + 4));
    EXPECT_TRUE(Following());
}

TEST_F(FrameListTest, MarksTheFirstCellOfEachFrameLiveAndInTheHistory) {
    ASSERT_TRUE(RowsAtLeast(30));
    const auto marksOf = [&](int64_t top, int32_t filled, int64_t base) {
        std::set<std::pair<int, int32_t>> want;
        for (const Frame& f : list->index().frames()) {
            const int64_t k = f.firstWord + base - top;
            if (k >= 0 && k < filled) {
                want.insert({f.sd ? 1 : 0, static_cast<int32_t>(k)});
            }
        }
        return want;
    };
    // Live: the screen's cells from GridState::liveTop, which counts the words dropped too.
    RunUntil([&] { return false; }, 0);
    window->monitor().surface().flushUpdates();
    const GridState& g = ctx.core.grid;
    const auto liveWant = marksOf(g.liveTop, g.lintPos, ctx.core.capture.droppedWords());
    EXPECT_FALSE(liveWant.empty());
    EXPECT_EQ(StartMarks(), liveWant);

    Stop();
    window->monitor().dispRirekiAt(0);
    window->monitor().surface().flushUpdates();
    const auto historyWant = marksOf(0, std::min(g.lintCell, ctx.core.capture.glngDispLen()), 0);
    EXPECT_FALSE(historyWant.empty());
    EXPECT_EQ(StartMarks(), historyWant);
    // The marks change no text or colour: with idle chosen they are gone, the cells the same.
    const Screen marked = ScreenTexts();
    Control<QComboBox>(list, "cmbFrameProtocol")->setCurrentText("idle");
    window->monitor().surface().flushUpdates();
    EXPECT_TRUE(StartMarks().empty());
    EXPECT_EQ(ScreenTexts(), marked);
}

TEST_F(FrameListTest, AClickAndCtrlArrowsMoveTheGridAndASearchHitSelectsItsFrame) {
    ASSERT_TRUE(RowsAtLeast(20));
    Stop();
    ASSERT_GT(Rows(), 10);
    const auto& frames = list->index().frames();
    table->scrollTo(table->model()->index(5, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(5, 2)).center());
    const Capture& c = ctx.core.capture;
    EXPECT_EQ(c.glngDispTop, frames[5].firstWord);
    EXPECT_EQ(c.glngCursol.front(), frames[5].firstWord);
    EXPECT_EQ(static_cast<int>(c.glngCursol.size()) - 1, frames[5].bytes);
    EXPECT_EQ(c.gintCursolType != 0, frames[5].sd);

    PressKey(&window->monitor(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(c.glngDispTop, frames[6].firstWord);
    PressKey(&window->monitor(), Qt::Key_Up, Qt::ControlModifier);
    PressKey(&window->monitor(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(c.glngDispTop, frames[4].firstWord);
    EXPECT_EQ(table->selectionModel()->selectedRows().value(0).row(), 4);

    // A hit in the middle of frame 9 selects its row and leaves the grid where the hit is.
    const Frame& hit = frames[9];
    const std::vector<int32_t> word{static_cast<int32_t>(hit.firstWord + 1)};
    window->monitor().SetCursol(hit.sd ? 1 : 0, word);
    EXPECT_EQ(table->selectionModel()->selectedRows().value(0).row(), 9);
}

// Without a unit: the menu item, its setting, and the list and marks of an opened file.
class FrameListFileTest : public AppTest {};

TEST_F(FrameListFileTest, OffByDefaultRememberedAndShowsAnOpenedFileWithItsBadCheckOutlined) {
    NoUnit();
    OpenWindow();
    SettleGrid();
    QAction* item = Item("mn_View_Frames");
    auto* dock = window->findChild<QWidget*>("dockFrames");
    ASSERT_NE(dock, nullptr);
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(dock->isVisible());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(dock->isVisible());

    // The Modbus example (10000 bit/s, 10 ms idle steps): seven frames, the third (SD, words
    // 19 .. 26) with a bad CRC.
    LogHeader h;
    h.glngSpeed = 10000;
    h.gintDataLen = 1;
    h.gintIdleMode = 100;
    std::ofstream(FilePath("modbus.vxm"), std::ios::binary)
        << LogFileText(h, FrameExamples().back().records);
    ASSERT_TRUE(window->files().openLog(FilePath("modbus.vxm")));
    auto* table = Control<QTableView>(&window->frameList(), "tblFrameList");
    Control<QComboBox>(&window->frameList(), "cmbFrameProtocol")->setCurrentText("modbus-rtu");
    ASSERT_EQ(table->model()->rowCount(), 7);
    EXPECT_EQ(table->model()->index(2, 7).data().toString(), "bad");
    EXPECT_EQ(table->model()->index(2, 0).data(Qt::BackgroundRole),
              QVariant(QColor(255, 128, 128)));
    EXPECT_EQ(table->model()->index(3, 11).data().toString(), "例外");

    // The grid outlines the bad frame's cells in the error colour, over their own pictures.
    frmMonitor& monitor = window->monitor();
    monitor.surface().flushUpdates();
    const CellGrid& cells = monitor.cells();
    ASSERT_GT(cells.Size(), 26);
    EXPECT_EQ(cells.at(CellRow::SD, 19).mark,
              FrameMark::kStart | FrameMark::kBad | FrameMark::kBadFirst);
    EXPECT_EQ(cells.at(CellRow::SD, 26).mark, FrameMark::kBad | FrameMark::kBadLast);
    EXPECT_EQ(cells.at(CellRow::RD, 10).mark, FrameMark::kStart);
    const QImage picture = monitor.surface().grab().toImage();
    const QRect bad = monitor.surface().gridGeometry().cellRect(CellRow::SD, 22);
    const QRect start = monitor.surface().gridGeometry().cellRect(CellRow::RD, 10);
    EXPECT_EQ(picture.pixelColor(bad.center().x(), bad.top()), QColor(255, 128, 128));
    EXPECT_EQ(picture.pixelColor(start.left(), start.center().y()),
              QColor::fromRgb(CellSurface::kStartMark));
    EXPECT_NE(picture.pixelColor(start.left() + 1, start.center().y()),
              QColor::fromRgb(CellSurface::kStartMark));

    window->shutdownNow();
    EXPECT_NE(ReadText("VXParam.ini").find("FrameList=1\n"), std::string::npos);
}
