#include "files/LogFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <type_traits>

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
    s.glngSpeed = 57600;
    s.gintScroll = 300;
    const uint8_t data[] = {0x84, 0xC1, 0x30, 12, 34, 56, 0xFF};
    ASSERT_EQ(SaveLog(dir.File("a.vxm"), data, 7, s), status::kDone);
    const std::string expected = bytesOf({1, 0, 0x00, 0xE1, 0,  0, 1, 0, 2, 0, 1,    0,
                                          1, 0, 1,    0,    10, 0, 1, 0, 2, 0, 0x2C, 0x01}) +
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

// What the settings make of values out of range (a settings file, a command line): the header
// the program writes holds the nearest value a setting can hold.
TEST(LogFile, SettingsOutOfRangeAreWrittenInRange) {
    struct Case {
        int32_t LogHeader::*field32;
        int16_t LogHeader::*field;
        int32_t stored, written;
    };
    const Case cases[] = {
        {nullptr, &LogHeader::gintDispMode, 7, 2},
        {nullptr, &LogHeader::gintDispMode, -1, 0},
        {nullptr, &LogHeader::gintFontSize, -3, 0},
        {nullptr, &LogHeader::gintFontSize, 9, 2},
        {nullptr, &LogHeader::gintIdleMode, 5, 1},
        {nullptr, &LogHeader::gintIdleMode, 6, 10},
        {nullptr, &LogHeader::gintIdleMode, 55, 10},
        {nullptr, &LogHeader::gintIdleMode, 56, 100},
        {nullptr, &LogHeader::gintIdleMode, 3000, 100},
        {nullptr, &LogHeader::gintIdleMode, -4, 0},
        {nullptr, &LogHeader::gintTimeStamp, 5, 1},
        {nullptr, &LogHeader::gintLineState, -5, 0},
        {nullptr, &LogHeader::gintScroll, -1, 0},
        {nullptr, &LogHeader::gintScroll, 30000, 30000},
        {nullptr, &LogHeader::gintLineType, 4, 1},
        {nullptr, &LogHeader::gintStopBit, 3, 2},
        {nullptr, &LogHeader::gintParity, -2, 0},
        {nullptr, &LogHeader::gintDataLen, 7, 1},
        {nullptr, &LogHeader::gintDataLen, -1, 1},
        {&LogHeader::glngSpeed, nullptr, 12000, 9600},
        {&LogHeader::glngSpeed, nullptr, 0, 0},
        {&LogHeader::glngSpeed, nullptr, 76800, 76800},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        LogHeader h = headerOf(sampleSettings());
        LogHeader expected = h;
        if (c.field32 != nullptr) {
            h.*c.field32 = c.stored;
            expected.*c.field32 = c.written;
        } else {
            h.*c.field = static_cast<int16_t>(c.stored);
            expected.*c.field = static_cast<int16_t>(c.written);
        }
        Settings s;
        applyHeader(h, s);
        EXPECT_EQ(headerOf(s), expected) << "stored " << c.stored;
        ASSERT_EQ(SaveLog(dir.File("x.vxm"), nullptr, 0, s), status::kDone);
        std::string error;
        const auto file = readLogFile(dir.File("x.vxm"), error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(file->header, expected);
    }
}

// A header with a value that no setting holds is not a capture log: refused by every reader,
// with the values; LoadLog changes nothing.
TEST(LogFile, AHeaderNoSettingHoldsIsNotACaptureLog) {
    struct Case {
        const char* what;
        std::string head;
        const char* reason;
    };
    const auto with = [](auto change) {
        LogHeader h = headerOf(sampleSettings());
        change(h);
        uint8_t head[kLogHeaderLen];
        encodeHeader(h, head);
        return std::string(reinterpret_cast<const char*>(head), sizeof head);
    };
    const Case cases[] = {
        {"a PDF", "%PDF-1.7\n%\xB5\xB5\xB5\xB5\n1 0 obj\n<</Type",
         "line type 20517, speed 825050692, data bits 14126, stop bits 9482, parity -19019, "
         "display mode -19019, time stamp 12554, idle scale 12320, line state 28448, font size "
         "27234"},
        {"speed", with([](LogHeader& h) { h.glngSpeed = 115201; }), "speed 115201"},
        {"slow", with([](LogHeader& h) { h.glngSpeed = 149; }), "speed 149"},
        {"data bits", with([](LogHeader& h) { h.gintDataLen = 2; }), "data bits 2"},
        {"two", with([](LogHeader& h) {
             h.gintLineType = -1;
             h.gintScroll = -1;
         }),
         "line type -1, scroll -1"},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("x.vxm", c.head + "ab");
        const std::string expected = std::string("not a capture log (") + c.reason + ")";
        std::string error;
        LogReader reader;
        EXPECT_FALSE(reader.open(dir.File("x.vxm"), error));
        EXPECT_EQ(error, expected);
        EXPECT_FALSE(readLogFile(dir.File("x.vxm"), error));
        EXPECT_EQ(error, expected);
        Settings s = sampleSettings();
        std::vector<uint8_t> bytes{1, 2};
        int32_t count = 2;
        EXPECT_EQ(LoadLog(dir.File("x.vxm"), bytes, count, s), status::kFailed);
        EXPECT_EQ(headerOf(s), headerOf(sampleSettings()));
        EXPECT_EQ(count, 2);
    }
}

// Every value each setting can hold is written and opens again as it was.
TEST(LogFile, EverySettingTheProgramWritesOpensAgain) {
    std::vector<Settings> all;
    const auto each = [&all](auto field, std::initializer_list<int32_t> values) {
        for (const int32_t v : values) {
            Settings s = sampleSettings();
            s.*field = static_cast<std::remove_reference_t<decltype(s.*field)>>(v);
            all.push_back(s);
        }
    };
    each(&Settings::gintLineType, {0, 1});
    for (const int32_t speed : kUnitSpeeds) {
        each(&Settings::glngSpeed, {speed});
    }
    each(&Settings::glngSpeed, {0});
    each(&Settings::gintDataLen, {0, 1});
    each(&Settings::gintStopBit, {0, 1, 2});
    each(&Settings::gintParity, {0, 1, 2});
    each(&Settings::gintDispMode, {0, 1, 2});
    each(&Settings::gintTimeStamp, {0, 1});
    each(&Settings::gintIdleMode, {0, 1, 10, 100});
    each(&Settings::gintLineState, {0, 1});
    each(&Settings::gintFontSize, {0, 1, 2});
    each(&Settings::gintScroll, {0, 1, 32767});
    TempFolder dir;
    const uint8_t data[] = {0x84, 0xC1};
    for (const Settings& saved : all) {
        ASSERT_EQ(SaveLog(dir.File("x.vxm"), data, 2, saved), status::kDone);
        Settings s;
        std::vector<uint8_t> bytes;
        int32_t count = 0;
        ASSERT_EQ(LoadLog(dir.File("x.vxm"), bytes, count, s), status::kDone)
            << headerOf(saved).glngSpeed;
        EXPECT_EQ(headerOf(s), headerOf(saved));
        EXPECT_EQ(count, 2);
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
