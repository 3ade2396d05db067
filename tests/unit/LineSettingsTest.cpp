#include "LineSettings.h"

#include <gtest/gtest.h>

TEST(LineSettingsTest, CharacterTimeCountsStartDataParityAndStopBits) {
    LineSettings line;
    line.speed = 115200;
    ASSERT_TRUE(line.applyFormat(0x10));  // 8N1: 10 bits
    EXPECT_EQ(line.characterTicks(), 20U);
    EXPECT_NEAR(line.characterSeconds(), 10.0 / 115200, 1e-12);

    line.speed = 9600;
    ASSERT_TRUE(line.applyFormat(0x02));  // 7E1: 10 bits
    EXPECT_NEAR(line.characterSeconds(), 10.0 / 9600, 1e-12);
    ASSERT_TRUE(line.applyFormat(0x0A));  // 7E2: 11 bits
    EXPECT_EQ(line.characterTicks(), 22U);
    ASSERT_TRUE(line.applyFormat(0x15));  // 8O1.5: 11.5 bits
    EXPECT_EQ(line.characterTicks(), 23U);
    EXPECT_NEAR(line.characterSeconds(), 11.5 / 9600, 1e-12);
    ASSERT_TRUE(line.applyFormat(0x18));  // 8N2
    EXPECT_EQ(line.characterTicks(), 22U);
}

TEST(LineSettingsTest, FormatByteBits) {
    LineSettings line;
    ASSERT_TRUE(line.applyFormat(0x0A));
    EXPECT_EQ(line.dataBits, 7);
    EXPECT_EQ(line.stopHalves, 4);
    EXPECT_EQ(line.parity, LineSettings::Parity::Even);
    ASSERT_TRUE(line.applyFormat(0x15));
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.stopHalves, 3);
    EXPECT_EQ(line.parity, LineSettings::Parity::Odd);

    // Contradictory or unknown bits leave the format as it was.
    for (const int bad : {0x0C, 0x03, 0x20, 0x80, 0xFF}) {
        EXPECT_FALSE(line.applyFormat(bad)) << bad;
    }
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.stopHalves, 3);
    EXPECT_EQ(line.parity, LineSettings::Parity::Odd);
}

TEST(LineSettingsTest, SpeedCodesAndSevenBitMask) {
    EXPECT_EQ(LineSettings::speedOfCode(0x00), 150U);
    EXPECT_EQ(LineSettings::speedOfCode(0x06), 9600U);
    EXPECT_EQ(LineSettings::speedOfCode(0x0B), 56000U);
    EXPECT_EQ(LineSettings::speedOfCode(0x0D), 76800U);
    EXPECT_EQ(LineSettings::speedOfCode(0x0E), 115200U);
    EXPECT_FALSE(LineSettings::speedOfCode(0x0F));
    EXPECT_FALSE(LineSettings::speedOfCode(-1));

    LineSettings line;
    EXPECT_EQ(line.mask(0xB5), 0xB5);
    ASSERT_TRUE(line.applyFormat(0x00));
    EXPECT_EQ(line.mask(0xB5), 0x35);
}
