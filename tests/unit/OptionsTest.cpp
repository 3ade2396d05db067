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
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty()) << testing::PrintToString(args);
    }
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
