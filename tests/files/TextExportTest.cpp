#include "files/TextExport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Status.h"
#include "capture/Capture.h"
#include "files/TempFolder.h"
#include "files/TextExportExamples.h"

namespace {

// The display words of raw records, as CopyDat makes them.
struct Words {
    explicit Words(const std::vector<uint8_t>& records) {
        capture.CopyDat(records.data(), static_cast<int32_t>(records.size()));
    }
    TextSource Source(int dispMode, int asciiSaveMode) const {
        return {capture.gintDispDat().data(), capture.glngDispLen(), dispMode, asciiSaveMode, &chr};
    }
    RunState run;
    Capture capture{run};
    ChrTable chr = MakeChrTable();
};

std::string exportText(const TextSource& src, bool fixed, int32_t number) {
    std::string text;
    TextOut out([&text](std::string_view s) {
        text += s;
        return true;
    });
    if (fixed) {
        writeTextFixed(src, number, out);
    } else {
        writeTextSwitch(src, number, out);
    }
    EXPECT_TRUE(out.flush());
    return text;
}

}  // namespace

TEST(TextExport, ExamplesAsWholeFiles) {
    TempFolder dir;
    for (const TextExportExample& e : TextExportExamples()) {
        SCOPED_TRACE(e.name);
        const Words words(e.records);
        const TextSource src = words.Source(e.dispMode, e.asciiSaveMode);
        const std::string file = dir.File(std::string(e.name) + ".txt");
        const int16_t st =
            e.fixed ? TextSaveFixed(e.number, file, src) : TextSaveSwitch(file, e.number, src);
        ASSERT_EQ(st, status::kDone);
        EXPECT_EQ(dir.read(std::string(e.name) + ".txt"), e.expected);
        EXPECT_EQ(exportText(src, e.fixed, e.number), e.expected);
    }
}

TEST(TextExport, ModeTwoReadsAsHexAndAnUnknownAsciiFormAsScreenTexts) {
    const Words words(example::kABC);
    EXPECT_EQ(exportText(words.Source(2, 1), true, 50), "RD:4142  (TMST)\r\nSD:    43123456\r\n");
    EXPECT_EQ(exportText(words.Source(0, 9), false, 0), "RD:ＡＢ\r\nSD:Ｃ(TMST:123456)\r\n");
}

TEST(TextExport, RefusedChoicesAndUnwritableFilesFailWithoutTouchingTheTarget) {
    TempFolder dir;
    const Words words(example::kABC);
    const TextSource src = words.Source(0, 1);
    dir.write("old.txt", "previous export");
    EXPECT_EQ(TextSaveFixed(0, dir.File("old.txt"), src), status::kFailed);
    EXPECT_EQ(TextSaveFixed(-3, dir.File("old.txt"), src), status::kFailed);
    EXPECT_EQ(TextSaveSwitch(dir.File("old.txt"), -1, src), status::kFailed);
    EXPECT_EQ(TextSaveSwitch(dir.File("old.txt/x.txt"), 0, src), status::kFailed);
    EXPECT_EQ(dir.read("old.txt"), "previous export");
    EXPECT_EQ(TextSaveFixed(50, dir.File("missing/x.txt"), src), status::kFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.txt")));
    EXPECT_EQ(TextSaveSwitch(dir.File("new.txt"), -1, src), status::kFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.txt")));
}

TEST(TextExport, SinkFailureIsReportedAndLaterTextDropped) {
    int calls = 0;
    TextOut out([&calls](std::string_view) {
        ++calls;
        return false;
    });
    std::string big(3 << 20, 'x');
    PrintChunks(out, big, 0);
    EXPECT_TRUE(big.empty());
    out.put("more");
    EXPECT_FALSE(out.flush());
    EXPECT_EQ(calls, 1);
}

TEST(TextExport, PrintChunksCutsByCharacters) {
    const struct {
        const char* text;
        int32_t limit;
        const char* expected;
    } cases[] = {
        {"RD:ABCDE", 3, "RD:\r\nABC\r\nDE\r\n"},
        {"RD:AB", 5, "RD:AB\r\n"},
        {"RD:ＡＢ", 4, "RD:Ａ\r\nＢ\r\n"},
        {"", 3, ""},
        {"", 0, "\r\n"},
        {"SD:x", 0, "SD:x\r\n"},
    };
    for (const auto& c : cases) {
        std::string got;
        TextOut out([&got](std::string_view s) {
            got += s;
            return true;
        });
        std::string text = c.text;
        PrintChunks(out, text, c.limit);
        out.flush();
        EXPECT_EQ(got, c.expected) << c.text << " / " << c.limit;
        EXPECT_TRUE(text.empty());
    }
}
