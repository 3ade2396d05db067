#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Outcome of opening a port number.
struct PortOpenResult {
    enum class Status {
        Opened,
        NoSuchPort,    // no port has this number
        NoPermission,  // the port exists but this user may not open it
        Busy,          // another program has it open
        Failed,        // any other failure
    };
    Status status = Status::Failed;
    std::string location;  // the device the number stands for, when known ("/dev/ttyUSB0")

    [[nodiscard]] bool opened() const { return status == Status::Opened; }
};

// The serial port to the main unit (CommLV). The port numbers 1..16 stand for whatever the
// platform calls its ports; the implementation maps them. Received bytes and a lost device
// are reported through PortEvents.
class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Opens port n (1-based), closing any port open before. Input that was waiting before
    // the open is dropped.
    virtual PortOpenResult open(int n) = 0;
    // Closes the port; closing a closed port does nothing.
    virtual void close() = 0;
    // Writes the text as raw octets; false when the port is closed or the write failed.
    virtual bool write(const std::string& text) = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Hands on what has arrived now instead of at the port's next look, for a caller about to
    // show it; nothing where the port holds no reads back.
    virtual void readNow() {}
};

// What an open port reports.
class PortEvents {
  public:
    virtual ~PortEvents() = default;
    // Every byte that was waiting, in arrival order, as one batch.
    virtual void onReceive(const uint8_t* data, size_t size) = 0;
    // The device went away (unplugged, or the far end closed); the port is closed already.
    // Reported once per open.
    virtual void onLinkLost() = 0;
};
