// vexlo-cli detect against vexlo-unit on a true line of its own: the setting found, the unit
// left stopped with the settings it had, a signal that ends the search at once, usage errors.
#include <csignal>
#include <fstream>

#include "CaptureFixture.h"
#include "base/Settings.h"

namespace {

class DetectTest : public CaptureTest {
  protected:
    DetectTest() {
        home.write("VXParam.ini", "[Comm_Inf]\nSpeed=9600\nDataLength=1\nParity=0\nStopBit=0\n");
    }
    // The speed and format commands the unit took, in order.
    [[nodiscard]] std::vector<std::string> Settings() const {
        std::vector<std::string> sent;
        for (const QString& line : unit_->trace()) {
            if (line.startsWith("S01") || line.startsWith("S02")) {
                sent.push_back(line.left(5).toStdString());
            }
        }
        return sent;
    }
};

std::string lastLine(const std::string& text) {
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) {
        return {};
    }
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

TEST_F(DetectTest, FindsTheLineAndLeavesTheUnitStoppedWithTheSettingsOfTheProgramFolder) {
    StartUnit({"--trace", "--scenario", "chat", "--rate-factor", "30", "--line", "19200,7,E,1"});
    const Outcome o = Command("detect", {});
    ASSERT_EQ(o.code, 0) << o.err << home.read("cli.out") << UnitOutput();
    const std::string printed = home.read("cli.out");
    EXPECT_EQ(lastLine(printed), "19200,E,7,1") << printed;
    EXPECT_NE(printed.find("setting"), std::string::npos) << printed;  // the table's head
    EXPECT_NE(printed.find("115200,N,8,1"), std::string::npos) << printed;
    EXPECT_TRUE(o.err.empty()) << o.err;
    EXPECT_EQ(UnitStatus(), "OK stopped chat -");
    ASSERT_TRUE(WaitForTrace("S0331", kUnitSpeeds.size() + 2)) << UnitOutput();
    const std::vector<std::string> sent = Settings();
    ASSERT_GE(sent.size(), 2U);
    EXPECT_EQ(sent[sent.size() - 2], "S0106");  // 9600
    EXPECT_EQ(sent.back(), "S0210");            // 8 bits, no parity, one stop bit
    EXPECT_EQ(home.read("VXParam.ini"),
              "[Comm_Inf]\nSpeed=9600\nDataLength=1\nParity=0\nStopBit=0\n");
}

TEST_F(DetectTest, ASignalEndsTheSearchAtOnceWithTheUnitStopped) {
    StartUnit({"--trace", "--scenario", "chat", "--rate-factor", "30", "--line", "19200,7,E,1"});
    Command("detect", {}, true);
    ASSERT_TRUE(WaitForTrace("G01", 2)) << UnitOutput();
    const pid_t pid = std::stoi(home.read("cli.pid"));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_EQ(WaitForCapture(), 1);
    EXPECT_NE(home.read("cli.err").find("stopped by"), std::string::npos) << home.read("cli.err");
    EXPECT_EQ(lastLine(home.read("cli.out")), "");  // no result, no table
    EXPECT_EQ(UnitStatus(), "OK stopped chat -");
}

TEST_F(DetectTest, UsageErrorsAndHelp) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--seconds", "0"},
                                                 {"--speed", "9600"},
                                                 {"extra"},
                                                 {"--seconds"}}) {
        EXPECT_EQ(Command("detect", args).code, 2) << args.front();
    }
    const Outcome help = Command("detect", {"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(home.read("cli.out").find("usage: vexlo-cli detect"), std::string::npos);
}

}  // namespace
