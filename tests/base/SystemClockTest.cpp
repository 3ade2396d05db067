#include "base/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <tuple>

// The system clock gives the local time of the moment it is asked, also when it is asked many
// times within one second and again in the next: every call that falls within one second is
// compared with the C library's own conversion.
TEST(SystemClockTest, GivesTheLocalTimeOfEachSecondItIsAskedIn) {
    // time() may read a coarser clock that lags by a few milliseconds.
    const auto secondNow = [] {
        return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    };
    const SystemClock clock;
    int seconds = 0;
    std::time_t last = -1;
    for (int tries = 0; tries < 3000 && seconds < 2; ++tries) {
        const std::time_t before = secondNow();
        const DateTime t = clock.now();
        if (secondNow() != before) {
            continue;  // crossed a second: which one it gave is not known
        }
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &before);
#else
        localtime_r(&before, &local);
#endif
        ASSERT_EQ(std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second),
                  std::make_tuple(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                  local.tm_hour, local.tm_min, local.tm_sec));
        ASSERT_TRUE(t.millisecond >= 0 && t.millisecond < 1000) << t.millisecond;
        if (before != last) {
            last = before;
            ++seconds;
        }
        // The real clock is what is tested: at most about a second passes here.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(seconds, 2);
}
