#include "base/Val.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(Val, TakesTheLongestLeadingNumber) {
    EXPECT_EQ(Val("42"), 42);
    EXPECT_EQ(Val("  \t-17abc"), -17);
    EXPECT_EQ(Val("+3"), 3);
    EXPECT_EQ(Val("9600.5"), 9600.5);
    EXPECT_EQ(Val(".25"), 0.25);
    EXPECT_EQ(Val("5."), 5);
    EXPECT_EQ(Val("1.2.3"), 1.2);
    EXPECT_EQ(Val("1.5E3"), 1500);
    EXPECT_EQ(Val("25e-1"), 2.5);
    EXPECT_EQ(Val("7e"), 7);  // an exponent without digits is not part of the number
    EXPECT_EQ(Val("7e+x"), 7);
    EXPECT_EQ(Val("12 34"), 12);
}

TEST(Val, TextWithoutANumberIsZero) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("&"), 0);
    EXPECT_EQ(Val("&X12"), 0);
    EXPECT_EQ(Val(std::string_view("\0"
                                   "5",
                                   2)),
              0);
}

TEST(Val, HexadecimalAndOctalPrefixes) {
    EXPECT_EQ(Val("&H10"), 16);
    EXPECT_EQ(Val("&hff"), 255);
    EXPECT_EQ(Val("&HFFFF"), 65535);
    EXPECT_EQ(Val("&H1G"), 1);
    EXPECT_EQ(Val("&H"), 0);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val("&o78"), 7);
}

TEST(Val, NumbersBeyondADoubleOverflowOrUnderflow) {
    EXPECT_EQ(Val("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("1e-400"), 0);
    EXPECT_EQ(Val("0.000001e-320"), 0);
    EXPECT_EQ(Val(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("1e99999999999999999999"), std::numeric_limits<double>::infinity());
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven<int16_t>(1.5), 2);
    EXPECT_EQ(roundHalfEven<int16_t>(2.5), 2);
    EXPECT_EQ(roundHalfEven<int16_t>(-2.5), -2);
    EXPECT_EQ(roundHalfEven<int16_t>(2.51), 3);
    EXPECT_EQ(roundHalfEven<int32_t>(9600.5), 9600);
}

TEST(RoundHalfEven, RefusesWhatDoesNotFitTheWidth) {
    EXPECT_EQ(roundHalfEven<int16_t>(32767.4), 32767);
    EXPECT_EQ(roundHalfEven<int16_t>(32767.5), std::nullopt);
    EXPECT_EQ(roundHalfEven<int16_t>(-32768.5), -32768);  // halves to even
    EXPECT_EQ(roundHalfEven<int16_t>(-32769), std::nullopt);
    EXPECT_EQ(roundHalfEven<int16_t>(70000), std::nullopt);
    EXPECT_EQ(roundHalfEven<int32_t>(70000), 70000);
    EXPECT_EQ(roundHalfEven<int32_t>(4294967296.0), std::nullopt);
    EXPECT_EQ(roundHalfEven<int32_t>(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(roundHalfEven<int32_t>(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}
