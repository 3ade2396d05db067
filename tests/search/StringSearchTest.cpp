#include "search/StringSearch.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "SearchWords.h"

using namespace sw;

namespace {

constexpr int16_t kRdHit = 0;
constexpr int16_t kSdHit = 0x100;

SearchString Codes(std::vector<int16_t> codes, SearchKubun kubun = SearchKubun::Both) {
    SearchString s;
    s.gintSearchDat = std::move(codes);
    s.gintSearchType = SearchString::kHex;
    s.kubun = kubun;
    return s;
}

struct Case {
    std::string name;
    Words words;
    std::vector<int16_t> codes;
    SearchKubun kubun;
    bool down;
    int32_t start;
    std::vector<int32_t> hit;  // empty: no hit
    int16_t type;
};

class OneSearch : public ::testing::TestWithParam<Case> {};

TEST_P(OneSearch, FindsWhatTheWalkAllows) {
    const Case& c = GetParam();
    const SearchString s = Codes(c.codes, c.kubun);
    int16_t type = -7;
    std::vector<int32_t> pos;
    const int16_t found = c.down ? SearchDownMoji(c.words, s, c.start, type, pos)
                                 : SearchUpMoji(c.words, s, c.start, type, pos);
    if (c.hit.empty()) {
        EXPECT_EQ(found, 0);
        EXPECT_EQ(type, -7);  // untouched without a hit
    } else {
        ASSERT_EQ(found, 1);
        EXPECT_EQ(pos, c.hit);
        EXPECT_EQ(type, c.type);
    }
}

const Words kAcross = Cat({Sd({0x41}), Rd({0x78}), Sd({0x42})});
const Words kOverStamp = Cat({Sd({0x41}), Stamp(9, 30, 5), Sd({0x42})});
const Words kSplit = Cat({Sd({0x41}), Rd({0x42})});
const Words kFilter = Cat({Sd({0x41}), Rd({0x41, 0x42})});
// An idle count of 8500 has a second word with the bit of a record's first word.
const Words kLongIdle = Cat({Rd({0x10}), Idle(8500), Rd({0x41}), Sd({0x42})});
// A time stamp whose second word (41) reads like the byte 0x29.
const Words kStamp0041 = Cat({Stamp(9, 0, 41), Rd({0x29})});
const auto B = SearchKubun::Both;
const auto S = SearchKubun::Sd;
const auto R = SearchKubun::Rd;

INSTANTIATE_TEST_SUITE_P(
    Examples, OneSearch,
    ::testing::Values(
        Case{"SdHitAcrossAnRdByte", kAcross, {0x41, 0x42}, B, true, 0, {0, 2}, kSdHit},
        Case{"SdHitAcrossAnRdByteUp", kAcross, {0x41, 0x42}, B, false, 2, {0, 2}, kSdHit},
        Case{"TimeStampPassedOver", kOverStamp, {0x41, 0x42}, B, true, 0, {0, 3}, kSdHit},
        Case{"TimeStampPassedOverUp", kOverStamp, {0x41, 0x42}, B, false, 3, {0, 3}, kSdHit},
        Case{"DirectionsNeverMix", kSplit, {0x41, 0x42}, B, true, 0, {}, 0},
        Case{"DirectionsNeverMixUp", kSplit, {0x41, 0x42}, B, false, 1, {}, 0},
        Case{"RestartTriesOnlyTheBreakingByte",
             Sd({0x41, 0x41, 0x41, 0x42}),
             {0x41, 0x41, 0x42},
             B,
             true,
             0,
             {},
             0},
        Case{"RestartFindsAMatchBeginningAtTheBreak",
             Sd({0x41, 0x41, 0x41, 0x41, 0x43}),
             {0x41, 0x41, 0x43},
             B,
             true,
             0,
             {2, 3, 4},
             kSdHit},
        Case{"BackwardRestartTriesOnlyTheBreakingByte",
             Sd({0x41, 0x42, 0x42, 0x42}),
             {0x41, 0x42, 0x42},
             B,
             false,
             3,
             {},
             0},
        Case{"ForwardFindsWhatBackwardMisses",
             Sd({0x41, 0x42, 0x42, 0x42}),
             {0x41, 0x42, 0x42},
             B,
             true,
             0,
             {0, 1, 2},
             kSdHit},
        Case{"ErrorWordsMatch",
             Words{0x100 | 0x200 | 0x41, 0x100 | 0x400 | 0x42},
             {0x41, 0x42},
             B,
             true,
             0,
             {0, 1},
             kSdHit},
        Case{"ErrorWordsMatchUp",
             Words{0x400 | 0x41, 0x200 | 0x42},
             {0x41, 0x42},
             B,
             false,
             1,
             {0, 1},
             kRdHit},
        Case{"BackwardFromWordZero", Rd({0x41, 0x41}), {0x41}, B, false, 0, {}, 0},
        Case{"BackwardFromOne", Rd({0x41, 0x41}), {0x41}, B, false, 1, {1}, kRdHit},
        Case{"BackwardStartBeyondTheEnd",
             Rd({0x41, 0x42}),
             {0x41, 0x42},
             B,
             false,
             1'000'000,
             {0, 1},
             kRdHit},
        Case{"ForwardStartAtTheEnd", Rd({0x41}), {0x41}, B, true, 1, {}, 0},
        Case{"NegativeStartIsTheFirstWord", Rd({0x41}), {0x41}, B, true, -5, {0}, kRdHit},
        Case{"EmptyString", Rd({0x41}), {}, B, true, 0, {}, 0},
        Case{"EmptyWords", Words{}, {0x41}, B, false, 3, {}, 0},
        Case{"CodeOutsideAByteNeverMatches", Sd({0x41, 0x42}), {0x141, 0x42}, B, true, 0, {}, 0},
        Case{"DoubleByteCodeNeverMatches", Rd({0x82, 0xA0}), {-32096}, B, true, 0, {}, 0},
        Case{"BothTakesTheFirstStartAndItsDirection", kFilter, {0x41, 0x42}, B, true, 0, {}, 0},
        Case{"RdOnly", kFilter, {0x41, 0x42}, R, true, 0, {1, 2}, kRdHit},
        Case{"RdOnlyUp", kFilter, {0x41, 0x42}, R, false, 2, {1, 2}, kRdHit},
        Case{"SdOnly", kFilter, {0x41, 0x42}, S, true, 0, {}, 0},
        Case{"SdOnlySkipsRdWordsBetween",
             Cat({Rd({0x41}), Sd({0x41}), Rd({0x42}), Sd({0x42})}),
             {0x41, 0x42},
             S,
             true,
             0,
             {1, 3},
             kSdHit},
        Case{"DataAfterALongIdle", kLongIdle, {0x41}, B, true, 0, {3}, kRdHit},
        Case{"DataAfterALongIdleUp", kLongIdle, {0x41}, B, false, 4, {3}, kRdHit},
        Case{"SecondWordOfAStampIsNoData", kStamp0041, {0x29}, B, true, 1, {2}, kRdHit},
        Case{"SecondWordOfAStampIsNoDataUp", kStamp0041, {0x29}, B, false, 1, {}, 0},
        Case{"StampRunsPairOff",
             Cat({Idle(8500), Idle(8600), Rd({0x29})}),
             {0x29},
             B,
             false,
             4,
             {4},
             kRdHit}),
    [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

// Repeated searches from the reference position as the menu commands and the dialog run them.
class Walk : public ::testing::Test {
  protected:
    // Hits 41 42 at words 0, 5 (RD) and 8 (across a time stamp).
    const Words words = Cat({Sd({0x41, 0x42}), Sd({0x30, 0x31, 0x32}), Rd({0x41, 0x42}), Sd({0x33}),
                             Sd({0x41}), Stamp(12, 0, 0), Sd({0x42})});
    const SearchString s = Codes({0x41, 0x42});
    int16_t type = 0;
    std::vector<int32_t> pos;

    // Runs a search and returns the first hit word, or -1.
    int32_t Next(SearchHoukou houkou, int32_t ref) {
        return searchMoji(words, s, houkou, ref, type, pos) == 1 ? pos[0] : -1;
    }
};

TEST_F(Walk, DownWalksThroughTheHitsAndStopsAtTheLast) {
    EXPECT_EQ(Next(SearchHoukou::Down, -1), 0);
    EXPECT_EQ(Next(SearchHoukou::Down, 0), 5);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(Next(SearchHoukou::Down, 5), 8);
    EXPECT_EQ(pos, (std::vector<int32_t>{8, 11}));
    EXPECT_EQ(type, 0x100);
    EXPECT_EQ(Next(SearchHoukou::Down, 8), -1);  // no wrap to the first hit
}

TEST_F(Walk, UpWalksBackAndStopsAtTheFirst) {
    EXPECT_EQ(Next(SearchHoukou::Up, 8), 5);
    EXPECT_EQ(Next(SearchHoukou::Up, 5), 0);
    EXPECT_EQ(Next(SearchHoukou::Up, 0), -1);
}

TEST_F(Walk, DownFromTheTopLeftCellSkipsAHitThatBeginsThere) {
    const int32_t top = 5;  // the reference the dialog takes when it opens
    EXPECT_EQ(Next(SearchHoukou::Down, top), 8);
    EXPECT_EQ(Next(SearchHoukou::FromTop, top), 0);
    // A view top beyond the data: nothing after it, and no overflow of the start.
    EXPECT_EQ(Next(SearchHoukou::Down, std::numeric_limits<int32_t>::max()), -1);
    EXPECT_EQ(Next(SearchHoukou::Up, std::numeric_limits<int32_t>::max()), 8);
}

TEST(DispWords, HoldsTheCountedWordsOnly) {
    RunState run;
    Capture c(run);
    EXPECT_TRUE(dispWords(c).empty());
    const uint8_t bytes[] = {0x84, 0xC1, 0xA4, 0xC2, 0x84, 0xC3, 0x84};  // a torn pair at the end
    c.CopyDat(bytes, sizeof bytes);
    EXPECT_EQ(dispWords(c).size(), 3U);
}

}  // namespace
