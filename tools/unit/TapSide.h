#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "DeviceInput.h"
#include "LineSettings.h"
#include "OutputQueue.h"
#include "RecordFile.h"
#include "link/TtyClaim.h"

class DeviceLink;
class PseudoTerminal;

// One end of the tap. A path that names a character device is that serial device, claimed
// from the other programs of the machine (a device one of them holds is refused), set to the
// line settings and given back with the settings it had at the end (see TtyClaim); a path where
// nothing is (or a link whose target is gone) gets a pseudo-terminal in raw mode, linked there for
// another program to open and removed again at the end. Characters for the side wait in a queue, so
// the tap never waits for the program behind it.
class TapSide {
  public:
    // Characters for the side that its program has not taken, at most; further ones are
    // dropped (and counted), as are those for a device that is gone.
    static constexpr size_t kMaxPending = 16 * 1024 * 1024;

    // Throws std::system_error or std::runtime_error (a path held by another kind of file, a
    // device another program holds).
    explicit TapSide(std::string path);
    ~TapSide();
    TapSide(const TapSide&) = delete;
    TapSide& operator=(const TapSide&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] bool isDevice() const { return device_ >= 0; }
    // Non-blocking; -1 once a device is gone.
    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] bool wantsWrite() const { return !out_.empty(); }

    // Sets a device to the line settings (a pseudo-terminal has none); an error text, or
    // an empty one.
    std::string apply(const LineSettings& line);
    // Reads what has arrived, up to max bytes, and appends its characters to out; false
    // once the side is gone (a device unplugged).
    bool read(std::vector<TapChar>& out, size_t max);
    // The device's input, as its driver gives it (see ParmrkReader); the seam of the tests.
    void take(std::span<const uint8_t> bytes, std::optional<ParmrkReader::ErrorCounts> grown,
              std::vector<TapChar>& out);
    // Queues characters for the side's program and writes what the side takes.
    void send(std::span<const TapChar> chars);
    void flush() { out_.writeTo(fd_); }
    // The device's modem bits (TIOCMGET); nothing for a pseudo-terminal or a driver
    // without them.
    [[nodiscard]] std::optional<int> modemBits();
    // Characters dropped because the side's program took none for too long.
    [[nodiscard]] uint64_t dropped() const { return dropped_; }

  private:
    std::optional<ParmrkReader::ErrorCounts> countsGrown();

    std::string path_;
    std::unique_ptr<PseudoTerminal> terminal_;
    std::unique_ptr<DeviceLink> link_;
    TtyClaim claim_;
    int device_ = -1;
    int fd_ = -1;
    bool parity_ = false;
    bool noModem_ = false;
    bool noCounts_ = false;
    ParmrkReader::ErrorCounts counts_;
    ParmrkReader parmrk_;
    RecordFile noRecord_;  // what goes to a side is not part of the capture stream
    OutputQueue out_{noRecord_};
    std::string bytes_;  // out_'s input, kept to avoid an allocation per batch
    uint64_t dropped_ = 0;
};
