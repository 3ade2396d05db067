#pragma once
#include <cstdint>
#include <vector>

#include "LineSettings.h"
#include "StreamEvent.h"

// What a receiver set to `receiver` decodes from the characters of one true line `truth`.
//
// Each direction of the true line is a wire: idle high, and for every Data event a start
// bit (low), the data bits least significant first, the parity bit (inverted where the event
// carries a parity error), the stop bits (the first one low where the event carries a
// framing error), ending at the event's tick. The receiver hunts for a falling edge, checks
// the start bit at its middle (a high start bit is a glitch: it hunts again), samples every
// further bit at its middle at its own speed, checks the parity and the first stop bit only,
// and hunts again from the middle of that stop bit; a new character needs the line to go
// high and fall again. A low stop bit is a framing error. A line low at every sample of a
// character is a break, reported as hardware reports one: a NUL with a framing error (and
// no parity error). A character is reported at the tick at which it ends at the receiver's
// timing (start edge plus one receiver character), rounded up to a whole tick. 7-bit
// receivers report 7 bits. Line and raw events pass through unchanged.
//
// When the receiver is set as the line is built (speed, data bits, parity and stop bits),
// every event passes through as it is at once. Otherwise what is reported waits until the
// line up to its tick is known, so the output stays in tick order (on a tie: RD, SD, then
// the passed events). The buffers are reused; nothing is allocated per character once they
// have grown to the longest backlog.
class LineReceiver {
  public:
    LineReceiver(const LineSettings& truth, const LineSettings& receiver);

    // Feeds an event of the true line, in tick order (ticks are half bits of `truth`). Data
    // events are re-decoded per direction; others pass through. Appends what the receiver
    // reports, in tick order.
    void push(const StreamEvent& e, std::vector<StreamEvent>& out);
    // Everything the receiver can report up to tick (characters whose bits have all
    // arrived): the caller states that every character pushed later starts at tick or
    // after (its Data event's tick is at least tick plus one true character).
    void flush(uint64_t tick, std::vector<StreamEvent>& out);

    // True when every event passes through unchanged.
    [[nodiscard]] bool transparent() const { return transparent_; }
    // Ticks after the end of the last character pushed by which everything it can make
    // the receiver report has been reported (one receiver character and a tick).
    [[nodiscard]] uint64_t settleTicks() const;

  private:
    // One character of the true line: its start and the levels of its whole bits (start,
    // data, parity, first stop), bit i high when bit i of `high` is set. Further stop bits
    // are high.
    struct TrueChar {
        int64_t start;
        uint16_t high;
    };
    // A direction of the line and the receiver on it; times in units (see unitsPerTick_).
    struct Wire {
        bool sd = false;
        std::vector<TrueChar> chars;  // in start order, from index head on
        size_t head = 0;
        int64_t hunt = -1;  // the receiver looks for a falling edge after this time
        int64_t edge = -1;  // the start of a character whose last sample is not known yet
        std::vector<StreamEvent> decoded;
        size_t next = 0;  // first of decoded not reported yet
    };

    void addChar(Wire& wire, const StreamEvent& e);
    // Decodes every character whose samples are all before known_.
    void decode(Wire& wire);
    [[nodiscard]] bool level(const Wire& wire, int64_t t) const;
    // The first falling edge after wire.hunt and before known_, or -1.
    [[nodiscard]] int64_t nextFallingEdge(const Wire& wire) const;
    // Moves what is decided up to known_ to out, in tick order.
    void release(std::vector<StreamEvent>& out);
    void advance(int64_t known, std::vector<StreamEvent>& out);

    LineSettings truth_;
    LineSettings receiver_;
    bool transparent_;
    // Time is counted in units that divide both a tick of the true line (unitsPerTick_)
    // and a half bit at the receiver's speed (unitsPerHalfBit_), so every edge and every
    // sample point is a whole number of units.
    int64_t unitsPerTick_;
    int64_t unitsPerHalfBit_;
    int trueBits_;       // start, data, parity and first stop bit of the true line
    int receiverBits_;   // the same at the receiver
    int64_t known_ = 0;  // the line is known before this time
    Wire rd_;
    Wire sd_;
    std::vector<StreamEvent> passed_;
    size_t passedNext_ = 0;
};
