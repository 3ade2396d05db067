#include "capture/ByteText.h"

#include <gtest/gtest.h>

TEST(ByteText, TableHoldsMnemonicsFullWidthKanaAndHex) {
    const ChrTable t = MakeChrTable();
    EXPECT_EQ(t[0x00], "NU");
    EXPECT_EQ(t[0x0D], "CR");
    EXPECT_EQ(t[0x1F], "US");
    EXPECT_EQ(t[0x20], "△");
    EXPECT_EQ(t[0x21], "！");
    EXPECT_EQ(t[0x41], "Ａ");
    EXPECT_EQ(t[0x7E], "～");
    EXPECT_EQ(t[0x7F], "DT");
    EXPECT_EQ(t[0x80], "/80");
    EXPECT_EQ(t[0x85], "/85");
    EXPECT_EQ(t[0xA0], "/A0");
    EXPECT_EQ(t[0xA1], "。");
    EXPECT_EQ(t[0xB1], "ア");
    EXPECT_EQ(t[0xDD], "ン");
    EXPECT_EQ(t[0xDE], "゛");
    EXPECT_EQ(t[0xDF], "゜");
    EXPECT_EQ(t[0xE0], "/E0");
    EXPECT_EQ(t[0xFE], "/FE");
    EXPECT_EQ(hexText(0x0D), "0D");
    EXPECT_EQ(hexText(0xFF), "FF");
    EXPECT_EQ(hexText(0x0A), "0A");
}

TEST(ByteText, WordTextFormsForExportAndPrinting) {
    const ChrTable t = MakeChrTable();
    std::string s;
    struct Case {
        int w, next, mode, ascii;
        const char* text;
    };
    const Case cases[] = {
        {0x10D, 0, 0, 0, "CR"},         {0x10D, 0, 0, 1, "･"},  {0x10D, 0, 0, 2, "[CR]"},
        {0x041, 0, 0, 0, "Ａ"},         {0x041, 0, 0, 1, "A"},  {0x041, 0, 0, 2, "A"},
        {0x241, 0, 0, 0, "PE"},         {0x341, 0, 0, 1, "･"},  {0x241, 0, 0, 2, "[PE]"},
        {0x441, 0, 0, 0, "FE"},         {0x541, 0, 0, 1, "･"},  {0x441, 0, 0, 2, "[FE]"},
        {0x441, 0, 1, 2, "41"},         {0x10D, 0, 2, 0, "0D"}, {0x3000 + 12, 3456, 0, 0, "123456"},
        {0x2000, 1234, 1, 1, "001234"}, {0x1234, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        const int kind = WordText(c.w, c.next, c.mode, c.ascii, t, s);
        EXPECT_EQ(s, c.text) << std::hex << c.w << " mode " << c.mode << "/" << c.ascii;
        EXPECT_EQ(kind, c.w & 0xFF00);
    }
}
