#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
    std::string holder;    // Busy: the programs holding it ("minicom (pid 4242)"), when known

    [[nodiscard]] bool opened() const { return status == Status::Opened; }
};

// Why no unit could be used, for the messages of the program and the command line.
struct PortReport {
    struct Tried {
        int n = 0;  // the port number
        // Opened: the port opened, and the unit did not answer there; holder then names the
        // other programs that have the port open too (see SerialPort::sharers).
        PortOpenResult result;
    };
    // The ports the last search tried, in order.
    std::vector<Tried> tried;
    // A unit that stopped answering during the line settings: the command that got no answer
    // ("S0213"), and the other programs that have its port open (see SerialPort::sharers).
    std::string unanswered;
    std::string sharers;

    // The first port tried that ended so (and, with named, that names a holder); nullptr when
    // none did.
    [[nodiscard]] const Tried* first(PortOpenResult::Status status, bool named = false) const {
        for (const Tried& t : tried) {
            if (t.result.status == status && (!named || !t.result.holder.empty())) {
                return &t;
            }
        }
        return nullptr;
    }
    // The device of a port tried ("/dev/ttyUSB0"), or "COM<n>" when it is not known.
    [[nodiscard]] static std::string where(const Tried& t) {
        return t.result.location.empty() ? "COM" + std::to_string(t.n) : t.result.location;
    }
};

// The serial port to the main unit (CommLV). The port numbers 1..16 stand for whatever the
// platform calls its ports; the implementation maps them. Received bytes and a lost device
// are reported through PortInput and PortLoss.
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
    // The other programs that have the open port's device open too ("minicom (pid 4242)"), as
    // far as the system tells; empty when none or not known.
    [[nodiscard]] virtual std::string sharers() const { return {}; }
    // Hands on what has arrived now instead of at the port's next look, for a caller about to
    // show it; nothing where the port holds no reads back.
    virtual void readNow() {}
};

// Where an open port hands what it received (the decoder).
class PortInput {
  public:
    virtual ~PortInput() = default;
    // Every byte that was waiting, in arrival order, as one batch.
    virtual void onReceive(const uint8_t* data, size_t size) = 0;
};

// Where an open port reports the loss of its device (the link).
class PortLoss {
  public:
    virtual ~PortLoss() = default;
    // The device went away (unplugged, the far end closed, a write failed); the port is closed
    // already. Reported once per open.
    virtual void onLinkLost() = 0;
};
