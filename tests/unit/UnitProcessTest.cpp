// Runs the real vexlo-unit and talks to it through its device, as the application does.
#include <sys/stat.h>

#include "StreamCheck.h"
#include "UnitPort.h"
#include "files/TempFolder.h"
#include "support/VirtualUnit.h"

namespace {

// A folder of its own for each test, for the unit's link and files.
class UnitProcessTest : public ::testing::Test {
  protected:
    [[nodiscard]] QString path(const char* name) const {
        return QString::fromStdString(dir.File(name));
    }
    TempFolder dir;
};

}  // namespace

TEST_F(UnitProcessTest, ProbeSettingsRunAndRecord) {
    const std::string link = dir.File("COM1");
    VirtualUnit unit(path("COM1"), {"--scenario", "flood", "--record", path("sent.bin")});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    Port port(link);
    ASSERT_TRUE(port.isOpen());

    port.send("L?\r");
    EXPECT_EQ(port.lines(), "L123\r");
    port.send("S0000\rS010E\rS0210\rS0331\r");
    EXPECT_EQ(port.lines(4), "OK\rOK\rOK\rOK\r");
    port.send("G01\r");
    EXPECT_EQ(port.lines(), "OK\r");
    std::string stream = port.within(300);
    // 115200 bit/s, 8N1, both directions: about 46 kB a second.
    EXPECT_GT(stream.size(), 4000U);
    port.send("G00\r");
    std::string rest = port.lines();  // flood never sends a CR: this is the reply's
    ASSERT_GE(rest.size(), 3U);
    EXPECT_EQ(rest.substr(rest.size() - 3), "OK\r");
    stream += rest.substr(0, rest.size() - 3);
    EXPECT_EQ(streamFault(stream), "");
    EXPECT_EQ(dir.read("sent.bin"), stream);
    EXPECT_EQ(port.within(50), "") << "nothing after the stop";

    EXPECT_EQ(unit.stop(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at exit";
}

TEST_F(UnitProcessTest, LinkFoldersAreMadeAndNamed) {
    const struct {
        const char* link;
        const char* note;  // what the ready line adds after the path
    } cases[] = {
        {"COM1", ""},
        {"ports/COM1", " (made the missing folder DIR/ports)"},
        {"a/b/COM1", " (made the missing folders DIR/a, DIR/a/b)"},
        {"a/b/COM2", ""},  // made by the case before, and left in place
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        VirtualUnit unit(path(c.link));
        ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
        std::string note = c.note;
        for (size_t at; (at = note.find("DIR")) != std::string::npos;) {
            note.replace(at, 3, dir.path());
        }
        EXPECT_EQ(unit.firstLine().toStdString(), "ready " + dir.File(c.link) + note);
        EXPECT_TRUE(Port(dir.File(c.link)).isOpen());
        EXPECT_EQ(unit.stop(), 0);
    }
}

TEST_F(UnitProcessTest, SplitCommandsRefusalsAndReopening) {
    const std::string link = dir.File("COM2");
    ASSERT_EQ(symlink("/dev/pts/nonexistent", link.c_str()), 0);  // left over by a crash
    VirtualUnit unit(path("COM2"), {"--version", "9Z1", "--refuse-start", "2"});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    {
        Port port(link);
        ASSERT_TRUE(port.isOpen());
        port.send("L");
        EXPECT_EQ(port.within(30), "");
        port.send("?\rX\rS0");
        EXPECT_EQ(port.lines(2), "L9Z1\rNG\r");
        port.send("1FF\r");
        EXPECT_EQ(port.lines(), "NG\r");
        port.send("G01\rG01\r");
        EXPECT_EQ(port.lines(2), "NG\rNG\r");
    }
    // The client closed its port; the unit serves the next one.
    Port port(link);
    ASSERT_TRUE(port.isOpen());
    port.send("G01\r");
    EXPECT_EQ(port.lines(), "OK\r");
    port.send("G00\r");
    EXPECT_EQ(port.lines(), "OK\r");  // the first chat message comes 0.3 s after the start
    EXPECT_EQ(unit.stop(), 0);
}

TEST_F(UnitProcessTest, MuteUnitAnswersNothing) {
    VirtualUnit unit(path("COM3"), {"--mute"});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    Port port(dir.File("COM3"));
    port.send("L?\rG01\r");
    EXPECT_EQ(port.within(200), "");
    EXPECT_EQ(unit.stop(), 0);
}

TEST_F(UnitProcessTest, RefusesBadArgumentsAndForeignFiles) {
    EXPECT_EQ(VirtualUnit::exitCodeOf({"--scenario", "flood"}), 2);
    EXPECT_EQ(VirtualUnit::exitCodeOf({"--link", path("COM4"), "--scenario", "nope"}), 2);

    dir.write("COM5", "keep");
    EXPECT_EQ(VirtualUnit::exitCodeOf({"--link", path("COM5")}), 1);
    EXPECT_EQ(dir.read("COM5"), "keep");
}

TEST_F(UnitProcessTest, RecordCanBeFollowedDuringAStream) {
    // A slow line: a few messages a second, far less than the file stream's own buffer.
    VirtualUnit unit(path("COM6"), {"--scenario", "chat", "--record", path("sent.bin")});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    Port port(dir.File("COM6"));
    port.send("G01\r");
    EXPECT_EQ(port.lines(), "OK\r");
    // No reply goes out while the stream runs; the file grows all the same.
    std::string stream;
    std::string recorded;
    for (int i = 0; i < 30 && recorded.empty(); ++i) {
        stream += port.within(100);
        recorded = dir.read("sent.bin");
    }
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ(stream.substr(0, recorded.size()), recorded);
    EXPECT_EQ(unit.stop(), 0);
}

TEST_F(UnitProcessTest, ReplyDelayAndTrace) {
    VirtualUnit unit(path("COM7"), {"--reply-delay", "300", "--trace", "--refuse-start", "1"});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    Port port(dir.File("COM7"));
    port.send("L?\rG01\r");
    EXPECT_EQ(port.within(100), "") << "answered before its delay";
    EXPECT_EQ(port.lines(2), "L123\rNG\r");
    EXPECT_TRUE(unit.waitForTrace("G01"));
    EXPECT_EQ(unit.trace().join('\n').toStdString(), "L? L123\nG01 NG");
    EXPECT_EQ(unit.stop(), 0);
}
