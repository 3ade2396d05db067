#include "files/LTime.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "files/TempFolder.h"
#include "support/FakeClock.h"

TEST(LTime, WritesTheTwelveDigitTimeAndReportsFailure) {
    TempFolder folder;
    FakeClock clock;
    clock.now = DateTime{2026, 3, 4, 5, 6, 7, 0};
    ASSERT_EQ(WriteLTime(folder.Path(), clock), 0);
    std::ifstream in(folder.File("LTime.txt"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "260304050607");
    EXPECT_EQ(WriteLTime(folder.File("missing-folder"), clock), -1);
}
