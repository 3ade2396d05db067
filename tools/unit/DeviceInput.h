#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One character that crossed the tap, with the errors its receiver saw.
struct TapChar {
    uint8_t value = 0;
    bool parityError = false;
    bool framingError = false;
};

// The input of a real serial device as the terminal driver gives it with PARMRK and INPCK
// set: a character received with a parity or framing error comes as FF 00 c (a break as
// FF 00 00), a good FF as FF FF, every other character as itself. The marks may be split
// across reads. The driver marks both kinds of error alike; what tells them apart is the
// line's parity and, where the driver keeps them, its error counters.
class ParmrkReader {
  public:
    // How much the driver's error counters (TIOCGICOUNT) grew during a read.
    struct ErrorCounts {
        uint32_t parity = 0;
        uint32_t framing = 0;  // breaks included
    };

    // Appends the characters of bytes to out. A marked character is a framing error on a
    // line without parity; with parity it is what the counters grew by (both when both
    // grew), or a parity error when they tell nothing.
    void feed(std::span<const uint8_t> bytes, bool lineHasParity, std::optional<ErrorCounts> grown,
              std::vector<TapChar>& out);

  private:
    enum class State { Plain, Mark, MarkZero };
    State state_ = State::Plain;
};

// The control-line bits of the line-state byte (Lines::) that the modem input lines of a
// device (TIOCM_CTS, TIOCM_DSR, TIOCM_CAR, TIOCM_RNG of TIOCMGET) stand for: CS, DR, CD, CI.
uint8_t linesOfModemBits(int modemBits);
