#include "link/QtGapTimers.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>

#include "base/Status.h"
#include "link/GapTimers.h"

namespace {

// The timers' settings and the wiring of their ticks; no time passes.
TEST(QtGapTimersTest, NamedTimersWithTheIntervalsOfTheRules) {
    QObject window;
    RunState run;
    int idleTicks = 0;
    {
        QtGapTimers timers(
            run, [&] { ++idleTicks; }, &window);
        auto* idle = window.findChild<QTimer*>(QStringLiteral("timIdle"));
        auto* stamp = window.findChild<QTimer*>(QStringLiteral("timStamp"));
        ASSERT_TRUE(idle != nullptr && stamp != nullptr);
        EXPECT_EQ(idle->interval(), gap::kIdleIntervalUnsetMs);
        EXPECT_FALSE(idle->isActive());
        EXPECT_EQ(stamp->interval(), gap::kStampIntervalMs);
        EXPECT_TRUE(stamp->isSingleShot());

        timers.applyIdleScale(10);
        EXPECT_EQ(idle->interval(), 100);
        EXPECT_TRUE(idle->isActive());
        timers.applyIdleScale(7);  // no scale: left alone
        EXPECT_EQ(idle->interval(), 100);
        EXPECT_TRUE(idle->isActive());
        timers.setIdleTimer(false);
        EXPECT_FALSE(idle->isActive());
        timers.applyIdleScale(100);
        EXPECT_EQ(idle->interval(), 10);
        timers.applyIdleScale(0);
        EXPECT_FALSE(idle->isActive());

        QMetaObject::invokeMethod(idle, "timeout");
        EXPECT_EQ(idleTicks, 1);
        timers.setStampTimer(true);
        EXPECT_TRUE(stamp->isActive());
        QMetaObject::invokeMethod(stamp, "timeout");
        EXPECT_EQ(run.gintStampReq, status::kPending);
        EXPECT_FALSE(stamp->isActive());
    }
    EXPECT_EQ(window.findChild<QTimer*>(), nullptr) << "the timers go with their owner";
}

}  // namespace
