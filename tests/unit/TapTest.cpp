// The tap: the driver's marked input of a device, the pace of a line between two
// pseudo-terminals, a device's errors and modem lines through the seam, and the real
// program: the settings of a device side, a flood both ways, sides it refuses.
#include "Tap.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <random>

#include "PseudoTerminal.h"
#include "UnitPort.h"
#include "files/TempFolder.h"
#include "support/VirtualUnit.h"

namespace {

// Characters as hexadecimal digits, "p" and "f" after one with a parity or framing error.
std::string text(const std::vector<TapChar>& chars) {
    std::string s;
    for (const TapChar& c : chars) {
        char flags[8];
        std::snprintf(flags, sizeof flags, "%02X%s%s ", c.value, c.parityError ? "p" : "",
                      c.framingError ? "f" : "");
        s += flags;
    }
    return s;
}

// The characters of one direction of a capture stream, as text() writes them.
std::string streamText(const std::string& stream, bool sd) {
    std::string s;
    for (size_t i = 0; i + 1 < stream.size(); ++i) {
        const auto first = static_cast<uint8_t>(stream[i]);
        if (first < 0x80) {
            continue;
        }
        const auto second = static_cast<uint8_t>(stream[++i]);
        if (((first & 0x20) != 0) == sd) {
            s += text({{static_cast<uint8_t>(((first & 0x0F) << 4) | (second & 0x0F)),
                        (first & 0x10) != 0, (second & 0x10) != 0}});
        }
    }
    return s;
}

using Counts = ParmrkReader::ErrorCounts;

}  // namespace

// Every case fed whole and cut in two at every place: a mark split across reads is read the
// same.
TEST(TapTest, MarkedDeviceInputGivesCharactersWithTheirErrors) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        bool parity;
        std::optional<Counts> grown;
        std::string expected;
    } cases[] = {
        {"plain", {0x41, 0x00, 0x7F}, false, {}, "41 00 7F "},
        {"a good FF is doubled", {0xFF, 0xFF, 0x42}, true, {}, "FF 42 "},
        {"no parity: a framing error", {0x41, 0xFF, 0x00, 0x42}, false, {}, "41 42f "},
        {"a break", {0xFF, 0x00, 0x00}, false, {}, "00f "},
        {"parity, no counters: a parity error", {0xFF, 0x00, 0x42}, true, {}, "42p "},
        {"parity, framing counted", {0xFF, 0x00, 0x42}, true, Counts{0, 1}, "42f "},
        {"parity, parity counted", {0xFF, 0x00, 0x42}, true, Counts{2, 0}, "42p "},
        {"parity, both counted", {0xFF, 0x00, 0x42}, true, Counts{1, 1}, "42pf "},
        {"parity, nothing counted", {0xFF, 0x00, 0x42}, true, Counts{0, 0}, "42p "},
        {"a mark of an FF", {0xFF, 0x00, 0xFF, 0xFF, 0xFF}, false, {}, "FFf FF "},
        {"an FF the driver never sends alone", {0xFF, 0x41}, false, {}, "FF 41 "},
    };
    for (const auto& c : cases) {
        for (size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + ", cut at " + std::to_string(cut));
            ParmrkReader reader;
            std::vector<TapChar> out;
            const std::span<const uint8_t> bytes(c.bytes);
            reader.feed(bytes.first(cut), c.parity, c.grown, out);
            reader.feed(bytes.subspan(cut), c.parity, c.grown, out);
            EXPECT_EQ(text(out), c.expected);
        }
    }
}

TEST(TapTest, APacedLineDeliversEachCharacterOneCharacterTimeAfterThePrevious) {
    TapLine line;
    line.setCharacterNs(1000);
    const std::vector<TapChar> three = {{'a'}, {'b'}, {'c'}};
    line.receive(5000, three);
    line.receive(5500, std::span(three).first(1));  // written while the line is busy
    std::vector<TapChar> out;
    line.deliver(6999, out);
    EXPECT_EQ(text(out), "61 ");
    EXPECT_EQ(line.nextDueNs(), 7000);
    line.deliver(9000, out);
    EXPECT_EQ(text(out), "61 62 63 61 ");
    EXPECT_EQ(line.nextDueNs(), std::nullopt);
    // A quiet line starts again from the moment of writing.
    line.receive(20000, std::span(three).first(1));
    EXPECT_EQ(line.nextDueNs(), 21000);

    TapLine unpaced;
    unpaced.receive(5000, three);
    EXPECT_EQ(unpaced.nextDueNs(), 5000);
}

// Two pseudo-terminals stand in for serial devices: what their drivers would give (marked
// input, modem bits) goes in through the seam; the other side gets the characters, the
// observer the characters with their errors and the changes of the lines.
TEST(TapTest, ADeviceSideReportsErrorsAndModemLines) {
    PseudoTerminal sdDevice, rdDevice;
    Tap tap(sdDevice.devicePath(), rdDevice.devicePath());
    LineSettings line;
    line.parity = LineSettings::Parity::Even;
    tap.apply(line, 1.0);
    std::vector<StreamEvent> seen;
    const auto observe = [&](const StreamEvent& e) { seen.push_back(e); };

    const std::vector<uint8_t> fromSd = {0x31, 0xFF, 0x00, 0x32, 0xFF, 0xFF};
    const std::vector<uint8_t> fromRd = {0xFF, 0x00, 0x00, 0x33};
    tap.take(true, fromSd, Counts{1, 0}, 0);
    tap.take(false, fromRd, Counts{0, 1}, 0);
    tap.serve({}, 0, observe);
    std::string atRd, atSd;
    readUntil(
        rdDevice.master(), atRd, [](const std::string& s) { return s.size() >= 3; }, 1000);
    readUntil(
        sdDevice.master(), atSd, [](const std::string& s) { return s.size() >= 2; }, 1000);
    EXPECT_EQ(atRd, "12\xFF");
    EXPECT_EQ(atSd, std::string("\0"
                                "3",
                                2));
    std::string sd, rd;
    for (const StreamEvent& e : seen) {
        ASSERT_EQ(e.kind, StreamEvent::Kind::Data);
        (e.sd ? sd : rd) += text({{e.value, e.parityError, e.framingError}});
    }
    EXPECT_EQ(sd, "31 32p FF ");
    EXPECT_EQ(rd, "00f 33 ");

    const struct {
        std::optional<int> sdBits, rdBits;
        std::optional<uint8_t> reported;  // nothing: no change reported
    } steps[] = {
        {TIOCM_CTS | TIOCM_DSR | TIOCM_RTS | TIOCM_DTR, {}, Lines::CS | Lines::DR},
        {TIOCM_CTS | TIOCM_DSR, {}, {}},
        {TIOCM_CTS, TIOCM_CAR | TIOCM_RNG, Lines::CS | Lines::CD | Lines::CI},
        {0, 0, 0},
    };
    for (const auto& step : steps) {
        seen.clear();
        tap.modemBits(step.sdBits, step.rdBits, observe);
        ASSERT_EQ(seen.size(), step.reported ? 1U : 0U);
        if (step.reported) {
            EXPECT_EQ(seen[0].kind, StreamEvent::Kind::Line);
            EXPECT_EQ(seen[0].value, *step.reported);
            EXPECT_EQ(tap.lines(), step.reported);
        }
    }
}

// The line settings sent to the unit set a device side (a pseudo-terminal stands in for
// it, one that keeps 8 data bits and drops PARENB whatever it is told, but keeps the rest);
// a 7-bit line drops the top bit of what a program writes.
TEST(TapTest, ADeviceSideTakesTheLineSettings) {
    TempFolder dir;
    PseudoTerminal device;
    const std::string link = dir.File("COM1");
    VirtualUnit unit(QString::fromStdString(link),
                     {"--tap-sd", QString::fromStdString(dir.File("a")), "--tap-rd",
                      QString::fromStdString(device.devicePath())});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    Port monitor(link), a(dir.File("a"));
    const struct {
        const char* format;
        tcflag_t flags;  // of PARODD and CSTOPB
    } formats[] = {
        {"S0212", 0},
        {"S0219", PARODD | CSTOPB},
        {"S0214", CSTOPB},  // 1.5 stop bits go out as 2
        {"S0210", 0},
    };
    for (const auto& f : formats) {
        monitor.send(std::string(f.format) + "\r");
        EXPECT_EQ(monitor.lines(), "OK\r");
        termios t{};
        ASSERT_EQ(tcgetattr(device.master(), &t), 0);
        EXPECT_EQ(t.c_cflag & (PARODD | CSTOPB), f.flags) << f.format;
        EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | IXON | ICRNL), INPCK | PARMRK) << f.format;
    }
    monitor.send("S0200\r");  // 7N1, which a pseudo-terminal ignores: the tap masks anyway
    EXPECT_EQ(monitor.lines(), "OK\r");
    a.send("\xC1\x42");
    std::string atDevice;
    readUntil(
        device.master(), atDevice, [](const std::string& got) { return got.size() >= 2; }, 1000);
    EXPECT_EQ(atDevice, "\x41\x42");
}

// The device side is borrowed: the unit gives it back with the settings it had, and open to
// other programs; a device another program holds for itself alone is refused.
TEST(TapTest, ADeviceSideIsGivenBackAsItWasAndAHeldOneIsRefused) {
    TempFolder dir;
    PseudoTerminal device;
    termios before{};
    ASSERT_EQ(tcgetattr(device.master(), &before), 0);
    {
        VirtualUnit unit(QString::fromStdString(dir.File("COM1")),
                         {"--tap-sd", QString::fromStdString(dir.File("a")), "--tap-rd",
                          QString::fromStdString(device.devicePath())});
        ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
        Port monitor(dir.File("COM1"));
        monitor.send("S0219\r");
        EXPECT_EQ(monitor.lines(), "OK\r");
        termios during{};
        ASSERT_EQ(tcgetattr(device.master(), &during), 0);
        EXPECT_NE(during.c_cflag, before.c_cflag);
        EXPECT_EQ(unit.stop(), 0);
    }
    termios after{};
    ASSERT_EQ(tcgetattr(device.master(), &after), 0);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    const int other = ::open(device.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0) << "the device is open to other programs again";

    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);  // now held by another program
    EXPECT_EQ(VirtualUnit::exitCodeOf({"--link", QString::fromStdString(dir.File("COM2")),
                                       "--tap-sd", QString::fromStdString(dir.File("b")),
                                       "--tap-rd", QString::fromStdString(device.devicePath())}),
              1);
    struct stat st {};
    EXPECT_NE(lstat(dir.File("COM2").c_str(), &st), 0);
    ::close(other);
}

// 115200 bit/s both ways at once between two programs, with a monitor that reads the
// stream as it comes, one that reads nothing until the end, and no run: each side gets
// exactly what the other wrote, and the monitor sees each direction whole and in order.
TEST(TapTest, AFloodBothWaysPassesByteForByte) {
    const struct {
        const char* name;
        bool monitoring;
        bool reading;
    } cases[] = {
        {"a monitor reading", true, true},
        {"a monitor reading nothing until the end", true, false},
        {"no run", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        const std::string link = dir.File("COM1");
        VirtualUnit unit(QString::fromStdString(link),
                         {"--tap-sd", QString::fromStdString(dir.File("a")), "--tap-rd",
                          QString::fromStdString(dir.File("b"))});
        ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
        Port monitor(link), a(dir.File("a")), b(dir.File("b"));
        ASSERT_TRUE(monitor.isOpen() && a.isOpen() && b.isOpen());
        monitor.send("S0000\rS010E\rS0210\rS0331\r");
        EXPECT_EQ(monitor.lines(4), "OK\rOK\rOK\rOK\r");
        if (c.monitoring) {
            monitor.send("G01\r");
            EXPECT_EQ(monitor.lines(), "OK\r");
        }

        // 1.4 s of line time each way, every byte value among them.
        std::mt19937 random(static_cast<unsigned>(c.name[2]));
        std::string toB(16384, '\0'), toA(16384, '\0');
        for (std::string* s : {&toB, &toA}) {
            for (char& ch : *s) {
                ch = static_cast<char>(random());
            }
        }
        std::string atA, atB, stream;
        size_t sentA = 0, sentB = 0;
        const int64_t end = nowMs() + 10000;
        char chunk[65536];
        while ((atA.size() < toA.size() || atB.size() < toB.size()) && nowMs() < end) {
            pollfd fds[] = {{a.fd(), POLLIN, 0}, {b.fd(), POLLIN, 0}};
            fds[0].events |= sentB < toB.size() ? POLLOUT : 0;
            fds[1].events |= sentA < toA.size() ? POLLOUT : 0;
            poll(fds, 2, 100);
            const struct {
                int fd;
                const std::string& out;
                size_t& sent;
                std::string& in;
            } ends[] = {{a.fd(), toB, sentB, atA}, {b.fd(), toA, sentA, atB}};
            for (const auto& e : ends) {
                const ssize_t n = write(e.fd, e.out.data() + e.sent,
                                        std::min<size_t>(4096, e.out.size() - e.sent));
                e.sent += n > 0 ? static_cast<size_t>(n) : 0;
                const ssize_t got = read(e.fd, chunk, sizeof chunk);
                e.in.append(chunk, got > 0 ? static_cast<size_t>(got) : 0);
            }
            const ssize_t got = c.reading ? read(monitor.fd(), chunk, sizeof chunk) : 0;
            stream.append(chunk, got > 0 ? static_cast<size_t>(got) : 0);
        }
        EXPECT_TRUE(atB == toB) << atB.size() << " of " << toB.size() << " bytes at B";
        EXPECT_TRUE(atA == toA) << atA.size() << " of " << toA.size() << " bytes at A";
        if (c.monitoring) {
            monitor.send("G00\r");
            const std::string rest = monitor.lines();
            ASSERT_GE(rest.size(), 3U);
            stream += rest.substr(0, rest.size() - 3);
            const auto plain = [](const std::string& bytes) {
                return text(std::vector<TapChar>(bytes.begin(), bytes.end()));
            };
            EXPECT_TRUE(streamText(stream, true) == plain(toB)) << "SD as observed";
            EXPECT_TRUE(streamText(stream, false) == plain(toA)) << "RD as observed";
        } else {
            EXPECT_EQ(monitor.within(100), "") << "nothing observed without a run";
        }
        EXPECT_EQ(unit.stop(), 0);
    }
}

TEST(TapTest, ASideThatIsNoSerialDeviceEndsTheUnitAndLeavesNoLink) {
    TempFolder dir;
    std::ofstream(dir.File("file")) << "text";
    for (const std::string& side : {dir.File("file"), std::string("/dev/null"), dir.File("")}) {
        EXPECT_EQ(VirtualUnit::exitCodeOf({"--link", QString::fromStdString(dir.File("COM1")),
                                           "--tap-sd", QString::fromStdString(dir.File("a")),
                                           "--tap-rd", QString::fromStdString(side)}),
                  1)
            << side;
        struct stat st {};
        EXPECT_NE(lstat(dir.File("COM1").c_str(), &st), 0) << side;
        EXPECT_NE(lstat(dir.File("a").c_str(), &st), 0) << side;
    }
}
