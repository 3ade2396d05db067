#include "link/GapTimers.h"

#include <gtest/gtest.h>

#include <string>

#include "base/Status.h"
#include "support/FakeClock.h"

namespace {

TEST(IdleCountTest, CountsUnitsOfTheScaleInSinglePrecision) {
    EXPECT_EQ(gap::idleCount(2.34f, 0.0f, 10), 23);
    EXPECT_EQ(gap::idleCount(36002.34f, 36000.0f, 10), 23);  // late in the day as well
    EXPECT_EQ(gap::idleCount(86002.34f, 86000.0f, 100), 234);
    EXPECT_EQ(gap::idleCount(12.5f, 10.0f, 1), 2);  // halves to even
    EXPECT_EQ(gap::idleCount(13.5f, 10.0f, 1), 4);
    EXPECT_EQ(gap::idleCount(10.0f, 10.0f, 100), 0);
}

TEST(IdleCountTest, GapsAcrossMidnightAndBeyondSixDigits) {
    EXPECT_EQ(gap::idleCount(1.0f, 86399.0f, 1), 2);
    EXPECT_EQ(gap::idleCount(0.5f, 86399.5f, 10), 10);
    EXPECT_EQ(gap::idleCount(20000.0f, 0.0f, 100), gap::kMaxIdleCount);
}

TEST(GapTimersTest, TheIdleTimerTicksOncePerIdleUnitOfAScale) {
    const std::pair<int, std::optional<int>> cases[] = {
        {0, std::nullopt}, {1, 1000}, {10, 100}, {100, 10}, {5, std::nullopt}, {-1, std::nullopt}};
    for (const auto& [scale, ms] : cases) {
        EXPECT_EQ(gap::idleIntervalMs(scale), ms) << scale;
    }
}

TEST(GapTimersTest, TicksRaiseTheDecodersRequestsOnlyWhileMonitoring) {
    Settings settings;
    settings.gintIdleMode = 10;
    RunState run;
    FakeClock clock;
    clock.SetTime(9, 0, 2, 340);
    run.gsngIdleStart = 9 * 3600;
    EXPECT_EQ(gap::raiseIdleRequest(settings, run, clock), -1);  // gintRun 0
    EXPECT_EQ(run.gintIdleReq, status::kDone);

    run.gintRun = 1;
    EXPECT_EQ(gap::raiseIdleRequest(settings, run, clock), 23);
    EXPECT_EQ(std::string(run.gstrIdle), "000023");
    EXPECT_EQ(run.gintIdleReq, status::kPending);

    EXPECT_EQ(run.gintStampReq, status::kDone);
    gap::raiseStampRequest(run);
    EXPECT_EQ(run.gintStampReq, status::kPending);
}

}  // namespace
