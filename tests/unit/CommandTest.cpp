#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandSplitter.h"
#include "UnitProtocol.h"

using Commands = std::vector<std::string>;

TEST(CommandSplitterTest, SplitAndJoinedCommands) {
    CommandSplitter splitter;
    EXPECT_EQ(splitter.feed("L", 1), Commands{});
    EXPECT_EQ(splitter.feed("?", 1), Commands{});
    EXPECT_EQ(splitter.feed("\rS00", 4), Commands{"L?"});
    const std::string joined = "00\rS010E\rS0210\rG0";
    EXPECT_EQ(splitter.feed(joined.data(), joined.size()), (Commands{"S0000", "S010E", "S0210"}));
    EXPECT_EQ(splitter.feed("1\r", 2), Commands{"G01"});
}

TEST(CommandSplitterTest, LineFeedsDroppedEmptyAndOverlongCommandsKept) {
    CommandSplitter splitter;
    const std::string text = "L?\r\n\rG00\n\r";
    EXPECT_EQ(splitter.feed(text.data(), text.size()), (Commands{"L?", "", "G00"}));

    const std::string longOne = "L?" + std::string(100, 'x') + "\rL?\r";
    const Commands commands = splitter.feed(longOne.data(), longOne.size());
    ASSERT_EQ(commands.size(), 2U);
    EXPECT_EQ(commands[0].size(), CommandSplitter::kMaxCommand);
    EXPECT_EQ(commands[1], "L?");
}

TEST(UnitProtocolTest, RepliesToEveryCommand) {
    UnitProtocol unit({"A7z", 0});
    EXPECT_EQ(unit.handle("L?").reply, "LA7z\r");
    EXPECT_EQ(unit.handle("S0001").reply, "OK\r");
    EXPECT_EQ(unit.handle("S0108").reply, "OK\r");
    EXPECT_EQ(unit.handle("S020a").reply, "OK\r");
    EXPECT_EQ(unit.handle("S0331").reply, "OK\r");
    EXPECT_EQ(unit.line().lineType, 1);
    EXPECT_EQ(unit.line().speed, 19200U);
    EXPECT_EQ(unit.line().dataBits, 7);
    EXPECT_EQ(unit.line().stopHalves, 4);
    EXPECT_EQ(unit.line().parity, LineSettings::Parity::Even);

    // Bad values are refused and change nothing.
    for (const char* bad :
         {"S0002", "S010F", "S020C", "S01G0", "S04", "S0400", "L", "l?", "", "G02", "S01001"}) {
        const UnitProtocol::Answer answer = unit.handle(bad);
        EXPECT_EQ(answer.reply, "NG\r") << bad;
        EXPECT_EQ(answer.action, UnitProtocol::Action::None) << bad;
    }
    EXPECT_EQ(unit.line().lineType, 1);
    EXPECT_EQ(unit.line().speed, 19200U);
    EXPECT_EQ(unit.line().dataBits, 7);
}

TEST(UnitProtocolTest, StartAndStop) {
    UnitProtocol unit({"123", 2});
    EXPECT_EQ(unit.handle("G00").action, UnitProtocol::Action::None);
    EXPECT_EQ(unit.handle("G01").reply, "NG\r");
    EXPECT_EQ(unit.handle("G01").reply, "NG\r");
    EXPECT_FALSE(unit.running());

    UnitProtocol::Answer answer = unit.handle("G01");
    EXPECT_EQ(answer.reply, "OK\r");
    EXPECT_EQ(answer.action, UnitProtocol::Action::Start);
    EXPECT_TRUE(unit.running());
    answer = unit.handle("G01");  // already running: accepted, the stream goes on
    EXPECT_EQ(answer.reply, "OK\r");
    EXPECT_EQ(answer.action, UnitProtocol::Action::None);

    answer = unit.handle("G00");
    EXPECT_EQ(answer.reply, "OK\r");
    EXPECT_EQ(answer.action, UnitProtocol::Action::Stop);
    EXPECT_FALSE(unit.running());
    answer = unit.handle("G00");
    EXPECT_EQ(answer.reply, "OK\r");
    EXPECT_EQ(answer.action, UnitProtocol::Action::None);
}
