// Both serial port classes on a pseudo-terminal whose other end the test drives:
// UnixSerialPort, the program's port here, and QtSerialPort, the port on Windows.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "PseudoTerminal.h"
#include "link/QtSerialPort.h"
#include "link/UnixSerialPort.h"
#include "support/RunUntil.h"

namespace {

using Status = PortOpenResult::Status;

// What a port reported. A batch that begins while another is still being handed on is
// counted in nested.
class Received final : public PortEvents {
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
        port.attach(events);
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
    holder.attach(this->events);
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
