#include "files/ParamIni.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/ProgramFolder.h"
#include "files/TempFolder.h"
#include "support/IniText.h"

namespace {

std::string freshFile(const std::string& dataFolder) {
    return newIniText(
        "[Mode_Inf]\nDispMode=0\nIdleMode=0\nTimeStamp=0\nScroll=0\nFontSize=1\nLineState=0\n"
        "ResizeMode=0\nTextSaveMode=0\nTextSaveLen1=0\nTextSaveLen2=50\nASCIISaveMode=0\nFrameList="
        "0\n"
        "[Comm_Inf]\nType=0\nSpeed=0\nDataLength=0\nStopBit=0\nParity=0\n"
        "[VX_Inf]\nAuto=1\nPort=0\n"
        "[Buffer_Inf]\nSize=1000\nDir=" +
        dataFolder +
        "\nMaxFiles=0\nFileDate=0\n"
        "[Color_Inf]\nSD=14737663\nRD=16777192\nIDLE=12648384\nTMST=12648447\nERR=8421631\n"
        "[Window_Inf]\nState=2\nHeight=6000\nWidth=9500\n"
        "[Print_Inf]\nOrientation=2\n");
}

}  // namespace

TEST(ParamIni, FirstStartCreatesEveryKeyWithItsDefault) {
    TempFolder dir;
    Settings s;
    s.gintWinState = 0;  // whatever the settings held before is replaced by the defaults
    s.gintFontSize = 2;
    ReadParamIni(s, dir.path());
    const std::string dat = defaultDataFolder(dir.path());
    EXPECT_EQ(dir.read("VXParam.ini"), freshFile(dat));
    EXPECT_EQ(s.gstrSaveDir, dat);
    EXPECT_EQ(s.gintWinState, 2);
    EXPECT_EQ(s.gintFontSize, 1);
    EXPECT_EQ(s.gintTextSaveLen[1], 50);
    EXPECT_EQ(s.glngColIdle, 12648384);

    // Writing the same settings back changes nothing.
    ASSERT_TRUE(WriteParamIni(s, dir.path()));
    EXPECT_EQ(dir.read("VXParam.ini"), freshFile(dat));
}

TEST(ParamIni, LineSettingsAndPortKeepTheirValuesAsDefaults) {
    TempFolder dir;
    Settings s;
    s.glngSpeed = 19200;
    s.gintParity = 2;
    s.gintPortNo = 3;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.glngSpeed, 19200);
    const std::string file = dir.read("VXParam.ini");
    EXPECT_NE(file.find(newIniText("Speed=19200\n")), std::string::npos);
    EXPECT_NE(file.find(newIniText("Parity=2\n")), std::string::npos);
    EXPECT_NE(file.find(newIniText("Port=3\n")), std::string::npos);
}

TEST(ParamIni, NumbersAreReadToTheVariablesWidth) {
    TempFolder dir;
    dir.write("VXParam.ini",
              "[Mode_Inf]\nDispMode=1.5\nIdleMode=&H0A\nScroll=2.5\nFontSize=70000\n"
              "LineState=abc\nTextSaveLen2=-32769\n"
              "[Comm_Inf]\nSpeed=9600.5\n[Buffer_Inf]\nSize=70000\n"
              "[Color_Inf]\nSD=&HFFFFFF\nRD=1e10\n"
              "[Window_Inf]\nHeight=  7200 twips\n");
    Settings s;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gintDispMode, 2);
    EXPECT_EQ(s.gintIdleMode, 10);
    EXPECT_EQ(s.gintScroll, 2);
    EXPECT_EQ(s.gintFontSize, 1);  // out of 16 bits: default kept
    EXPECT_EQ(s.gintLineState, 0);
    EXPECT_EQ(s.gintTextSaveLen[1], 50);
    EXPECT_EQ(s.glngSpeed, 9600);
    EXPECT_EQ(s.glngBufSize, 70000);  // 32 bits
    EXPECT_EQ(s.glngColSD, 0xFFFFFF);
    EXPECT_EQ(s.glngColRD, 16777192);
    EXPECT_EQ(s.glngWinHeight, 7200);
    // Values that were present stay as they were in the file.
    EXPECT_NE(dir.read("VXParam.ini").find("FontSize=70000\n"), std::string::npos);
}

// Whatever put them there (a file that was not a capture, a settings file written by hand),
// settings out of range are written as values they can hold.
TEST(ParamIni, SettingsOutOfRangeAreNeverWritten) {
    const struct {
        const char* read;     // in the settings file before
        const char* written;  // after the program wrote it
    } cases[] = {
        {"[Comm_Inf]\nSpeed=825050692\n", "Speed=9600\n"},
        {"[Comm_Inf]\nSpeed=0\n", "Speed=0\n"},
        {"[Comm_Inf]\nSpeed=76800\n", "Speed=76800\n"},
        {"[Comm_Inf]\nDataLength=13358\n", "DataLength=1\n"},
        {"[Comm_Inf]\nType=20517\n", "Type=1\n"},
        {"[Comm_Inf]\nStopBit=-3\n", "StopBit=0\n"},
        {"[Comm_Inf]\nParity=9\n", "Parity=2\n"},
        {"[Mode_Inf]\nDispMode=-11313\n", "DispMode=0\n"},
        {"[Mode_Inf]\nIdleMode=12320\n", "IdleMode=100\n"},
        {"[Mode_Inf]\nTimeStamp=12554\n", "TimeStamp=1\n"},
        {"[Mode_Inf]\nLineState=28448\n", "LineState=1\n"},
        {"[Mode_Inf]\nFontSize=27234\n", "FontSize=2\n"},
        {"[Mode_Inf]\nScroll=-5\n", "Scroll=0\n"},
        {"[Mode_Inf]\nScroll=15370\n", "Scroll=15370\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.read);
        TempFolder dir;
        dir.write("VXParam.ini", c.read);
        Settings s;
        ReadParamIni(s, dir.path());
        ASSERT_TRUE(WriteParamIni(s, dir.path()));
        // The file was there, with LF line ends, which its rewrite keeps on every system.
        EXPECT_NE(dir.read("VXParam.ini").find(c.written), std::string::npos)
            << dir.read("VXParam.ini");
    }
}

TEST(ParamIni, NoStringValueCountsAsMissing) {
    TempFolder dir;
    dir.write("VXParam.ini", "[Mode_Inf]\nFontSize=2NoString\n[Buffer_Inf]\nDir=/x/NoString\n");
    Settings s;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gintFontSize, 1);
    EXPECT_EQ(s.gstrSaveDir, defaultDataFolder(dir.path()));
    const std::string file = dir.read("VXParam.ini");
    EXPECT_NE(file.find("[Mode_Inf]\nFontSize=1\n"), std::string::npos);
    EXPECT_NE(file.find("Dir=" + defaultDataFolder(dir.path()) + "\n"), std::string::npos);
}

TEST(ParamIni, MinimizedStateIsNeverKept) {
    TempFolder dir;
    dir.write("VXParam.ini", "[Window_Inf]\nState=1\nHeight=5000\nWidth=8000\n");
    Settings s;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gintWinState, 0);
    EXPECT_EQ(s.glngWinHeight, 5000);
    EXPECT_EQ(s.glngWinWidth, 8000);

    s.gintWinState = 1;
    ASSERT_TRUE(WriteParamIni(s, dir.path()));
    EXPECT_NE(dir.read("VXParam.ini").find("[Window_Inf]\nState=0\n"), std::string::npos);
}

TEST(ParamIni, DataFolderIsTakenAsStored) {
    TempFolder dir;
    dir.write("VXParam.ini", "[Buffer_Inf]\nDir=\n");
    Settings s;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gstrSaveDir, "");

    dir.write("VXParam.ini", "[Buffer_Inf]\nDir = /data/ログ フォルダ \n");
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gstrSaveDir, "/data/ログ フォルダ");

    s.gstrSaveDir = "/other";
    s.gintFontSize = 0;
    ASSERT_TRUE(WriteParamIni(s, dir.path()));
    Settings again;
    ReadParamIni(again, dir.path());
    EXPECT_EQ(again.gstrSaveDir, "/other");
    EXPECT_EQ(again.gintFontSize, 0);
}

TEST(ParamIni, ForeignCrLfFileWithOtherLetterCaseReadsTheSame) {
    TempFolder dir;
    dir.write("VXParam.ini",
              "[MODE_INF]\r\nfontsize=2\r\n[comm_inf]\r\nSPEED=38400\r\n[window_inf]\r\n"
              "state=0\r\n");
    Settings s;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gintFontSize, 2);
    EXPECT_EQ(s.glngSpeed, 38400);
    EXPECT_EQ(s.gintWinState, 0);

    s.gintFontSize = 0;
    ASSERT_TRUE(WriteParamIni(s, dir.path()));
    const std::string file = dir.read("VXParam.ini");
    EXPECT_EQ(file.find("[MODE_INF]\r\nfontsize=0\r\nDispMode=0\r\n"), 0u);
    for (size_t nl = file.find('\n'); nl != std::string::npos; nl = file.find('\n', nl + 1)) {
        ASSERT_EQ(file[nl - 1], '\r') << "bare line feed at " << nl;
    }
    EXPECT_EQ(file.find("FontSize"), std::string::npos);  // replaced, not added
    EXPECT_EQ(file.find("[Mode_Inf]"), std::string::npos);
}

TEST(ParamIni, UnwritableFileKeepsDefaultsAndReportsTheFailure) {
    TempFolder dir;
    std::filesystem::create_directories(dir.File("VXParam.ini/inside"));
    Settings s;
    s.gintFontSize = 0;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.gintFontSize, 1);
    EXPECT_FALSE(WriteParamIni(s, dir.path()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("VXParam.ini/inside")));
}

TEST(ParamIni, GarbageFileNeverCrashes) {
    TempFolder dir;
    std::string garbage(300000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    }
    dir.write("VXParam.ini", "[Buffer_Inf]\nSize=" + std::string(100000, '9') + "\n" + garbage);
    Settings s;
    ReadParamIni(s, dir.path());
    EXPECT_EQ(s.glngBufSize, 1000);
    EXPECT_TRUE(WriteParamIni(s, dir.path()));
}

TEST(SetDefaultColor, RestoresTheFiveCellColours) {
    Settings s;
    s.glngColSD = s.glngColRD = s.glngColIdle = s.glngColTmst = s.glngColErr = 0;
    s.gintFontSize = 2;
    SetDefaultColor(s);
    EXPECT_EQ(s.glngColSD, 255 + 256 * 224 + 65536 * 224);
    EXPECT_EQ(s.glngColRD, 232 + 256 * 255 + 65536 * 255);
    EXPECT_EQ(s.glngColIdle, 192 + 256 * 255 + 65536 * 192);
    EXPECT_EQ(s.glngColTmst, 255 + 256 * 255 + 65536 * 192);
    EXPECT_EQ(s.glngColErr, 255 + 256 * 128 + 65536 * 128);
    EXPECT_EQ(s.gintFontSize, 2);
}
