#include "search/TimeSearch.h"

#include <gtest/gtest.h>

#include "SearchWords.h"

using namespace sw;

namespace {

struct TimeCase {
    std::string text;
    bool valid;
};

class SearchTimeText : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SearchTimeText, IsSixDigitsOfATimeOfDay) {
    EXPECT_EQ(isSearchTime(GetParam().text), GetParam().valid) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, SearchTimeText,
                         ::testing::Values(TimeCase{"093005", true}, TimeCase{"000000", true},
                                           TimeCase{"235959", true}, TimeCase{"256000", false},
                                           TimeCase{"126100", false}, TimeCase{"120060", false},
                                           TimeCase{"240000", false}, TimeCase{"93005", false},
                                           TimeCase{"12a000", false}, TimeCase{"12:300", false},
                                           TimeCase{"", false}, TimeCase{"1230000", false}));

// Stamps 09:00:00, 09:10:00 and 09:20:00 at words 2, 7 and 12, with data and idle records.
const Words kStamps = Cat({Rd({0x41, 0x42}), Stamp(9, 0, 0), Sd({0x43}), Idle(8500),
                           Stamp(9, 10, 0), Rd({0x44, 0x45, 0x46}), Stamp(9, 20, 0), Sd({0x47})});

struct FitCase {
    std::string time;
    int32_t pos;
};

class SearchTimeFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(SearchTimeFit, FindsTheBestFittingStamp) {
    int32_t pos = -1;
    ASSERT_EQ(SearchTime(kStamps, GetParam().time, pos), 1);
    EXPECT_EQ(pos, GetParam().pos);
}

INSTANTIATE_TEST_SUITE_P(Cases, SearchTimeFit,
                         ::testing::Values(FitCase{"091500", 7},    // the one before
                                           FitCase{"085959", 2},    // the first is later
                                           FitCase{"093000", 12},   // all are earlier
                                           FitCase{"091000", 7},    // exact
                                           FitCase{"090000", 2}));  // exact at the first

TEST(SearchTime, NothingWithoutTimeStamps) {
    int32_t pos = 77;
    EXPECT_EQ(SearchTime(Cat({Rd({0x41}), Idle(123456), Sd({0x30})}), "091500", pos), 0);
    EXPECT_EQ(SearchTime(Words{}, "091500", pos), 0);
    EXPECT_EQ(pos, 77);
}

TEST(SearchTime, FirstOfEqualStampsAndCaptureOrderPastMidnight) {
    int32_t pos = -1;
    const Words twice = Cat({Stamp(10, 0, 0), Stamp(10, 0, 0)});
    EXPECT_EQ(SearchTime(twice, "100000", pos), 1);
    EXPECT_EQ(pos, 0);
    // Compared as text: 00:01 after 23:59 counts as earlier, so the search stops at 23:59.
    const Words night = Cat({Stamp(23, 59, 0), Stamp(0, 1, 0)});
    EXPECT_EQ(SearchTime(night, "000030", pos), 1);
    EXPECT_EQ(pos, 0);
}

TEST(SearchTime, IdleRecordsAreNeverReadAsStamps) {
    // An idle record from damaged bytes whose second word has both record bits.
    const Words damaged = Cat({Words{0x2005, 12816}, Rd({0x41})});
    int32_t pos = -1;
    EXPECT_EQ(SearchTime(damaged, "160000", pos), 0);
}

}  // namespace
