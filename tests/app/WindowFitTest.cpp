// Windows that fit the screen: the main window's stored size and the reply-time window's place.
#include <QGuiApplication>
#include <QScreen>

#include "app/WindowFit.h"
#include "app/frmAnalysis.h"
#include "support/MainWindowFixture.h"

TEST(WindowFitTest, AStoredSizeIsFittedInsideTheScreenAtEveryScaleFactor) {
    // A 1600 x 1000 screen with a 40-pixel panel on top; at a scale factor the window works in
    // device-independent pixels, so the area shrinks by that factor. Stored sizes in twips at
    // 96 dpi (15 twips a pixel).
    struct Case {
        QSize twips;
        double scale;
        QSize fitted;
    };
    const Case cases[] = {
        {{15000, 9000}, 1.0, {1000, 600}},   // fits: kept
        {{15000, 9000}, 1.5, {1000, 592}},   // 1066 x 640 leaves 1050 x 592
        {{15000, 9000}, 2.0, {784, 432}},    // 800 x 480 leaves 784 x 432
        {{30000, 21000}, 1.0, {1584, 912}},  // the size stored at a scale factor of 2
        {{30000, 21000}, 2.0, {784, 432}},  {{23760, 13680}, 1.0, {1584, 912}},  // exactly the room
        {{1500, 1500}, 2.0, {100, 100}},  // small windows are never made larger
        {{30000, 21000}, 40.0, {24, 1}},  // a tiny area: at least one pixel a side
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.twips.width() << "x" << c.twips.height() << " at " << c.scale);
        const QRect area(0, static_cast<int>(40 / c.scale), static_cast<int>(1600 / c.scale),
                         static_cast<int>(960 / c.scale));
        const QSize fitted = fittedSize(c.twips / 15, kAssumedFrame, area);
        EXPECT_EQ(fitted, c.fitted);
        if (area.height() > kAssumedFrame.top() + kAssumedFrame.bottom()) {
            EXPECT_TRUE(area.contains(QRect(area.topLeft(), fitted.grownBy(kAssumedFrame))));
        }
    }
}

TEST(WindowFitTest, ASecondWindowGoesBesideOrBelowTheMainWindowWhereThereIsRoom) {
    const QRect screen(0, 0, 1600, 1000);
    const QMargins frame = kAssumedFrame;
    struct Case {
        const char* what;
        QRect main;  // frame rectangles
        QSize wanted;
        QSize minimum;
        std::optional<QRect> placed;
    };
    const Case cases[] = {
        {"right, top lined up",
         {0, 100, 800, 600},
         {700, 500},
         {400, 300},
         QRect(800, 100, 716, 548)},
        {"right, cut to the room",
         {0, 0, 1000, 600},
         {700, 500},
         {400, 300},
         QRect(1000, 0, 600, 548)},
        {"right, raised to stay on screen",
         {0, 800, 800, 200},
         {700, 500},
         {400, 300},
         QRect(800, 452, 716, 548)},
        {"left", {900, 100, 700, 600}, {700, 500}, {400, 300}, QRect(184, 100, 716, 548)},
        {"below, cut to the room",
         {0, 0, 1600, 500},
         {700, 500},
         {400, 300},
         QRect(0, 500, 716, 500)},
        {"left, a large window",
         {1200, 0, 400, 600},
         {1180, 720},
         {800, 300},
         QRect(4, 0, 1196, 768)},
        {"below, moved left to stay on screen",
         {800, 0, 800, 500},
         {1180, 720},
         {800, 300},
         QRect(404, 500, 1196, 500)},
        {"maximised: on top", {0, 0, 1600, 1000}, {700, 500}, {400, 300}, std::nullopt},
        {"the reply-time window by a 1100 x 640 window: on top",
         {0, 0, 1116, 688},
         {1180, 720},
         {800, 500},
         std::nullopt},
        {"a main window partly off the screen",
         {-300, 0, 800, 1000},
         {700, 500},
         {400, 300},
         QRect(500, 0, 716, 548)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<QRect> placed = placeBeside(c.main, c.wanted, c.minimum, frame, screen);
        EXPECT_EQ(placed, c.placed);
        if (placed) {
            EXPECT_TRUE(screen.contains(*placed));
            EXPECT_FALSE(placed->intersects(c.main));
        }
    }
}

TEST_F(AppTest, ARestoredWindowFitsTheScreenAndKeepsItsStoredSizeUntilResized) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int width = (area.width() + 500) * 15;
    const int height = (area.height() + 300) * 15;
    WriteSettings("[Window_Inf]\nState=0\nHeight=" + std::to_string(height) +
                  "\nWidth=" + std::to_string(width) + "\n");
    ShowWindow();
    RunFor(50);
    EXPECT_EQ(window->size(), area.size().shrunkBy(kAssumedFrame));
    const Settings& s = ctx.core.settings;
    EXPECT_EQ(s.glngWinWidth, width);
    EXPECT_EQ(s.glngWinHeight, height);

    // The user makes it smaller: that size is stored.
    window->resize(400, 300);
    RunFor(50);
    EXPECT_EQ(s.glngWinWidth, 6000);
    EXPECT_EQ(s.glngWinHeight, 4500);
}

TEST_F(AppTest, TheReplyTimeWindowOpensBesideTheMainWindowWhenThereIsRoom) {
    NoUnit();
    OpenWindow();
    const QRect area = window->screen()->availableGeometry();
    window->resize(200, 300);
    window->move(area.topLeft());
    RunFor(50);
    Item("mn_Tool_Analysis")->trigger();
    auto* analysis = window->findChild<frmAnalysis*>("frmAnalysis");
    ASSERT_NE(analysis, nullptr);
    ASSERT_TRUE(analysis->isVisible());
    EXPECT_FALSE(analysis->frameGeometry().intersects(window->frameGeometry()));
    EXPECT_TRUE(area.contains(analysis->frameGeometry()));
}
