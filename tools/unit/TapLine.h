#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "DeviceInput.h"

// One direction of the tap: the characters on their way from one side to the other. On a
// paced line each character has arrived one character time after the previous one ended,
// or after it was written when the line was quiet, as on a real line at those settings;
// an unpaced line (its sender is a real device, whose own hardware keeps the pace) passes
// every character on at once. The order of the characters never changes.
class TapLine {
  public:
    // The time one character takes, in nanoseconds; 0 for an unpaced line. Characters
    // already on their way keep their times.
    void setCharacterNs(int64_t ns) { characterNs_ = ns; }

    // Characters written by the sending side at nowNs.
    void receive(int64_t nowNs, std::span<const TapChar> chars);
    // When the next character arrives; nothing while none is on its way.
    [[nodiscard]] std::optional<int64_t> nextDueNs() const;
    // Moves the characters that have arrived by nowNs to out, in order.
    void deliver(int64_t nowNs, std::vector<TapChar>& out);
    [[nodiscard]] size_t pending() const { return queue_.size(); }

  private:
    struct Timed {
        int64_t dueNs;
        TapChar c;
    };
    std::deque<Timed> queue_;
    int64_t characterNs_ = 0;
    int64_t lineFreeNs_ = 0;  // when the last character on its way ends
};
