#include "files/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "files/TempFolder.h"
#include "support/IniText.h"

namespace {

IniFile loaded(const TempFolder& dir, const std::string& name) {
    IniFile ini(dir.File(name));
    ini.load();
    return ini;
}

}  // namespace

TEST(IniFile, ReadsNamesWithoutCaseAndValuesTrimmedAndUnquoted) {
    TempFolder dir;
    dir.write("a.ini",
              "; comment=1\n"
              "Loose=before any section\n"
              "  [ Mode_Inf ]  \n"
              "  dispmode =  2  \n"
              "Quoted=\" spaced \"\n"
              "Single='x'\n"
              "Lone=\"\n"
              "Eq=a=b\n"
              "NoEquals\n"
              "Empty=\n"
              "[mode_inf]\n"
              "DispMode=9\n");
    const IniFile ini = loaded(dir, "a.ini");
    EXPECT_EQ(ini.get("MODE_INF", "DispMode"), "2");  // first section and key win
    EXPECT_EQ(ini.get("Mode_Inf", "Quoted"), " spaced ");
    EXPECT_EQ(ini.get("Mode_Inf", "Single"), "x");
    EXPECT_EQ(ini.get("Mode_Inf", "Lone"), "\"");
    EXPECT_EQ(ini.get("Mode_Inf", "Eq"), "a=b");
    EXPECT_EQ(ini.get("Mode_Inf", "Empty"), "");
    EXPECT_EQ(ini.get("Mode_Inf", "NoEquals"), std::nullopt);
    EXPECT_EQ(ini.get("Mode_Inf", "; comment"), std::nullopt);
    EXPECT_EQ(ini.get("", "Loose"), std::nullopt);
    EXPECT_EQ(ini.get("Other", "DispMode"), std::nullopt);
}

TEST(IniFile, CrLfFileReadsTheSameAndKeepsItsLineEnds) {
    TempFolder dir;
    dir.write("crlf.ini", "\xEF\xBB\xBF[S]\r\nA=1\r\nB = two \r\n");
    IniFile ini = loaded(dir, "crlf.ini");
    EXPECT_EQ(ini.get("S", "A"), "1");
    EXPECT_EQ(ini.get("S", "B"), "two");
    ini.put("S", "C", "3");
    ini.put("T", "D", "4");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(dir.read("crlf.ini"), "\xEF\xBB\xBF[S]\r\nA=1\r\nB = two \r\nC=3\r\n[T]\r\nD=4\r\n");
}

TEST(IniFile, ReplacesAKeyInItsLineAndAppendsNewKeysToTheirSection) {
    TempFolder dir;
    dir.write("a.ini", "[One]\n; note\n  dispMODE = 1\nX=1\n\n[Two]\nY=2\n");
    IniFile ini = loaded(dir, "a.ini");
    ini.put("ONE", "DispMode", "2");
    ini.put("one", "New", "n");
    ini.put("Two", "Z", "z");
    ini.put("Three", "K", "v");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(dir.read("a.ini"),
              "[One]\n; note\ndispMODE=2\nX=1\nNew=n\n\n[Two]\nY=2\nZ=z\n[Three]\nK=v\n");
}

TEST(IniFile, AValueIsOneLineAndReadsAtMost255Bytes) {
    TempFolder dir;
    IniFile ini = loaded(dir, "a.ini");
    ini.put("S", "Injected", "1\r\n[Evil]\nK=2");
    ini.put("S", "Long", std::string(300, 'x'));
    // 254 ASCII bytes and a three-byte character crossing the limit.
    ini.put("S", "Utf8", std::string(254, 'a') + "\xE3\x81\x82" + "b");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(ini.get("S", "Injected"), "1");
    EXPECT_EQ(ini.get("Evil", "K"), std::nullopt);
    EXPECT_EQ(ini.get("S", "Long"), std::string(255, 'x'));
    EXPECT_EQ(ini.get("S", "Utf8"), std::string(254, 'a'));
    // What is stored is the whole line; only the read is limited.
    EXPECT_NE(dir.read("a.ini").find(std::string(300, 'x')), std::string::npos);
}

TEST(IniFile, SaveWritesOnlyAfterAChange) {
    TempFolder dir;
    dir.write("a.ini", "[S]\r\nA = 1\r\n");
    IniFile ini = loaded(dir, "a.ini");
    ini.put("S", "A", "1");  // same value, normalised spelling of the line
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nA=1\r\n");

    std::filesystem::remove(dir.File("a.ini"));
    ASSERT_TRUE(ini.save());  // nothing changed since the last save: nothing written
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.ini")));
}

TEST(IniFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder dir;
    // The rename over the target fails: the target is a folder.
    std::filesystem::create_directories(dir.File("b.ini/keep"));
    IniFile folder(dir.File("b.ini"));
    folder.load();
    folder.put("S", "A", "2");
    EXPECT_FALSE(folder.save());
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("b.ini/keep")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // A file named like a temporary file is somebody else's: it stays as it was.
    dir.write("c.ini.tmp", "not ours");
    IniFile fresh(dir.File("c.ini"));
    fresh.load();
    fresh.put("S", "A", "3");
    EXPECT_TRUE(fresh.save());
    EXPECT_EQ(dir.read("c.ini"), newIniText("[S]\nA=3\n"));
    EXPECT_EQ(dir.read("c.ini.tmp"), "not ours");
}

TEST(IniFile, GarbageNeverCrashesAndOversizedFilesAreLeftAlone) {
    TempFolder dir;
    std::string binary;
    for (int i = 0; i < 100000; ++i) {
        binary += static_cast<char>((i * 7919) & 0xFF);
    }
    binary += std::string("\n[S]\nA=\0x\n[", 12);
    dir.write("bin.ini", binary);
    IniFile bin = loaded(dir, "bin.ini");
    EXPECT_EQ(bin.get("S", "A"), std::string("\0x", 2));
    bin.put("S", "B", "1");
    EXPECT_TRUE(bin.save());
    EXPECT_EQ(loaded(dir, "bin.ini").get("S", "B"), "1");

    const std::string hugeLine = "[S]\nA=" + std::string(500000, 'y') + "\n";
    dir.write("line.ini", hugeLine);
    EXPECT_EQ(loaded(dir, "line.ini").get("S", "A"), std::string(255, 'y'));

    const std::string oversized = "[S]\nA=1\n" + std::string(IniFile::kMaxFileSize, '#');
    dir.write("big.ini", oversized);
    IniFile big = loaded(dir, "big.ini");
    EXPECT_EQ(big.get("S", "A"), std::nullopt);
    big.put("S", "A", "2");
    EXPECT_FALSE(big.save());
    EXPECT_EQ(dir.read("big.ini"), oversized);
}

TEST(GetIni, MissingKeyOrNoStringValueWritesTheDefault) {
    TempFolder dir;
    dir.write("a.ini", "[S]\nA=xNoStringx\nB=nostring\nC=7\n");
    IniFile ini = loaded(dir, "a.ini");
    EXPECT_EQ(GetIni("S", "A", "1", ini), "1");
    EXPECT_EQ(GetIni("S", "B", "2", ini), "nostring");  // the marker is matched exactly
    EXPECT_EQ(GetIni("S", "C", "3", ini), "7");
    EXPECT_EQ(GetIni("S", "D", "4", ini), "4");
    EXPECT_EQ(GetIni("T", "E", "", ini), "");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(dir.read("a.ini"), "[S]\nA=1\nB=nostring\nC=7\nD=4\n[T]\nE=\n");
}
