#include <gtest/gtest.h>

#include "SimulatorWindow.h"

TEST(WindowPlacementTest, TheWholeWindowWithItsFrameIsCentredOnTheScreen) {
    const QMargins frame(8, 40, 8, 8);
    struct Case {
        QSize size;
        QRect area;
        QRect placed;
    };
    const Case cases[] = {
        // The simulator's window on a 1600 x 1000 screen and on the right of two screens.
        {{560, 520}, {0, 0, 1600, 1000}, {512, 216, 576, 568}},
        {{560, 520}, {1600, 0, 1280, 800}, {1952, 116, 576, 568}},
        // A screen smaller than the window, below a panel: the window shrinks to fit.
        {{560, 520}, {0, 30, 800, 450}, {112, 30, 576, 450}},
    };
    for (const Case& c : cases) {
        const QRect placed = FramePlacement(c.size, frame, c.area);
        EXPECT_EQ(placed, c.placed);
        EXPECT_TRUE(c.area.contains(placed));
    }
}
