#include "run/IdleRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(IdleCountTest, CountsUnitsOfTheScaleInSinglePrecision) {
    EXPECT_EQ(idle::count(2.34f, 0.0f, 10), 23);
    EXPECT_EQ(idle::count(36002.34f, 36000.0f, 10), 23);  // late in the day as well
    EXPECT_EQ(idle::count(86002.34f, 86000.0f, 100), 234);
    EXPECT_EQ(idle::count(12.5f, 10.0f, 1), 2);  // halves to even
    EXPECT_EQ(idle::count(13.5f, 10.0f, 1), 4);
    EXPECT_EQ(idle::count(10.0f, 10.0f, 100), 0);
}

TEST(IdleCountTest, GapsAcrossMidnightAndBeyondSixDigits) {
    EXPECT_EQ(idle::count(1.0f, 86399.0f, 1), 2);
    EXPECT_EQ(idle::count(0.5f, 86399.5f, 10), 10);
    EXPECT_EQ(idle::count(20000.0f, 0.0f, 100), idle::kMaxCount);
}
}  // namespace
