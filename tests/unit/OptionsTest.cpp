#include "Options.h"

#include <gtest/gtest.h>

namespace {

std::optional<Options> parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string text;
    auto options = Options::parse(args, text);
    if (error != nullptr) {
        *error = text;
    }
    return options;
}

}  // namespace

TEST(OptionsTest, AllOptions) {
    const auto options =
        parse({"--link", "/tmp/COM1", "--version", "2.0", "--scenario=modbus", "--seed", "42",
               "--record", "r.bin", "--refuse-start", "3", "--mute", "--rate-factor", "2.5",
               "--duration", "12.5", "--reply-delay", "400", "--trace"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->link, "/tmp/COM1");
    EXPECT_EQ(options->version, "2.0");
    EXPECT_EQ(options->scenario, "modbus");
    EXPECT_EQ(options->seed, 42U);
    EXPECT_EQ(options->record, "r.bin");
    EXPECT_EQ(options->refuseStart, 3);
    EXPECT_TRUE(options->mute);
    EXPECT_DOUBLE_EQ(options->rateFactor, 2.5);
    EXPECT_DOUBLE_EQ(options->duration, 12.5);
    EXPECT_EQ(options->replyDelayMs, 400);
    EXPECT_TRUE(options->trace);

    const auto defaults = parse({"--link=/x"});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->version, "123");
    EXPECT_EQ(defaults->scenario, "chat");
    EXPECT_EQ(defaults->seed, 1U);
    EXPECT_FALSE(defaults->mute);
    EXPECT_DOUBLE_EQ(defaults->rateFactor, 1.0);
    EXPECT_DOUBLE_EQ(defaults->duration, 0.0);
    EXPECT_EQ(defaults->replyDelayMs, 0);
    EXPECT_FALSE(defaults->trace);
    EXPECT_FALSE(defaults->tapping());

    const auto tap = parse({"--link=/x", "--tap-sd", "/a", "--tap-rd=/b"});
    ASSERT_TRUE(tap);
    EXPECT_TRUE(tap->tapping());
    EXPECT_EQ(tap->tapSd, "/a");
    EXPECT_EQ(tap->tapRd, "/b");
    EXPECT_EQ(tap->scenario, "none") << "a tap carries no scenario";
}

TEST(OptionsTest, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--link"},
        {"--link", "/x", "--bogus"},
        {"/x"},
        {"--link", "/x", "--version", "12"},
        {"--link", "/x", "--version", "1\r3"},
        {"--link", "/x", "--scenario", "nope"},
        {"--link", "/x", "--seed", "-1"},
        {"--link", "/x", "--seed", "12x"},
        {"--link", "/x", "--refuse-start", "-2"},
        {"--link", "/x", "--rate-factor", "0"},
        {"--link", "/x", "--rate-factor", "nan"},
        {"--link", "/x", "--rate-factor", "1e9"},
        {"--link", "/x", "--mute=1"},
        {"--link", "/x", "--duration", "0"},
        {"--link", "/x", "--duration", "-3"},
        {"--link", "/x", "--duration", "2s"},
        {"--link", "/x", "--reply-delay", "-1"},
        {"--link", "/x", "--reply-delay", "60001"},
        {"--link", "/x", "--trace=yes"},
        {"--link", "/x", "--tap-sd", "/a"},
        {"--link", "/x", "--tap-rd", "/b"},
        {"--link", "/x", "--tap-sd", "/a", "--tap-rd", "/b", "--scenario", "chat"},
        {"--link", "/x", "--scenario=none", "--tap-sd", "/a", "--tap-rd", "/b"},
        {"--link", "/x", "--tap-sd", "/a", "--tap-rd", "/a"},
        {"--link", "/x", "--tap-sd", "/x", "--tap-rd", "/b"},
        {"--link", "/x", "--tap-sd=", "--tap-rd", "/b"},
        {"--link", "/x", "--line", "9600,8,N,1", "--tap-sd", "/a", "--tap-rd", "/b"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty()) << testing::PrintToString(args);
    }
}

TEST(OptionsTest, TheTrueLineIsASpeedOfTheUnitAndAFormatItCanBeSent) {
    EXPECT_FALSE(parse({"--link=/x"})->line) << "by default the line follows the settings sent";
    const auto even = parse({"--link=/x", "--line", "19200,8,E,1"});
    ASSERT_TRUE(even && even->line);
    EXPECT_EQ(even->line->speed, 19200U);
    EXPECT_EQ(even->line->dataBits, 8);
    EXPECT_EQ(even->line->parity, LineSettings::Parity::Even);
    EXPECT_EQ(even->line->stopHalves, 2);
    const auto odd = parse({"--link=/x", "--line=150,7,O,1.5"});
    ASSERT_TRUE(odd && odd->line);
    EXPECT_EQ(odd->line->characterTicks(), 2U * (1 + 7 + 1) + 3);
    EXPECT_EQ(parse({"--link=/x", "--line=115200,8,N,2"})->line->stopHalves, 4);

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"9600,8,N", "four fields"},     {"9600,8,N,1,", "four fields"},
        {"9601,8,N,1", "speed '9601'"},  {",8,N,1", "speed ''"},
        {"9600,9,N,1", "data bits '9'"}, {"9600,8,X,1", "parity 'X'"},
        {"9600,8,N,3", "stop bits '3'"}, {"9600,8,N,1.0", "stop bits '1.0'"},
    };
    for (const auto& [value, reason] : bad) {
        std::string error;
        EXPECT_FALSE(parse({"--link=/x", "--line", value}, &error)) << value;
        EXPECT_NE(error.find("bad --line '" + value + "': " + reason), std::string::npos) << error;
    }
    EXPECT_NE(Options::usage().find("--line S,B,P,T"), std::string::npos);
}

TEST(OptionsTest, HelpNeedsNothingElseAndListsEveryScenario) {
    const auto options = parse({"--help"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
    const std::string usage = Options::usage();
    for (const char* name : {"chat", "modbus", "errors", "lines", "flood", "garbage"}) {
        EXPECT_NE(usage.find(std::string("\n  ") + name + " "), std::string::npos) << name;
    }
}
