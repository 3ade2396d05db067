#include "view/frmMonitor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <random>

#include "ViewFakes.h"
#include "capture/Records.h"
#include "support/FakeClock.h"

namespace {

// Collects the rectangles and regions the surface paints.
struct PaintSpy : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            rects.push_back(static_cast<QPaintEvent*>(e)->rect());
            region += static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
    void clear() {
        rects.clear();
        region = QRegion();
    }
    std::vector<QRect> rects;
    QRegion region;
};

class MonitorWindowTest : public ::testing::Test {
  protected:
    MonitorWindowTest() : monitor(state.monitor(), clock, status, triggers) {}

    // Resizes the window to a size given in twips and lets the rebuild run.
    void ResizeTw(int widthTw, int heightTw) {
        monitor.resize(static_cast<int>(std::lround(widthTw * monitor.logicalDpiX() / 1440.0)),
                       static_cast<int>(std::lround(heightTw * monitor.logicalDpiY() / 1440.0)));
        monitor.show();
        QCoreApplication::processEvents();
        if (ResizeTimer()->isActive()) {
            monitor.timResize_Timer();
        }
    }
    QTimer* ResizeTimer() { return monitor.findChild<QTimer*>(QStringLiteral("timResize")); }
    void Words(const std::vector<int>& words) { HoldWords(state, words); }
    QImage Render() { return monitor.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The pixels the window shows: its backing store as the frames left it.
    QImage Shown() {
        return QGuiApplication::primaryScreen()
            ->grabWindow(monitor.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // The frame timer's tick, and the events it leaves.
    void Frame() {
        monitor.surface().flushUpdates();
        QCoreApplication::processEvents();
    }
    // Pixels of a cell far from its background colour: drawn text.
    static int InkPixels(const QImage& image, const QRect& cell) {
        const QColor back = image.pixelColor(cell.topLeft() + QPoint(1, 1));
        int ink = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x < cell.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                ink += std::abs(c.red() - back.red()) + std::abs(c.green() - back.green()) +
                           std::abs(c.blue() - back.blue()) >
                       150;
            }
        }
        return ink;
    }
    static QColor Win(int32_t v) { return {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF}; }

    CoreState state;
    FakeClock clock;
    RecordingStatus status;
    RecordingObserver triggers;
    frmMonitor monitor;
};

TEST_F(MonitorWindowTest, StartsAsNewMonitorAndTakesFileNamesWithoutFolder) {
    EXPECT_EQ(monitor.objectName(), "frmMonitor");
    EXPECT_EQ(monitor.windowTitle(), "New Monitor");
    monitor.showFileCaption(QStringLiteral("C:\\VX\\Dat\\line2.vxm"));
    EXPECT_EQ(monitor.windowTitle(), "line2.vxm");
    monitor.showFileCaption(QStringLiteral("/home/u/dat/line3.vxm"));
    EXPECT_EQ(monitor.windowTitle(), "line3.vxm");
    monitor.showNewCaption();
    EXPECT_EQ(monitor.windowTitle(), "New Monitor");
}

TEST_F(MonitorWindowTest, GridFollowsTheWindowSizeThroughTheRebuildTimer) {
    ResizeTw(8800, 7300);
    EXPECT_EQ(state.grid.lintCol, 20);
    EXPECT_EQ(state.grid.lintRow, 10);
    EXPECT_EQ(state.grid.lintCell, 200);
    EXPECT_EQ(monitor.cells().Size(), 200);
    EXPECT_EQ(monitor.surface().gridGeometry().cells(), 200);

    // A new size is only noted; the grid is rebuilt on the timer's tick.
    state.grid.lintPos = 7;
    monitor.resize(monitor.width() + 60, monitor.height());  // 900 twips wider
    EXPECT_EQ(state.grid.lintCol, 22);
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_TRUE(ResizeTimer()->isActive());
    EXPECT_EQ(monitor.cells().Size(), 200);
    monitor.timResize_Timer();
    EXPECT_EQ(monitor.cells().Size(), 220);
    EXPECT_FALSE(ResizeTimer()->isActive());

    // Less than one line pitch taller: nothing to rebuild.
    state.grid.lintPos = 7;
    monitor.resize(monitor.width(), monitor.height() + 40);  // 600 twips
    EXPECT_FALSE(ResizeTimer()->isActive());
    EXPECT_EQ(state.grid.lintPos, 7);

    ResizeTw(300, 300);
    EXPECT_EQ(monitor.cells().Size(), 1);
    EXPECT_EQ(state.grid.lintCol, 1);
}

TEST_F(MonitorWindowTest, LiveRunKeepsTheGridUnlessResizingIsAllowed) {
    ResizeTw(8800, 7300);
    state.run.gintRun = 1;
    monitor.resize(monitor.width() + 100, monitor.height() + 100);
    EXPECT_EQ(state.grid.lintCell, 200);

    state.run.gintRireki = 1;  // background monitoring browses: the grid follows
    monitor.resize(monitor.width() + 30, monitor.height());
    EXPECT_NE(state.grid.lintCell, 200);

    state.run.gintRireki = 0;
    state.settings.gintResizeMode = 1;
    ResizeTw(8800, 7300);
    EXPECT_EQ(state.grid.lintCell, 200);
}

TEST_F(MonitorWindowTest, RebuildRestartsTheLiveViewOrRedrawsTheHistory) {
    ResizeTw(8800, 7300);
    Words({0x41, 0x42, 0x43, 0x44});
    state.capture.glngDispTop = 2;
    ResizeTw(9300, 7300);  // 21 columns
    EXPECT_EQ(CellText::utf8(monitor.cells().at(CellRow::RD, 0).text, state.gstrChr), "Ｃ");

    state.run.gintRun = 1;
    state.settings.gintResizeMode = 1;
    monitor.live().DispMonitor(0x84, 0xC1);
    ResizeTw(8800, 7300);
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_EQ(monitor.cells().at(CellRow::RD, 0).text, CellText::kEmpty);
}

TEST_F(MonitorWindowTest, NewCellSizeRebuildsEvenWithTheSameCounts) {
    ResizeTw(300, 300);  // one cell whatever the size
    state.settings.gintFontSize = 0;
    monitor.CalcResize();
    EXPECT_TRUE(ResizeTimer()->isActive());
    monitor.timResize_Timer();
    EXPECT_EQ(monitor.surface().gridGeometry().Size().lintCellW, 500);
}

TEST_F(MonitorWindowTest, DraggingARulerNumberRenumbersTheRuler) {
    ResizeTw(8800, 7300);
    CellSurface& surface = monitor.surface();
    const GridGeometry& g = surface.gridGeometry();
    QTest::mousePress(&surface, Qt::LeftButton, {}, g.ruler(0).center());
    QTest::mouseRelease(&surface, Qt::LeftButton, {}, g.ruler(4).center());
    const auto& n = surface.rulerNumbers();
    EXPECT_EQ(std::vector<int32_t>(n.begin(), n.begin() + 6),
              (std::vector<int32_t>{17, 18, 19, 20, 1, 2}));

    // Released off the ruler: nothing changes.
    QTest::mousePress(&surface, Qt::LeftButton, {}, g.ruler(1).center());
    QTest::mouseRelease(&surface, Qt::LeftButton, {}, g.cellRect(CellRow::RD, 5).center());
    EXPECT_EQ(surface.rulerNumbers()[0], 17);

    ResizeTw(9300, 7300);  // 21 columns  // a rebuilt ruler starts from 1 again
    EXPECT_EQ(surface.rulerNumbers()[0], 1);
    EXPECT_EQ(surface.rulerNumbers()[20], 21);
}

TEST_F(MonitorWindowTest, ClearDatBlanksTheWindowAndShowsLineOne) {
    ResizeTw(8800, 7300);
    state.capture.AllocBuffer(1);
    state.run.gintRun = 1;
    monitor.live().DispMonitor(0x84, 0xC1);
    monitor.ClearDat();
    EXPECT_EQ(monitor.cells().at(CellRow::RD, 0).text, CellText::kEmpty);
    EXPECT_EQ(state.grid.lintPos, 0);
    EXPECT_EQ(status.panels[MonitorStatus::kLinePanel], "1行");
}

TEST_F(MonitorWindowTest, RenderedHistoryPutsColoursAndTextsInTheirCells) {
    ResizeTw(8800, 7300);
    const Settings& s = state.settings;
    Words({0x41, word::kSd + 0x42, word::kParity + 0x43, word::kStamp + 12, 3456, 0x44});
    state.capture.glngCursol = {5, -1};
    state.capture.gintCursolType = 0;
    monitor.dispRirekiAt(0);
    const QImage image = Render();
    const GridGeometry& g = monitor.surface().gridGeometry();
    auto cell = [&](CellRow row, int32_t k) { return g.cellRect(row, k); };
    auto back = [&](CellRow row, int32_t k) {
        return image.pixelColor(cell(row, k).topLeft() + QPoint(1, 1));
    };

    EXPECT_EQ(back(CellRow::RD, 0), Win(s.glngColRD));
    EXPECT_EQ(back(CellRow::SD, 0), Win(s.glngColSD));
    EXPECT_GT(InkPixels(image, cell(CellRow::RD, 0)), 5);
    EXPECT_EQ(InkPixels(image, cell(CellRow::SD, 0)), 0);
    EXPECT_EQ(InkPixels(image, cell(CellRow::RD, 1)), 0);
    EXPECT_GT(InkPixels(image, cell(CellRow::SD, 1)), 5);
    EXPECT_EQ(back(CellRow::RD, 2), Win(s.glngColErr));
    EXPECT_GT(InkPixels(image, cell(CellRow::RD, 2)), 5);
    for (const int32_t k : {3, 4}) {
        EXPECT_EQ(back(CellRow::RD, k), Win(s.glngColTmst));
        EXPECT_EQ(back(CellRow::SD, k), Win(s.glngColTmst));
        EXPECT_GT(InkPixels(image, cell(CellRow::SD, k)), 5);
    }
    // The highlighted cell: black with text in the row colour.
    EXPECT_EQ(back(CellRow::RD, 5), QColor(Qt::black));
    EXPECT_GT(InkPixels(image, cell(CellRow::RD, 5)), 5);
    EXPECT_EQ(back(CellRow::RD, 6), Win(s.glngColRD));
    EXPECT_EQ(InkPixels(image, cell(CellRow::RD, 6)), 0);
    EXPECT_EQ(InkPixels(image, cell(CellRow::SD, 199)), 0);

    // Ruler numbers and row captions are drawn.
    EXPECT_GT(InkPixels(image, g.ruler(0)), 3);
    EXPECT_GT(InkPixels(image, g.rowCaption(CellRow::SD, 9)), 3);
}

TEST_F(MonitorWindowTest, LiveRecordRepaintsItsCellAndAFilledPageOnlyWhatItChanged) {
    ResizeTw(8800, 7300);
    PaintSpy spy;
    monitor.surface().installEventFilter(&spy);
    monitor.surface().flushUpdates();
    QCoreApplication::processEvents();
    spy.rects.clear();

    state.run.gintRun = 1;
    monitor.live().DispMonitor(0xA4, 0xC1);  // SD 0x41
    monitor.surface().flushUpdates();        // the frame timer's tick
    QCoreApplication::processEvents();
    const QRect cell = monitor.surface().gridGeometry().cellRect(CellRow::SD, 0);
    ASSERT_EQ(spy.rects.size(), 1U);
    EXPECT_EQ(spy.rects[0], cell);

    spy.clear();
    for (int i = 1; i < 200; ++i) {
        monitor.live().DispMonitor(0x84, 0xC1);
    }
    Frame();
    // The page filled and was cleared within one frame: of all its cells only the first SD
    // cell shows something else now, and that one cell is painted.
    ASSERT_EQ(spy.rects.size(), 1U);
    EXPECT_EQ(spy.rects[0], cell);
}

TEST_F(MonitorWindowTest, AFramePaintsWhatTheReadAtItsStartBroughtAndLeavesNoTimerBehind) {
    ResizeTw(8800, 7300);
    CellSurface& surface = monitor.surface();
    auto* timer = surface.findChild<QTimer*>(QStringLiteral("frameTimer"));
    ASSERT_NE(timer, nullptr);
    Frame();
    PaintSpy spy;
    surface.installEventFilter(&spy);
    state.run.gintRun = 1;
    // The port's read at the frame brings a record.
    const QMetaObject::Connection read = QObject::connect(
        &surface, &CellSurface::frameDue, [&] { monitor.live().DispMonitor(0xA4, 0xC1); });
    surface.flushUpdates();
    QObject::disconnect(read);
    const QRect first = surface.gridGeometry().cellRect(CellRow::SD, 0);
    EXPECT_TRUE(spy.region.contains(first));
    EXPECT_FALSE(timer->isActive());  // no wake-up for a frame with nothing to paint
}

TEST_F(MonitorWindowTest, ScrollMovesThePaintedLinesAndPaintsOnlyWhatChanged) {
    ResizeTw(8800, 7300);  // 20 x 10 cells
    const GridGeometry& g = monitor.surface().gridGeometry();
    PaintSpy spy;
    monitor.surface().installEventFilter(&spy);
    state.run.gintRun = 1;
    state.settings.gintScroll = 1;
    for (int i = 0; i < 195; ++i) {
        monitor.live().DispMonitor(static_cast<uint8_t>(0x84 | (i % 3 == 0 ? 0x20 : 0)),
                                   static_cast<uint8_t>(0xC0 | i % 16));
    }
    Frame();
    spy.clear();
    // A mark in the window's pixels on cell 194, which does not change: it moves up a line
    // with the scroll and stays, since only changed cells are painted.
    {
        QPainter marker(monitor.backingStore()->paintDevice());
        marker.fillRect(g.cellRect(CellRow::SD, 194), Qt::magenta);
    }
    for (int i = 0; i < 10; ++i) {  // the line fills, the screen scrolls, five more
        monitor.live().DispMonitor(0xA5, static_cast<uint8_t>(0xC0 | i));
    }
    Frame();
    // Painted: the five cells of line 9 that changed before the scroll (cells 175..179 after
    // it), and line 9, which came in; the lines above only moved up.
    EXPECT_TRUE(spy.region.contains(g.cellRect(CellRow::SD, 175)));
    EXPECT_TRUE(spy.region.contains(g.cellRect(CellRow::SD, 199)));
    EXPECT_FALSE(spy.region.intersects(g.cellRect(CellRow::RD, 0)));
    EXPECT_FALSE(spy.region.intersects(g.cellRect(CellRow::SD, 159)));
    QImage shown = Shown();
    EXPECT_EQ(shown.pixelColor(g.cellRect(CellRow::SD, 174).center()), QColor(Qt::magenta));
    // Apart from the mark the window shows the grid.
    QPainter unmark(&shown);
    unmark.drawImage(g.cellRect(CellRow::SD, 174).topLeft(), Render(),
                     g.cellRect(CellRow::SD, 174));
    unmark.end();
    EXPECT_EQ(shown, Render());
}

TEST_F(MonitorWindowTest, CellsThatScrolledUpIntoAPlaceThatShowedTheSameArePaintedThere) {
    // Every cell is SD "A": a cell written after the last frame and moved up by the scroll
    // holds what its place showed before, but the pixels moved there show another line.
    const struct {
        int16_t step;
        int records;  // after the frame that showed lines 1 to 9 full, line 10 empty
    } rows[] = {{1, 20}, {1, 40}, {3, 20}};
    ResizeTw(8800, 7300);  // 20 x 10 cells
    state.run.gintRun = 1;
    for (const auto& row : rows) {
        state.settings.gintScroll = row.step;
        monitor.ClearDat();
        for (int i = 0; i < 180; ++i) {
            monitor.live().DispMonitor(0xA4, 0xC1);
        }
        Frame();
        for (int i = 0; i < row.records; ++i) {
            monitor.live().DispMonitor(0xA4, 0xC1);
        }
        Frame();
        EXPECT_EQ(Shown(), Render()) << "scroll step " << row.step << ", " << row.records;
    }
}

TEST_F(MonitorWindowTest, WhatTheWindowShowsAfterManyLiveFramesIsTheGrid) {
    for (const int16_t fontSize : {0, 1, 2}) {  // line pitches of 52.7, 43.3 and 31.3 twips/15
        state.settings.gintFontSize = fontSize;
        ResizeTw(8800, 7300);
        state.run.gintRun = 1;
        state.settings.gintScroll = static_cast<int16_t>(fontSize == 1 ? 0 : 1 + fontSize);
        std::mt19937 rng(fontSize);
        for (int frame = 0; frame < 40; ++frame) {
            // Now and then more than half a screen or more than a screen between two frames.
            const int n = static_cast<int>(rng() % (frame % 5 == 4   ? 450
                                                    : frame % 5 == 2 ? 200
                                                                     : 70));
            for (int i = 0; i < n; ++i) {
                // Few values: a cell often holds what its place showed before a scroll. Their
                // ink differs in width and height (a frame copies only the ink of the old and
                // new text where the colours stay), and now and then a parity error changes
                // the colours.
                static constexpr uint8_t kValues[] = {'A', '.', 'W', '|', 0x01};
                const uint8_t v = kValues[rng() % std::size(kValues)];
                const uint8_t parity = rng() % 16 == 0 ? 0x10 : 0;
                monitor.live().DispMonitor(
                    static_cast<uint8_t>(0x80 | (rng() % 2 ? 0x20 : 0) | parity | v >> 4),
                    static_cast<uint8_t>(0xC0 | (v & 0x0F)));
            }
            if (frame % 7 == 3) {
                monitor.live().DispTimeStamp("123456");
            }
            if (frame % 11 == 5) {
                monitor.surface().repaint();  // a paint between the scroll and the frame
            }
            Frame();
        }
        ASSERT_EQ(Shown(), Render()) << "cell size " << fontSize;
        state.run.gintRun = 0;
    }
}

}  // namespace
