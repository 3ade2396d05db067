#include "SimText.h"

#include <gtest/gtest.h>

TEST(SimTextTest, EscapesAndShiftJis) {
    const std::pair<QString, QByteArray> good[] = {
        {"", ""},
        {"AT+X", "AT+X"},
        {"a\\r\\nb\\t\\\\", "a\r\nb\t\\"},
        {"\\x00\\x1b\\xFF\\x7f", QByteArray("\x00\x1B\xFF\x7F", 4)},
        {"ｱｲｳﾞ", "\xB1\xB2\xB3\xDE"},  // half-width katakana: one byte each
        {"漢字", "\x8A\xBF\x8E\x9A"},  // two bytes each
    };
    for (const auto& [text, bytes] : good) {
        QString error;
        const auto result = simulatorBytes(text, error);
        ASSERT_TRUE(result) << text.toStdString() << ": " << error.toStdString();
        EXPECT_EQ(*result, bytes) << text.toStdString();
    }
    for (const QString text : {"\\x4", "\\xZZ", "\\q", "end\\", "😀", "€"}) {
        QString error;
        EXPECT_FALSE(simulatorBytes(text, error)) << text.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}
