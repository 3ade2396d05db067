#include "view/GridGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(GridGeometryTest, CountsFollowWindowSizeAndCellSize) {
    const auto medium = GridGeometry::countFor(1, 8800, 7300);
    EXPECT_EQ(medium.cols, 20);
    EXPECT_EQ(medium.rows, 10);  // 6500 \ 650

    // Less than one line pitch taller: the same grid.
    const auto taller = GridGeometry::countFor(1, 8800, 7300 + 649);
    EXPECT_EQ(taller.rows, 10);
    EXPECT_EQ(GridGeometry::countFor(1, 8800, 7300 + 650).rows, 11);

    const auto large = GridGeometry::countFor(0, 8800, 7300);
    EXPECT_EQ(large.cols, 16);  // 8000 \ 500
    EXPECT_EQ(large.rows, 8);   // 6500 \ 790
    const auto small = GridGeometry::countFor(2, 8800, 7300);
    EXPECT_EQ(small.cols, 26);  // 8000 \ 300
    EXPECT_EQ(small.rows, 13);  // 6500 \ 470
}

TEST(GridGeometryTest, TinyOrNegativeWindowKeepsOneColumnAndOneLine) {
    for (const auto& [w, h] : {std::pair{0, 0}, {900, 900}, {-5000, -5000}, {1100, 20000}}) {
        const auto c = GridGeometry::countFor(1, w, h);
        EXPECT_GE(c.cols, 1) << w << "x" << h;
        EXPECT_GE(c.rows, 1) << w << "x" << h;
    }
    EXPECT_EQ(GridGeometry(1, 0, 0, 96, 96).cells(), 1);
}

TEST(GridGeometryTest, UnknownCellSizeSettingIsMedium) {
    EXPECT_EQ(GridGeometry::sizeFor(7).lintCellW, 400);
    EXPECT_EQ(GridGeometry::sizeFor(-1).pitch, 650);
}

TEST(GridGeometryTest, TwipPositionsOfRowsAndSeparators) {
    const GridGeometry medium(1, 20, 10, 1440, 1440);  // one pixel per twip
    EXPECT_EQ(medium.rowTopTw(CellRow::RD, 0), 450);
    EXPECT_EQ(medium.rowTopTw(CellRow::SD, 0), 750);
    EXPECT_EQ(medium.rowTopTw(CellRow::RD, 2), 450 + 1300);
    EXPECT_EQ(medium.separatorTw(1), 400 + 650);
    EXPECT_EQ(medium.cellRect(CellRow::SD, 21), QRect(1200, 1400, 400, 255));
    EXPECT_EQ(medium.ruler(3), QRect(2000, 100, 400, 255));
    EXPECT_EQ(medium.rowCaption(CellRow::RD, 0), QRect(200, 450, 550, 255));
    EXPECT_EQ(medium.separator(0), QLine(200, 400, 8800, 400));
    EXPECT_EQ(medium.upArrow(), QRect(60, 60, 315, 285));
    EXPECT_EQ(medium.downArrow(), QRect(375, 60, 315, 285));

    // Small cells (height 185, not above 240) put the SD row 40 twips closer.
    const GridGeometry small(2, 20, 10, 1440, 1440);
    EXPECT_EQ(small.rowTopTw(CellRow::SD, 0), 570);
    EXPECT_EQ(small.rowTopTw(CellRow::RD, 0), 380);
}

TEST(GridGeometryTest, PixelCellsTileWithoutGapsOrOverlaps) {
    const GridGeometry g(1, 20, 10, 96, 96);  // 15 twips per pixel: edges fall between pixels
    for (int32_t k = 0; k + 1 < 20; ++k) {
        const QRect a = g.cellRect(CellRow::RD, k);
        const QRect b = g.cellRect(CellRow::RD, k + 1);
        EXPECT_EQ(a.right() + 1, b.left()) << k;
        EXPECT_EQ(a.top(), b.top());
    }
    EXPECT_LT(g.cellRect(CellRow::RD, 0).bottom(), g.cellRect(CellRow::SD, 0).top());
    EXPECT_LT(g.cellRect(CellRow::SD, 0).bottom(), g.separator(1).y1());
}

TEST(GridGeometryTest, EveryLineIsTheFirstMovedDownByWholePixelPitches) {
    for (const int size : {0, 1, 2}) {
        const GridGeometry g(size, 20, 10, 96, 96);  // pitches of 52.7, 43.3 and 31.3 pixels
        const int pitch = g.linePitchPx();
        EXPECT_EQ(pitch, std::lround(GridGeometry::sizeFor(size).pitch / 15.0)) << size;
        const QRect band = g.linesRect();
        EXPECT_EQ(band.height(), 10 * pitch);
        for (int32_t i = 0; i < 10; ++i) {
            const QRect line(band.x(), band.y() + i * pitch, band.width(), pitch);
            EXPECT_EQ(g.separator(i).translated(0, -i * pitch), g.separator(0));
            EXPECT_TRUE(line.contains(g.separator(i).p1()) && line.contains(g.separator(i).p2()));
            for (const CellRow row : {CellRow::RD, CellRow::SD}) {
                EXPECT_EQ(g.rowCaption(row, i), g.rowCaption(row, 0).translated(0, i * pitch));
                EXPECT_TRUE(line.contains(g.rowCaption(row, i)));
                for (const int32_t j : {0, 7, 19}) {
                    const QRect cell = g.cellRect(row, i * 20 + j);
                    EXPECT_EQ(cell, g.cellRect(row, j).translated(0, i * pitch)) << i << "," << j;
                    EXPECT_TRUE(line.contains(cell));
                }
            }
        }
    }
}

TEST(GridGeometryTest, HitTestsFindEveryCellAndNothingBetween) {
    const GridGeometry g(2, 30, 12, 96, 96);
    for (int32_t k = 0; k < g.cells(); k += 7) {
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            const QRect r = g.cellRect(row, k);
            for (const QPoint p : {r.topLeft(), r.center(), r.bottomRight()}) {
                CellRow found = CellRow::RD;
                ASSERT_EQ(g.cellAt(p, found), k) << p.x() << "," << p.y();
                EXPECT_EQ(found, row);
            }
        }
    }
    CellRow row = CellRow::RD;
    EXPECT_EQ(g.cellAt(g.rowCaption(CellRow::RD, 0).center(), row), -1);
    const QRect last = g.cellRect(CellRow::RD, 29);
    EXPECT_EQ(g.cellAt(QPoint(last.right() + 2, last.center().y()), row), -1);
    const QRect below = g.cellRect(CellRow::SD, 29);
    EXPECT_EQ(g.cellAt(QPoint(below.center().x(), below.bottom() + 3), row), -1);  // between lines
    EXPECT_EQ(g.rulerAt(g.ruler(17).center()), 17);
    EXPECT_EQ(g.rulerAt(g.cellRect(CellRow::RD, 17).center()), -1);
    EXPECT_EQ(g.arrowAt(g.upArrow().center()), GridGeometry::Arrow::Up);
    EXPECT_EQ(g.arrowAt(g.downArrow().center()), GridGeometry::Arrow::Down);
}

TEST(GridGeometryTest, CellSpanCoversTheCellsOfARectangle) {
    const GridGeometry g(1, 20, 10, 96, 96);
    const QRect cell = g.cellRect(CellRow::SD, 5 * 20 + 7);
    const auto span = g.cellSpan(cell);
    EXPECT_LE(span.firstLine, 5);
    EXPECT_GE(span.lastLine, 5);
    EXPECT_LE(span.firstCol, 7);
    EXPECT_GE(span.lastCol, 7);
    EXPECT_LE(span.lastLine - span.firstLine, 2);  // a partial repaint stays local
    const auto none = g.cellSpan(QRect(0, 0, 5, 5));
    EXPECT_GT(none.firstLine, none.lastLine);
}

TEST(GridGeometryTest, RulerRenumbersFromTheDroppedNumber) {
    const auto numbers = renumberRuler(20, 1, 4);
    const std::vector<int32_t> head(numbers.begin(), numbers.begin() + 7);
    EXPECT_EQ(head, (std::vector<int32_t>{17, 18, 19, 20, 1, 2, 3}));
    EXPECT_EQ(numbers.back(), 16);

    // Number 20 dropped on the first column; and a number on its own column keeps the order.
    EXPECT_EQ(renumberRuler(5, 5, 0), (std::vector<int32_t>{5, 1, 2, 3, 4}));
    EXPECT_EQ(renumberRuler(5, 3, 2), (std::vector<int32_t>{1, 2, 3, 4, 5}));
}

}  // namespace
