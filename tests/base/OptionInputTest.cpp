#include "base/OptionInput.h"

#include <gtest/gtest.h>

namespace {

using Field = OptionRefusal::Field;

struct Refused {
    const char* size;
    const char* maxFiles;
    const char* port;  // null: automatic detection
    Field field;
    const char* text;
};

}  // namespace

TEST(OptionInputTest, RefusedInputNamesTheControlAndTheMessage) {
    const Refused cases[] = {
        {"4001", "0", nullptr, Field::Size, kBufSizeTooLarge},
        {"1e300", "0", nullptr, Field::Size, kBufSizeTooLarge},
        {"99999999999999999999", "0", nullptr, Field::Size, kBufSizeTooLarge},
        {"4000.6", "0", nullptr, Field::Size, kBufSizeTooLarge},
        {"0", "0", nullptr, Field::Size, kBufSizeInvalid},
        {"-5", "0", nullptr, Field::Size, kBufSizeInvalid},
        {"", "0", nullptr, Field::Size, kBufSizeInvalid},
        {"abc", "0", nullptr, Field::Size, kBufSizeInvalid},
        {"0.5", "0", nullptr, Field::Size, kBufSizeInvalid},  // rounds to 0
        // The size is judged first, whatever the other fields hold.
        {"0", "70000", "70000", Field::Size, kBufSizeInvalid},
        {"100", "32768", "1", Field::MaxFiles, kMaxFilesOutOfRange},
        {"100", "-32769", nullptr, Field::MaxFiles, kMaxFilesOutOfRange},
        {"100", "1e9", "1", Field::MaxFiles, kMaxFilesOutOfRange},
        {"100", "10", "32768", Field::Port, kPortOutOfRange},
        {"100", "10", "-40000", Field::Port, kPortOutOfRange},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(std::string(c.size) + " / " + c.maxFiles + " / " + (c.port ? c.port : "-"));
        const auto port =
            c.port != nullptr ? std::optional<std::string_view>(c.port) : std::nullopt;
        const auto result = readOptionNumbers(c.size, c.maxFiles, port);
        ASSERT_TRUE(std::holds_alternative<OptionRefusal>(result));
        EXPECT_EQ(std::get<OptionRefusal>(result).field, c.field);
        EXPECT_EQ(std::get<OptionRefusal>(result).text, c.text);
    }
}

TEST(OptionInputTest, AcceptedInputGivesTheNumbers) {
    struct Accepted {
        const char* size;
        const char* maxFiles;
        const char* port;
        int32_t bufSize;
        int16_t files;
        std::optional<int16_t> portNo;
    };
    const Accepted cases[] = {
        {"4000", "0", nullptr, 4000, 0, std::nullopt},
        {"1", "", "3", 1, 0, 3},
        {" 2000K", "5 files", "COM3", 2000, 5, 0},  // leading numbers only
        {"4000.4", "32767", "-32768", 4000, 32767, -32768},
        {"2.5", "2.5", "3.5", 2, 2, 4},  // halves to the even neighbour
        {"&H10", "-3", "16", 16, -3, 16},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.size);
        const auto port =
            c.port != nullptr ? std::optional<std::string_view>(c.port) : std::nullopt;
        const auto result = readOptionNumbers(c.size, c.maxFiles, port);
        ASSERT_TRUE(std::holds_alternative<OptionNumbers>(result));
        const OptionNumbers& n = std::get<OptionNumbers>(result);
        EXPECT_EQ(n.bufSize, c.bufSize);
        EXPECT_EQ(n.maxFiles, c.files);
        EXPECT_EQ(n.portNo, c.portNo);
    }
}
