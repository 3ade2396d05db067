#include "search/SearchInput.h"

#include <gtest/gtest.h>

#include "search/StringSearch.h"

namespace {

struct HexCase {
    std::u16string text;
    HexInput result;
    std::vector<int16_t> codes;  // after reading, from the codes {0x55}
};

class HexText : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexText, ReadsPairsOrRefuses) {
    const HexCase& c = GetParam();
    std::vector<int16_t> codes{0x55};
    EXPECT_EQ(parseHexCodes(c.text, codes), c.result);
    EXPECT_EQ(codes, c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexText,
    ::testing::Values(HexCase{u"0D0A", HexInput::Ok, {0x0D, 0x0A}},
                      HexCase{u"ff00", HexInput::Ok, {0xFF, 0x00}},
                      HexCase{u"414", HexInput::OddLength, {0x55}},  // the old string stays
                      HexCase{u"4G", HexInput::BadPair, {}},         // no string is left
                      HexCase{u"41 2", HexInput::BadPair, {}},
                      HexCase{u"\uFF10\uFF21", HexInput::BadPair, {}},  // full-width digits
                      HexCase{u"-1", HexInput::BadPair, {}}));

TEST(HexCodesText, TwoUpperCaseDigitsPerCode) {
    EXPECT_EQ(hexCodesText({0x0D, 0x0A, 0xFF, 0x41}), "0D0AFF41");
    EXPECT_EQ(hexCodesText({}), "");
}

TEST(SearchPanelText, NamesTheTypeAndShowsTheString) {
    EXPECT_EQ(searchPanelText(SearchString::kAscii, "AB C"), "検索 A/AB C");
    EXPECT_EQ(searchPanelText(SearchString::kHex, "0D0A"), "検索 H/0D･0A");
    EXPECT_EQ(searchPanelText(SearchString::kHex, "41"), "検索 H/41");
    EXPECT_EQ(searchPanelText(SearchString::kShiftJis, "ｱ漢"), "検索 S/ｱ漢");
    EXPECT_EQ(searchPanelText(SearchString::kNone, "x"), "");
}

std::vector<std::pair<std::string, int16_t>> Entries(const SearchHistory& h) {
    std::vector<std::pair<std::string, int16_t>> out;
    for (size_t i = 0; i < SearchHistory::kSize; ++i) {
        if (h.lintSearchHist[i] > 0) {
            out.emplace_back(h.lstrSearchHist[i], h.lintSearchHist[i]);
        }
    }
    return out;
}

TEST(SearchHistory, NewestFirstWithoutRepeatsAndAtMostEight) {
    SearchHistory h;
    EXPECT_TRUE(Entries(h).empty());
    h.add("AB", 1);
    h.add("0D0A", 2);
    h.add("AB", 2);  // the same text as another type is another entry
    EXPECT_EQ(Entries(h),
              (std::vector<std::pair<std::string, int16_t>>{{"AB", 2}, {"0D0A", 2}, {"AB", 1}}));
    h.add("AB", 1);  // moves to the front
    EXPECT_EQ(Entries(h),
              (std::vector<std::pair<std::string, int16_t>>{{"AB", 1}, {"AB", 2}, {"0D0A", 2}}));
    for (int i = 0; i < 8; ++i) {
        h.add(std::to_string(i), 3);
    }
    const auto all = Entries(h);
    ASSERT_EQ(all.size(), 8U);
    EXPECT_EQ(all.front(), (std::pair<std::string, int16_t>{"7", 3}));
    EXPECT_EQ(all.back(), (std::pair<std::string, int16_t>{"0", 3}));
    h.add("3", 3);  // a repeat in a full history drops nothing else
    EXPECT_EQ(Entries(h).size(), 8U);
    EXPECT_EQ(Entries(h)[0].first, "3");
    EXPECT_EQ(Entries(h)[7].first, "0");
}

}  // namespace
