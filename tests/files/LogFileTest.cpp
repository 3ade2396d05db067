#include "files/LogFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Status.h"
#include "files/TempFolder.h"

namespace {

Settings sampleSettings() {
    Settings s;
    s.gintLineType = 1;
    s.glngSpeed = 115200;
    s.gintDataLen = 1;
    s.gintStopBit = 2;
    s.gintParity = 1;
    s.gintDispMode = 1;
    s.gintTimeStamp = 1;
    s.gintIdleMode = 10;
    s.gintLineState = 1;
    s.gintFontSize = 2;
    s.gintScroll = 3;
    return s;
}

std::string bytesOf(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) {
        s += static_cast<char>(b);
    }
    return s;
}

}  // namespace

TEST(LogFile, SaveWritesTheLittleEndianHeaderThenTheBytes) {
    TempFolder dir;
    Settings s = sampleSettings();
    s.glngSpeed = 0x01020304;
    s.gintScroll = -2;
    const uint8_t data[] = {0x84, 0xC1, 0x30, 12, 34, 56, 0xFF};
    ASSERT_EQ(SaveLog(dir.File("a.vxm"), data, 7, s), status::kDone);
    const std::string expected =
        bytesOf({1, 0, 4, 3, 2, 1, 1, 0, 2, 0, 1, 0, 1, 0, 1, 0, 10, 0, 1, 0, 2, 0, 0xFE, 0xFF}) +
        std::string(reinterpret_cast<const char*>(data), 7);
    EXPECT_EQ(dir.read("a.vxm"), expected);
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.vxm.tmp")));
}

TEST(LogFile, SaveAndReopenRestoresBytesAndBothHeaderHalves) {
    TempFolder dir;
    const Settings saved = sampleSettings();
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    ASSERT_EQ(SaveLog(dir.File("b.vxm"), data.data(), 4000, saved), status::kDone);
    EXPECT_EQ(std::filesystem::file_size(dir.File("b.vxm")), 24u + 4000u);

    Settings s;  // defaults everywhere
    s.gstrSaveDir = "keep";
    std::vector<uint8_t> loaded;
    int32_t count = -5;
    ASSERT_EQ(LoadLog(dir.File("b.vxm"), loaded, count, s), status::kDone);
    EXPECT_EQ(count, 4000);
    EXPECT_EQ(loaded, std::vector<uint8_t>(data.begin(), data.begin() + 4000));
    EXPECT_EQ(headerOf(s), headerOf(saved));
    EXPECT_EQ(s.gstrSaveDir, "keep");  // only the header's settings are taken over
}

TEST(LogFile, EmptyCaptureWritesTheHeaderAloneAndOpensEmpty) {
    TempFolder dir;
    const Settings saved = sampleSettings();
    for (int32_t count : {0, -1}) {
        ASSERT_EQ(SaveLog(dir.File("e.vxm"), nullptr, count, saved), status::kDone);
        EXPECT_EQ(std::filesystem::file_size(dir.File("e.vxm")), 24u);
    }
    Settings s;
    std::vector<uint8_t> loaded{1, 2, 3};
    int32_t count = 9;
    ASSERT_EQ(LoadLog(dir.File("e.vxm"), loaded, count, s), status::kDone);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(loaded.empty());
    EXPECT_EQ(s.gintDispMode, 1);
}

TEST(LogFile, UnreadableFilesFailAndChangeNothing) {
    TempFolder dir;
    dir.write("short.vxm", std::string(23, '\x01'));
    dir.write("none.vxm", "");
    std::filesystem::create_directory(dir.File("folder.vxm"));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {{"short.vxm", "shorter than 24 bytes"},
                 {"none.vxm", "shorter than 24 bytes"},
                 {"folder.vxm", "is a folder"},
                 {"missing.vxm", "no such file"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s = sampleSettings();
        std::vector<uint8_t> loaded{7};
        int32_t count = 1;
        EXPECT_EQ(LoadLog(dir.File(c.name), loaded, count, s), status::kFailed);
        EXPECT_EQ(headerOf(s), headerOf(sampleSettings()));
        EXPECT_EQ(loaded, std::vector<uint8_t>{7});
        EXPECT_EQ(count, 1);
        std::string error;
        EXPECT_FALSE(readLogFile(dir.File(c.name), error));
        EXPECT_EQ(error, c.reason);
    }
}

TEST(LogFile, FailedSaveLeavesThePreviousFileIntact) {
    TempFolder dir;
    const std::string old = std::string(24, '\0') + "old capture";
    dir.write("c.vxm", old);
    // The target's folder is a file: nothing can be made there.
    const uint8_t data[] = {0x80, 0xC0};
    EXPECT_EQ(SaveLog(dir.File("c.vxm/x.vxm"), data, 2, Settings{}), status::kFailed);
    EXPECT_EQ(dir.read("c.vxm"), old);
    // A target that is a folder, or lies in a missing folder, fails too.
    std::filesystem::create_directory(dir.File("d.vxm"));
    EXPECT_EQ(SaveLog(dir.File("d.vxm"), data, 2, Settings{}), status::kFailed);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("d.vxm")));
    EXPECT_EQ(SaveLog(dir.File("no/such/e.vxm"), data, 2, Settings{}), status::kFailed);
}

TEST(LogFile, HeaderValuesOutOfRangeAreClampedWhenApplied) {
    struct Case {
        int16_t LogHeader::*field;
        int16_t stored;
        int16_t applied;
    };
    const Case cases[] = {
        {&LogHeader::gintDispMode, 7, 2},      {&LogHeader::gintDispMode, -1, 0},
        {&LogHeader::gintFontSize, -3, 0},     {&LogHeader::gintFontSize, 9, 2},
        {&LogHeader::gintIdleMode, 5, 1},      {&LogHeader::gintIdleMode, 6, 10},
        {&LogHeader::gintIdleMode, 55, 10},    {&LogHeader::gintIdleMode, 56, 100},
        {&LogHeader::gintIdleMode, 3000, 100}, {&LogHeader::gintIdleMode, -4, 0},
        {&LogHeader::gintTimeStamp, 5, 1},     {&LogHeader::gintLineState, -5, 0},
        {&LogHeader::gintScroll, -1, 0},       {&LogHeader::gintScroll, 30000, 30000},
        {&LogHeader::gintLineType, 4, 1},      {&LogHeader::gintStopBit, 3, 2},
        {&LogHeader::gintParity, -2, 0},       {&LogHeader::gintDataLen, 7, 7},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        LogHeader h = headerOf(sampleSettings());
        h.*c.field = c.stored;
        uint8_t head[kLogHeaderLen];
        encodeHeader(h, head);
        dir.write("x.vxm", std::string(reinterpret_cast<const char*>(head), sizeof head) + "ab");
        Settings s;
        std::vector<uint8_t> loaded;
        int32_t count = 0;
        ASSERT_EQ(LoadLog(dir.File("x.vxm"), loaded, count, s), status::kDone);
        LogHeader expected = h;
        expected.*c.field = c.applied;
        EXPECT_EQ(headerOf(s), expected) << "stored " << c.stored;
        std::string error;
        EXPECT_EQ(readLogFile(dir.File("x.vxm"), error)->header, h);  // bytes read as stored
    }
}

TEST(LogFile, KillFileDeletesOnlyAFileThatExists) {
    TempFolder dir;
    dir.write("k.vxm", "x");
    KillFile(dir.File("k.vxm"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("k.vxm")));
    KillFile(dir.File("k.vxm"));  // gone already: nothing happens
    std::filesystem::create_directory(dir.File("f"));
    KillFile(dir.File("f"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("f")));
}
