#include "link/CommParam.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using Cmds = std::array<std::string, 4>;

Settings Line(int16_t type, int32_t speed, int16_t dataLen, int16_t parity, int16_t stop) {
    Settings s;
    s.gintLineType = type;
    s.glngSpeed = speed;
    s.gintDataLen = dataLen;
    s.gintParity = parity;
    s.gintStopBit = stop;
    return s;
}

}  // namespace

TEST(CommParamTest, SettingsBecomeTheFourCommandsAndTheStatusText) {
    Settings s = Line(1, 19200, 0, 2, 2);
    EXPECT_EQ(commParamCommands(s), (Cmds{"S0001", "S0108", "S020A", "S0331"}));
    EXPECT_EQ(commParamText(s), "19200,E,7,2");

    s = Line(0, 115200, 1, 0, 0);
    EXPECT_EQ(commParamCommands(s), (Cmds{"S0000", "S010E", "S0210", "S0331"}));
    EXPECT_EQ(commParamText(s), "115200,N,8,1");

    s = Line(0, 150, 1, 1, 1);  // 8 data bits, odd parity, 1.5 stop bits
    EXPECT_EQ(commParamCommands(s), (Cmds{"S0000", "S0100", "S0215", "S0331"}));
    EXPECT_EQ(commParamText(s), "150,O,8,1.5");

    s = Line(0, 9600, 0, 2, 0);
    EXPECT_EQ(commParamCommands(s)[2], "S0202");
    EXPECT_EQ(s.glngSpeed, 9600);
}

TEST(CommParamTest, EverySpeedOfTheTableHasItsCodeInOrder) {
    const int32_t speeds[] = {150,   300,   600,   1200,  2400,  4800,  9600,  14400,
                              19200, 28800, 38400, 56000, 57600, 76800, 115200};
    for (int code = 0; code < 15; ++code) {
        EXPECT_EQ(speedCode(speeds[code]), code) << speeds[code];
    }
    Settings s = Line(0, 56000, 1, 0, 0);
    EXPECT_EQ(commParamCommands(s)[1], "S010B");
}

TEST(CommParamTest, UnknownSpeedIsSentAs9600AndLeavesTheSettingsAlone) {
    for (int32_t speed : {12000, 0, -1, 230400}) {
        const Settings s = Line(0, speed, 1, 0, 0);
        EXPECT_EQ(commParamCommands(s)[1], "S0106") << speed;
        EXPECT_EQ(s.glngSpeed, speed);
        EXPECT_EQ(knownSpeed(speed), 9600);
    }
    EXPECT_EQ(knownSpeed(76800), 76800);
}

TEST(CommParamTest, OutOfRangeStoredValuesGiveValidCommands) {
    // Values a hand-edited settings file may hold.
    Settings s = Line(7, 4800, 3, 9, -2);
    EXPECT_EQ(commParamCommands(s), (Cmds{"S0000", "S0105", "S0210", "S0331"}));
    EXPECT_EQ(commParamText(s), "4800,N,8,1");
}
