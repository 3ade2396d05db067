// Both serial port classes on a pseudo-terminal whose other end the test drives:
// UnixSerialPort, the program's port here, and QtSerialPort, the port on Windows.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "link/QtSerialPort.h"
#include "link/UnixSerialPort.h"
#include "support/RunUntil.h"

namespace {

using Status = PortOpenResult::Status;

// What a port reported. A batch that begins while another is still being handed on is
// counted in nested.
class Received final : public PortInput, public PortLoss {
  public:
    void onReceive(const uint8_t* data, size_t size) override {
        nested += inside_ ? 1 : 0;
        inside_ = true;
        bytes.append(reinterpret_cast<const char*>(data), size);
        if (during) {
            const auto run = std::move(during);
            during = nullptr;
            run();
        }
        inside_ = false;
    }
    void onLinkLost() override { ++losses; }

    std::string bytes;
    int nested = 0;
    int losses = 0;
    std::function<void()> during;  // runs inside the next batch

  private:
    bool inside_ = false;
};

// Every byte value, the flow-control and line-end codes among them, in an order that a lost,
// repeated or swapped block would change.
std::string pattern(size_t size, unsigned seed) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>((i * 7 + (i >> 8) + seed) & 0xFF);
    }
    return text;
}

template <typename Port>
class SerialPortTest : public ::testing::Test {
  protected:
    SerialPortTest() {
        QDir(folder.path()).mkdir(QStringLiteral("ports"));
        plugIn();
        port.attach(events, events);
    }

    [[nodiscard]] QString path(int n) const {
        return folder.filePath(QStringLiteral("ports/COM%1").arg(n));
    }

    // A new unit's terminal on port 1.
    void plugIn() {
        terminal = std::make_unique<PseudoTerminal>();
        QFile::remove(path(1));
        QFile::link(QString::fromStdString(terminal->devicePath()), path(1));
    }

    // Writes text at the unit's end as fast as the terminal takes it, events running.
    void send(const std::string& text) {
        size_t sent = 0;
        const bool all = RunUntil(
            [&] {
                ssize_t n = 1;
                while (sent < text.size() && n > 0) {
                    n = ::write(terminal->master(), text.data() + sent, text.size() - sent);
                    sent += static_cast<size_t>(std::max<ssize_t>(n, 0));
                }
                return sent == text.size();
            },
            10000);
        EXPECT_TRUE(all) << sent << " of " << text.size() << " bytes taken";
    }

    bool receiveUntil(size_t size) {
        return RunUntil([&] { return events.bytes.size() >= size; }, 10000);
    }

    // What the unit's end reads within a second, up to size bytes, events running.
    [[nodiscard]] std::string unitReads(size_t size) const {
        std::string text;
        RunUntil(
            [&] {
                char chunk[256];
                const ssize_t n = ::read(terminal->master(), chunk, sizeof chunk);
                text.append(chunk, static_cast<size_t>(std::max<ssize_t>(n, 0)));
                return text.size() >= size;
            },
            1000);
        return text;
    }

    QTemporaryDir folder;
    std::unique_ptr<PseudoTerminal> terminal;
    Received events;
    Port port{PortNames(folder.path())};
};

class PortName {
  public:
    template <typename Port>
    static std::string GetName(int) {
        return std::is_same_v<Port, UnixSerialPort> ? "Unix" : "Qt";
    }
};

using Ports = ::testing::Types<UnixSerialPort, QtSerialPort>;
TYPED_TEST_SUITE(SerialPortTest, Ports, PortName);

}  // namespace

TYPED_TEST(SerialPortTest, OpenResults) {
    QFile::link(this->folder.filePath(QStringLiteral("ports/gone")), this->path(2));
    QFile plain(this->path(3));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QDir(this->folder.path()).mkdir(QStringLiteral("ports/COM4"));
    TypeParam holder{PortNames(this->folder.path())};
    holder.attach(this->events, this->events);
    ASSERT_TRUE(holder.open(1).opened());

    const struct {
        int n;
        Status status;
        const char* what;
    } rows[] = {
        {0, Status::NoSuchPort, "no port 0"},
        {2, Status::NoSuchPort, "a link to a device that is gone"},
        {3, Status::Failed, "a plain file"},
        {4, Status::Failed, "a folder"},
        {1, Status::Busy, "a port that another port holds"},
    };
    for (const auto& row : rows) {
        const PortOpenResult result = this->port.open(row.n);
        EXPECT_EQ(result.status, row.status) << row.what;
        EXPECT_FALSE(this->port.isOpen()) << row.what;
    }
    holder.close();
    const PortOpenResult result = this->port.open(1);
    EXPECT_TRUE(result.opened());
    EXPECT_EQ(result.location, this->path(1).toStdString());
}

// The far end (the unit) keeps the terminal open throughout, as a unit does: whatever a close
// leaves set on the terminal (an exclusive flag, the settings) meets the next open.
TYPED_TEST(SerialPortTest, OpenCloseAndOpenAgainGivesTheTerminalBackAsItWas) {
    const int device = ::open(this->terminal->devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(device, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(device, &before), 0);
    before.c_lflag |= ICANON | ECHO;  // a terminal as a shell leaves it, at 19200 bit/s
    cfsetispeed(&before, B19200);
    cfsetospeed(&before, B19200);
    ASSERT_EQ(tcsetattr(device, TCSANOW, &before), 0);
    ASSERT_EQ(tcgetattr(device, &before), 0);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("open " + std::to_string(round + 1));
        ASSERT_TRUE(this->port.open(1).opened());
        termios raw{};
        ASSERT_EQ(tcgetattr(device, &raw), 0);
        EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
        this->port.close();
        termios after{};
        ASSERT_EQ(tcgetattr(device, &after), 0);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        EXPECT_EQ(after.c_iflag, before.c_iflag);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(cfgetospeed(&after), B19200);
        // Another program may open it now.
        const int other = ::open(this->terminal->devicePath().c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(other, 0) << std::strerror(errno);
        ::close(other);
    }
    ::close(device);
}

TYPED_TEST(SerialPortTest, InputBeforeTheOpenIsDroppedAndEveryByteAfterItArrivesInOrder) {
    // Waiting at the device (not only on its way) when the port opens.
    const int device = ::open(this->terminal->devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(device, 0);
    this->send("stale");
    int waiting = 0;
    ASSERT_TRUE(
        RunUntil([&] { return ioctl(device, FIONREAD, &waiting) == 0 && waiting == 5; }, 2000));
    ASSERT_TRUE(this->port.open(1).opened());
    ::close(device);

    const std::string data = pattern(1 << 20, 1);
    this->send(data);
    ASSERT_TRUE(this->receiveUntil(data.size())) << this->events.bytes.size();
    EXPECT_EQ(this->events.bytes.size(), data.size());
    EXPECT_TRUE(this->events.bytes == data);
    EXPECT_EQ(this->events.nested, 0);
    EXPECT_EQ(this->events.losses, 0);
}

TYPED_TEST(SerialPortTest, WritesReachTheUnitAlsoWhenThePortClosesRightAfter) {
    ASSERT_TRUE(this->port.open(1).opened());
    EXPECT_TRUE(this->port.write("S010C\r"));
    EXPECT_EQ(this->unitReads(6), "S010C\r");
    EXPECT_TRUE(this->port.write(std::string("G00\r\x11\x13", 6)));
    this->port.close();
    EXPECT_EQ(this->unitReads(6), std::string("G00\r\x11\x13", 6));
    EXPECT_FALSE(this->port.write("G01\r"));
}

TYPED_TEST(SerialPortTest, AWriteTheDriverCannotTakeAtOnceStillReachesTheUnitAtTheClose) {
    ASSERT_TRUE(this->port.open(1).opened());
    const std::string data = pattern(1 << 20, 4);  // far more than the terminal holds
    std::string got;
    std::thread unit([&] {
        while (got.size() < data.size()) {
            pollfd p{this->terminal->master(), POLLIN, 0};
            if (::poll(&p, 1, 5000) != 1) {
                return;
            }
            char chunk[4096];
            const ssize_t n = ::read(this->terminal->master(), chunk, sizeof chunk);
            got.append(chunk, static_cast<size_t>(std::max<ssize_t>(n, 0)));
        }
    });
    EXPECT_TRUE(this->port.write(data));
    this->port.close();
    unit.join();
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
}

TYPED_TEST(SerialPortTest, BytesThatArriveWhileABatchRunsAnEventLoopFollowItInOrder) {
    ASSERT_TRUE(this->port.open(1).opened());
    const std::string first = pattern(100, 2);
    // More than the terminal holds: it keeps flowing only if the port reads on meanwhile.
    const std::string second = pattern(256 << 10, 3);
    this->events.during = [&] {
        this->send(second);
        RunUntil([] { return false; }, 50);
    };
    this->send(first);
    ASSERT_TRUE(this->receiveUntil(first.size() + second.size()));
    EXPECT_TRUE(this->events.bytes == first + second);
    EXPECT_EQ(this->events.nested, 0);
}

TYPED_TEST(SerialPortTest, ALostDeviceClosesThePortAndIsReportedOncePerOpen) {
    ASSERT_TRUE(this->port.open(1).opened());
    this->send("abc");
    ASSERT_TRUE(this->receiveUntil(3));
    this->terminal.reset();  // unplugged
    ASSERT_TRUE(RunUntil([&] { return this->events.losses > 0; }, 2000));
    EXPECT_FALSE(this->port.isOpen());
    RunUntil([] { return false; }, 200);
    EXPECT_EQ(this->events.losses, 1);

    this->plugIn();
    ASSERT_TRUE(this->port.open(1).opened());
    this->send("again");
    ASSERT_TRUE(this->receiveUntil(8));
    EXPECT_EQ(this->events.bytes, "abcagain");
    this->terminal.reset();
    ASSERT_TRUE(RunUntil([&] { return this->events.losses > 1; }, 2000));
    RunUntil([] { return false; }, 200);
    EXPECT_EQ(this->events.losses, 2);
}

using UnixSerialPortTest = SerialPortTest<UnixSerialPort>;

// Other programs' claims on the device: a lock file (live or stale), an exclusive open.
TEST_F(UnixSerialPortTest, APortAnotherProgramHoldsIsBusyAndAStaleLockIsRemoved) {
    QTemporaryDir locks;
    UnixSerialPort locked{PortNames(folder.path()), locks.path().toStdString()};
    locked.attach(events, events);
    std::string name = terminal->devicePath().substr(5);  // "pts/3"
    std::replace(name.begin(), name.end(), '/', '_');
    const QString lock = locks.filePath(QString::fromStdString("LCK.." + name));
    const auto writeLock = [&](const char* text) {
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const auto lockText = [&] {
        QFile file(lock);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };

    writeLock("         1\n");  // a process that lives as long as the machine
    PortOpenResult result = locked.open(1);
    EXPECT_EQ(result.status, Status::Busy);
    EXPECT_NE(result.holder.find("pid 1"), std::string::npos) << result.holder;
    EXPECT_FALSE(locked.isOpen());
    EXPECT_TRUE(QFile::exists(lock)) << "a live program's lock is kept";

    writeLock("2147483646\n");  // no such process: stale
    ASSERT_TRUE(locked.open(1).opened());
    char own[16];
    std::snprintf(own, sizeof own, "%10d\n", static_cast<int>(getpid()));
    EXPECT_EQ(lockText(), own) << "the port is locked for this program";
    // A second port of this program finds it held, as any other program does.
    UnixSerialPort second{PortNames(folder.path()), locks.path().toStdString()};
    second.attach(events, events);
    EXPECT_EQ(second.open(1).status, Status::Busy);
    locked.close();
    EXPECT_FALSE(QFile::exists(lock));

    // Held by an exclusive open (root opens through it; the port looks for it even so).
    const int device = ::open(terminal->devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(device, 0);
    ASSERT_EQ(ioctl(device, TIOCEXCL), 0);
    EXPECT_EQ(locked.open(1).status, Status::Busy);
    int exclusive = 0;
    ASSERT_EQ(ioctl(device, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1) << "another program's flag is left alone";
    ASSERT_EQ(ioctl(device, TIOCNXCL), 0);
    EXPECT_TRUE(locked.open(1).opened());
    ::close(device);
}

TEST_F(UnixSerialPortTest, AWriteThatFailsIsTheLossOfTheDevice) {
    ASSERT_TRUE(port.open(1).opened());
    terminal.reset();  // unplugged: the next write fails
    EXPECT_FALSE(port.write("G00\r"));
    ASSERT_TRUE(RunUntil([&] { return events.losses > 0; }, 2000));
    EXPECT_FALSE(port.isOpen());
    RunUntil([] { return false; }, 200);
    EXPECT_EQ(events.losses, 1);
}

TEST_F(UnixSerialPortTest, ReadNowTakesWhatArrivedWhileTheNextReadWaits) {
    const int device = ::open(terminal->devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(device, 0);
    ASSERT_TRUE(port.open(1).opened());
    send("first");
    ASSERT_TRUE(receiveUntil(5));  // the next read waits for its timer
    ASSERT_EQ(::write(terminal->master(), "second", 6), 6);
    pollfd waiting{device, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 2000), 1);  // at the device; no event has run since
    port.readNow();
    EXPECT_EQ(events.bytes, "firstsecond");
    port.readNow();  // nothing waits: the reads go on as before
    ASSERT_EQ(::write(terminal->master(), "third", 5), 5);
    ASSERT_TRUE(receiveUntil(16));
    EXPECT_EQ(events.bytes, "firstsecondthird");
    ::close(device);
}
