#include "files/LTime.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "files/TempFolder.h"
#include "support/FakeClock.h"

TEST(LTime, WritesTheTwelveDigitTimeAndReportsFailure) {
    TempFolder folder;
    FakeClock clock;
    clock.time = DateTime{2026, 3, 4, 5, 6, 7, 0};
    ASSERT_EQ(WriteLTime(folder.path(), clock), 0);
    std::ifstream in(folder.File("LTime.txt"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "260304050607");
    EXPECT_EQ(WriteLTime(folder.File("missing-folder"), clock), -1);
}

TEST(LTime, ReadLTimeTakesTheFirstItemOrFallsBackToTheClock) {
    FakeClock clock;
    clock.time = DateTime{2026, 1, 2, 3, 4, 5, 0};
    const std::string now = "260102030405";
    struct Case {
        const char* file;  // nullptr: no file
        std::string expected;
    };
    const std::vector<Case> cases = {
        {nullptr, now},
        {"070309140530\r\n", "070309140530"},
        {"070309140530,999999999999\n", "070309140530"},
        {" \"070309140530\" \n2nd line", "070309140530"},
        {"", now},
        {"0703091405\n", now},
        {"../../etc/x1\n", now},  // it becomes part of a file name
        {"0703091405301\n", now},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        if (c.file != nullptr) {
            folder.write("LTime.txt", c.file);
        }
        EXPECT_EQ(ReadLTime(folder.path(), clock), c.expected) << (c.file ? c.file : "(none)");
    }
}
