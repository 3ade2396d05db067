// vexlo-unit as a tap between two ends of a third-party Modbus stack (Debian's pymodbus),
// captured with vexlo-cli capture and read back by tshark.
#include <map>
#include <sstream>

#include "CaptureFixture.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";  // Debian's, where its packages load
constexpr int kTransactions = 24;

// A program started in the background for the length of a test.
class Background {
  public:
    Background(const std::string& command, const std::string& pidFile) {
        if (std::system(("(" + command + ") & echo $! >" + quoted(pidFile)).c_str()) == 0) {
            std::ifstream in(pidFile);
            in >> pid_;
        }
    }
    ~Background() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
        }
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

  private:
    pid_t pid_ = -1;
};

}  // namespace

// The client on side SD and the server on side RD, 19200 8N1 (a pseudo-terminal takes no
// parity): every transaction succeeds through the tap, and the pcap of the capture holds
// each request on SD and each reply on RD, all with good CRCs. (Without idle records, which
// a busy machine could put inside a frame, each change of direction ends a packet.)
TEST_F(CaptureTest, APymodbusClientAndServerTalkThroughTheTapAndTsharkReadsEveryFrame) {
    if (std::system((std::string(kPython) + " -c 'import pymodbus, serial' 2>/dev/null").c_str()) !=
        0) {
        GTEST_SKIP() << "python3-pymodbus is not installed (make deps installs it)";
    }
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (make deps installs it)";
    }
    const std::string client = home.File("client"), server = home.File("server");
    const std::string peer = std::string(kPython) + " " + quoted(VEXLO_MODBUS_PEER) + " ";
    StartUnit({"--tap-sd", QString::fromStdString(client), "--tap-rd",
               QString::fromStdString(server), "--trace"});
    const Background serving(
        peer + "server " + quoted(server) + " >" + quoted(home.File("server.out")) + " 2>&1",
        home.File("server.pid"));
    ASSERT_EQ(std::system((peer + "wait " + quoted(client) + " >/dev/null").c_str()), 0)
        << home.read("server.out");

    Capture({"-o", out.File("tap.vxm"), "--speed", "19200", "--data-bits", "8", "--parity", "none",
             "--idle", "off"},
            true);
    ASSERT_TRUE(WaitForTrace("G01 OK")) << UnitOutput() << home.read("cli.err");
    const int clientCode =
        std::system((peer + "client " + quoted(client) + " " + std::to_string(kTransactions) +
                     " >" + quoted(home.File("client.out")) + " 2>&1")
                        .c_str());
    EXPECT_EQ(clientCode, 0) << home.read("client.out");
    EXPECT_NE(home.read("client.out").find("done " + std::to_string(kTransactions)),
              std::string::npos);
    kill(std::stoi(home.read("cli.pid")), SIGINT);
    ASSERT_EQ(WaitForCapture(), 0) << home.read("cli.err");

    const std::string pcap = out.File("tap.pcap");
    ASSERT_EQ(std::system((quoted(VEXLO_CLI_BINARY) + " pcap " + quoted(out.File("tap.vxm")) +
                           " -o " + quoted(pcap))
                              .c_str()),
              0);
    ASSERT_EQ(std::system(("tshark -r " + quoted(pcap) +
                           " -d rtacser.data,mbrtu -o mbrtu.crc_verification:TRUE -T fields"
                           " -e rtacser.eventtype -e mbrtu.unit_id -e modbus.func_code"
                           " -e mbrtu.crc16.status >" +
                           quoted(out.File("fields.txt")) + " 2>/dev/null")
                              .c_str()),
              0);
    // Requests (SD) and replies (RD) alternate: a write of a register, then its read.
    std::vector<std::string> packets;
    std::istringstream lines(out.read("fields.txt"));
    for (std::string line; std::getline(lines, line);) {
        packets.push_back(line);
    }
    ASSERT_EQ(packets.size(), 2U * kTransactions) << out.read("fields.txt");
    for (size_t i = 0; i < packets.size(); ++i) {
        const char* function = i / 2 % 2 == 0 ? "6" : "3";
        EXPECT_EQ(packets[i],
                  std::string(i % 2 == 0 ? "0x01" : "0x02") + "\t1\t" + function + "\t1")
            << i;
    }
}
