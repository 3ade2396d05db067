// Runs the real vexlo-unit and talks to it through its device, as the application does.
#include <sys/stat.h>

#include "StreamCheck.h"
#include "UnitProcess.h"

TEST(UnitProcessTest, ProbeSettingsRunAndRecord) {
    TempDir dir;
    const std::string link = dir.file("COM1");
    const std::string record = dir.file("sent.bin");
    UnitProcess unit({"--link", link, "--scenario", "flood", "--record", record});
    ASSERT_EQ(unit.firstLine(), "ready " + link + "\n");
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
    EXPECT_EQ(readFile(record), stream);
    EXPECT_EQ(port.within(50), "") << "nothing after the stop";

    EXPECT_EQ(unit.stop(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at exit";
}

TEST(UnitProcessTest, SplitCommandsRefusalsAndReopening) {
    TempDir dir;
    const std::string link = dir.file("COM2");
    ASSERT_EQ(symlink("/dev/pts/nonexistent", link.c_str()), 0);  // left over by a crash
    UnitProcess unit({"--link", link, "--version", "9Z1", "--refuse-start", "2"});
    ASSERT_EQ(unit.firstLine(), "ready " + link + "\n");
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

TEST(UnitProcessTest, MuteUnitAnswersNothing) {
    TempDir dir;
    const std::string link = dir.file("COM3");
    UnitProcess unit({"--link", link, "--mute"});
    ASSERT_EQ(unit.firstLine(), "ready " + link + "\n");
    Port port(link);
    port.send("L?\rG01\r");
    EXPECT_EQ(port.within(200), "");
    EXPECT_EQ(unit.stop(), 0);
}

TEST(UnitProcessTest, RefusesBadArgumentsAndForeignFiles) {
    TempDir dir;
    UnitProcess noLink({"--scenario", "flood"});
    EXPECT_EQ(noLink.wait(), 2);
    UnitProcess badScenario({"--link", dir.file("COM4"), "--scenario", "nope"});
    EXPECT_EQ(badScenario.wait(), 2);

    const std::string taken = dir.file("COM5");
    std::ofstream(taken) << "keep";
    UnitProcess unit({"--link", taken});
    EXPECT_EQ(unit.wait(), 1);
    EXPECT_EQ(readFile(taken), "keep");
}

TEST(UnitProcessTest, RecordCanBeFollowedDuringAStream) {
    TempDir dir;
    const std::string link = dir.file("COM6");
    const std::string record = dir.file("sent.bin");
    // A slow line: a few messages a second, far less than the file stream's own buffer.
    UnitProcess unit({"--link", link, "--scenario", "chat", "--record", record});
    ASSERT_EQ(unit.firstLine(), "ready " + link + "\n");
    Port port(link);
    port.send("G01\r");
    EXPECT_EQ(port.lines(), "OK\r");
    // No reply goes out while the stream runs; the file grows all the same.
    std::string stream;
    std::string recorded;
    for (int i = 0; i < 30 && recorded.empty(); ++i) {
        stream += port.within(100);
        recorded = readFile(record);
    }
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ(stream.substr(0, recorded.size()), recorded);
    EXPECT_EQ(unit.stop(), 0);
}

TEST(UnitProcessTest, ReplyDelayAndTrace) {
    TempDir dir;
    const std::string link = dir.file("COM7");
    UnitProcess unit({"--link", link, "--reply-delay", "300", "--trace", "--refuse-start", "1"});
    ASSERT_EQ(unit.firstLine(), "ready " + link + "\n");
    Port port(link);
    port.send("L?\rG01\r");
    EXPECT_EQ(port.within(100), "") << "answered before its delay";
    EXPECT_EQ(port.lines(2), "L123\rNG\r");
    EXPECT_EQ(unit.lines(3), "ready " + link + "\nL? L123\nG01 NG\n");
    EXPECT_EQ(unit.stop(), 0);
}
