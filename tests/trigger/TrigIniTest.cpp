#include "trigger/TrigIni.h"

#include <gtest/gtest.h>

#include "files/TempFolder.h"
#include "support/IniText.h"

namespace {

std::string section(int number, const std::string& chrLen, const std::string& chrCode,
                    const std::string& time) {
    return newIniText("[Trig" + std::to_string(number) + "]\nTrigType=0\nChrType=0\nChrLen=" +
                      chrLen + "\nChrCode=" + chrCode + "\nTime=" + time +
                      "\nErrType=0\nRS=0\nCS=0\nER=0\nDR=0\nCD=0\nCI=0\nAction=0\nMonitorStop=0\n"
                      "SaveStart=0\nSaveStop=0\n");
}

}  // namespace

TEST(TrigIni, FirstStartCreatesFiveEmptySections) {
    TempFolder dir;
    Triggers t;
    ReadTrigIni(t, dir.path());
    std::string expected;
    for (int n = 1; n <= 5; ++n) {
        expected += section(n, "", "", "");
    }
    EXPECT_EQ(dir.read("VXTrig.ini"), expected);
    EXPECT_FALSE(t.anySet());
    EXPECT_EQ(t.gstrChrLen[0], "0");
    EXPECT_EQ(t.chrCount(0), 0);

    // The next write holds the code count as the program keeps it.
    ASSERT_TRUE(WriteTrigIni(t, dir.path()));
    expected.clear();
    for (int n = 1; n <= 5; ++n) {
        expected += section(n, "0", "", "");
    }
    EXPECT_EQ(dir.read("VXTrig.ini"), expected);
}

TEST(TrigIni, WrittenDefinitionsReadBack) {
    TempFolder dir;
    Triggers t;
    t.gintTrigType[0] = 1;
    t.gstrChrLen[0] = "2";
    t.gbyteChrCode[0][0] = 0x0D;
    t.gbyteChrCode[0][1] = 0x0A;
    t.gbyteChrCode[0][2] = 0x55;  // beyond ChrLen: not written
    t.gintMonitorStop[0] = 100;
    t.gintTrigType[2] = 4;
    t.gintLineEdge[5][2] = 2;  // CI falls
    t.gintLineEdge[0][2] = 1;  // RS rises
    t.gstrTime[3] = "0930";
    t.gintErrType[3] = 3;
    t.gintAction[4] = 3;
    t.gintSaveStart[4] = -7;
    t.gintSaveStop[4] = 16383;
    t.glngTrigCount[4] = 12;
    ASSERT_TRUE(WriteTrigIni(t, dir.path()));
    EXPECT_EQ(dir.read("VXTrig.ini")
                  .find(newIniText("[Trig1]\nTrigType=1\nChrType=0\nChrLen=2\nChrCode=0D0A\n"
                                   "Time=\nErrType=0\nRS=0\nCS=0\nER=0\nDR=0\nCD=0\nCI=0\n"
                                   "Action=0\nMonitorStop=100\nSaveStart=0\nSaveStop=0\n")),
              0u);

    Triggers back;
    ReadTrigIni(back, dir.path());
    EXPECT_TRUE(back.anySet());
    EXPECT_EQ(back.gintTrigType, t.gintTrigType);
    EXPECT_EQ(back.gstrChrLen[0], "2");
    EXPECT_EQ(back.gbyteChrCode[0][0], 0x0D);
    EXPECT_EQ(back.gbyteChrCode[0][1], 0x0A);
    EXPECT_EQ(back.gbyteChrCode[0][2], 0);
    EXPECT_EQ(back.gintLineEdge, t.gintLineEdge);
    EXPECT_EQ(back.gstrTime[3], "0930");
    EXPECT_EQ(back.gintErrType, t.gintErrType);
    EXPECT_EQ(back.gintAction, t.gintAction);
    EXPECT_EQ(back.gintMonitorStop, t.gintMonitorStop);
    EXPECT_EQ(back.gintSaveStart[4], 0);  // a negative count reads as 0
    EXPECT_EQ(back.gintSaveStop, t.gintSaveStop);
    EXPECT_EQ(back.glngTrigCount[4], 0);  // counts are not kept
}

TEST(TrigIni, ShortOrBadCodesReadAsZero) {
    TempFolder dir;
    dir.write("VXTrig.ini",
              "[Trig1]\nChrLen=4\nChrCode=41z2F\n"
              "[Trig2]\nChrLen=3\n"
              "[Trig3]\nChrLen=2\nChrCode=ff\n");
    Triggers t;
    ReadTrigIni(t, dir.path());
    // "41", "z2" (no digit), "F" (one digit), nothing
    EXPECT_EQ((std::array<int, 4>{t.gbyteChrCode[0][0], t.gbyteChrCode[0][1], t.gbyteChrCode[0][2],
                                  t.gbyteChrCode[0][3]}),
              (std::array<int, 4>{0x41, 0, 0x0F, 0}));
    EXPECT_EQ(t.gbyteChrCode[2][0], 0xFF);
    EXPECT_EQ(t.gbyteChrCode[2][1], 0);
    // A missing ChrCode is written as zero codes, as many as ChrLen asks for; missing keys go
    // to the end of their section.
    EXPECT_NE(
        dir.read("VXTrig.ini").find("[Trig2]\nChrLen=3\nTrigType=0\nChrType=0\nChrCode=000000\n"),
        std::string::npos);
}

TEST(TrigIni, CodeCountIsLimitedToTheStorage) {
    TempFolder dir;
    dir.write("VXTrig.ini", "[Trig1]\nChrLen=40\nChrCode=" + std::string(80, 'A') +
                                "\n[Trig2]\nChrLen=-3\nChrCode=41\n[Trig3]\nChrLen=1e300\n"
                                "[Trig4]\nChrLen=2.5\nChrCode=414243\n[Trig5]\nChrLen=abc\n");
    Triggers t;
    ReadTrigIni(t, dir.path());
    EXPECT_EQ(t.gstrChrLen[0], "11");
    for (uint8_t code : t.gbyteChrCode[0]) {
        EXPECT_EQ(code, 0xAA);
    }
    EXPECT_EQ(t.gstrChrLen[1], "0");
    EXPECT_EQ(t.gbyteChrCode[1][0], 0);
    EXPECT_EQ(t.gstrChrLen[2], "11");
    EXPECT_EQ(t.gstrChrLen[3], "2");
    EXPECT_EQ(t.gstrChrLen[4], "0");

    // A count set from elsewhere is limited the same way when written.
    t.gstrChrLen[1] = "99";
    ASSERT_TRUE(WriteTrigIni(t, dir.path()));
    EXPECT_NE(dir.read("VXTrig.ini").find("ChrLen=99\nChrCode=" + std::string(22, '0') + "\n"),
              std::string::npos);
}

TEST(TrigIni, NoStringAndOutOfRangeValues) {
    TempFolder dir;
    dir.write("VXTrig.ini",
              "[trig1]\r\ntrigtype=2\r\nTime=NoString\r\nAction=40000\r\nMonitorStop=&H20\r\n"
              "SaveStop=1.5\r\n");
    Triggers t;
    t.gintAction[0] = 2;  // held before the read: kept when the value does not fit 16 bits
    ReadTrigIni(t, dir.path());
    EXPECT_EQ(t.gintTrigType[0], 2);
    EXPECT_EQ(t.gstrTime[0], "");
    EXPECT_EQ(t.gintAction[0], 2);
    EXPECT_EQ(t.gintMonitorStop[0], 32);
    EXPECT_EQ(t.gintSaveStop[0], 2);
    const std::string file = dir.read("VXTrig.ini");
    EXPECT_EQ(file.find("[trig1]\r\ntrigtype=2\r\nTime=\r\nAction=40000\r\n"), 0u);
    EXPECT_NE(file.find("[Trig5]\r\nTrigType=0\r\n"), std::string::npos);
}

TEST(TrigIni, ByteCountsAreLimitedTo16383) {
    TempFolder dir;
    dir.write("VXTrig.ini",
              "[Trig1]\nMonitorStop=16384\nSaveStart=-1\nSaveStop=32767\n"
              "[Trig2]\nMonitorStop=16383\nSaveStart=0\nSaveStop=40000\n");
    Triggers t;
    t.gintSaveStop[1] = 7;  // 40000 does not fit 16 bits: the held value stays
    ReadTrigIni(t, dir.path());
    EXPECT_EQ(t.gintMonitorStop[0], 16383);
    EXPECT_EQ(t.gintSaveStart[0], 0);
    EXPECT_EQ(t.gintSaveStop[0], 16383);
    EXPECT_EQ(t.gintMonitorStop[1], 16383);
    EXPECT_EQ(t.gintSaveStart[1], 0);
    EXPECT_EQ(t.gintSaveStop[1], 7);
}

TEST(TrigIni, TimeTextWithALineBreakCannotAddKeys) {
    TempFolder dir;
    Triggers t;
    t.gstrTime[0] = "0930\n[Trig2]\nTrigType=1";
    ASSERT_TRUE(WriteTrigIni(t, dir.path()));
    Triggers back;
    ReadTrigIni(back, dir.path());
    EXPECT_EQ(back.gstrTime[0], "0930");
    EXPECT_FALSE(back.anySet());
}
