#pragma once
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkSeams.h"
#include "link/PortSession.h"
#include "link/SerialPort.h"
#include "link/TtyClaim.h"

// The port to the unit on the terminal device's own file descriptor (Unix). The device is
// borrowed (TtyClaim): a device another program holds is Busy, and closing gives back its
// settings, its exclusive flag and the lock file. While open the line is raw, 9600 bit/s 8N1
// without flow control: the link needs no line settings of its own, and software flow control
// would swallow 0x11 and 0x13.
//
// Reading follows the traffic. A quiet line is read as soon as bytes arrive (a read
// notifier). A read that found bytes rests the notifier and reads again kReadGapMs later, as
// long as each read finds bytes, so a steady stream costs about 1000 / kReadGapMs wake-ups a
// second however finely the driver delivers it; a read that finds nothing hands back to the
// notifier. A read of kBusyBytes or more is followed by the next at once, so that a stream
// faster than the kernel's buffers hold for kReadGapMs keeps flowing. Each read hands
// everything waiting to PortInput as one batch. While a batch is being decoded (a nested
// event loop), what arrives is read on but handed on only after that batch, in order.
//
// A device that reports the end of its input or a read error has gone: the port is closed
// through a queued call and onLinkLost is reported once; so has one that fails a write. Writes
// that the driver does not take at once wait in order and go out when it can take them; closing
// waits for them (and for the driver to send them) for kDrainMs at most, so that a stop written
// just before reaches the unit.
class UnixSerialPort final : public SerialPort {
  public:
    // 5 ms keeps the longest time a byte waits in the driver below what the Qt port's reads
    // gave (about 10 ms with painting), at about 200 wake-ups a second during a flood.
    static constexpr int kReadGapMs = 5;
    static constexpr size_t kBusyBytes = 2048;
    // The longest a close waits for pending writes: the time the unit has to answer a command.
    static constexpr int kDrainMs = LinkTimers::kPortCheckMs;

    // lockFolder holds the UUCP lock files of the machine's serial devices.
    explicit UnixSerialPort(PortNames names, std::string lockFolder = TtyClaim::kLockFolder);
    ~UnixSerialPort() override;
    UnixSerialPort(const UnixSerialPort&) = delete;
    UnixSerialPort& operator=(const UnixSerialPort&) = delete;

    // Where received bytes and the loss of the unit go; set before the first open.
    void attach(PortInput& input, PortLoss& loss) { session_.attach(input, loss); }

    PortOpenResult open(int n) override;
    void close() override;
    bool write(const std::string& text) override;
    [[nodiscard]] bool isOpen() const override { return claim_.fd() >= 0; }
    [[nodiscard]] std::string sharers() const override;
    // While bytes keep coming (the read timer waits), reads at once; where it found bytes, the
    // next read comes kReadGapMs from now.
    void readNow() override;

  private:
    // Called by the read notifier and the read timer.
    void readWaiting();
    // Hands what was read on to PortInput, unless a batch is being decoded.
    void handOn();
    // Appends what the device holds to incoming_ (at most kMaxRead bytes); the bytes read.
    // A device that has gone starts the report of the loss.
    size_t fill();
    // The next read after one that got `got` bytes: the notifier, or the timer.
    void rearm(size_t got);
    // Writes what waits, as far as the driver takes it now; false on a write error.
    bool writePending();
    // A write error: the device has gone.
    void writeFailed();
    // Waits (at most kDrainMs) until the driver has taken and sent what waits.
    void drain();

    // The most one read takes before the event loop runs again.
    static constexpr size_t kMaxRead = 65536;

    PortSession session_;
    TtyClaim claim_;
    std::string location_;  // the device of the port opened last
    QSocketNotifier readNotifier_{QSocketNotifier::Read};
    QSocketNotifier writeNotifier_{QSocketNotifier::Write};
    QTimer readTimer_;
    std::array<uint8_t, 4096> chunk_{};  // one read from the device
    std::vector<uint8_t> incoming_;      // read, not yet handed on
    std::vector<uint8_t> batch_;         // being handed on
    std::string pending_;                // written, not yet taken by the driver
    bool reading_ = false;               // a batch is being decoded
};
