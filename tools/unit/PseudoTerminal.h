#pragma once
#include <string>

// A pseudo-terminal in raw mode: the unit's end (the master) and the device node a client
// opens as a serial port. The unit keeps a descriptor of that node open itself, so a
// client that closes the port does not hang the master up.
class PseudoTerminal {
  public:
    // Throws std::system_error when no pseudo-terminal can be made.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Non-blocking.
    [[nodiscard]] int master() const { return master_; }
    [[nodiscard]] const std::string& devicePath() const { return devicePath_; }

  private:
    int master_ = -1;
    int device_ = -1;
    std::string devicePath_;
};
