#pragma once
#include <cstdint>
#include <optional>

#include "capture/RecordWalk.h"

// The line and idle settings of a capture that its timeline depends on.
struct LineTiming {
    int32_t speed = 9600;  // bit/s
    int16_t dataLen = 1;   // 0: seven data bits, otherwise eight
    int16_t stopBit = 0;   // 0: one, 1: one and a half, 2: two
    int16_t parity = 0;    // 0: none, otherwise one parity bit
    int16_t idleMode = 0;  // 1, 10 or 100 idle steps per second; anything else: unknown
};

// The timeline of a capture's records: the capture holds no time per byte, so it is rebuilt.
// One character time per data byte, idle records advance by their count of idle steps,
// time-stamp records set the clock to their time of day (unless the clock already stands
// later within that second; a time of day more than 12 hours before the clock is the next
// day). Shared by the pcap export and the frame analysis so that both agree.
//
// The time is kept exactly, as whole microseconds (which every idle step divides) plus the
// half-bits of the characters since (which every character time divides), so that any number
// of idle records and characters add up without rounding; it is rounded down to a microsecond
// only when read.
class RecordClock {
  public:
    // A clock standing at startMicros; time stamps lie on the day that begins at dayMicros.
    // Without a day the first time stamp fixes it so that the stamp falls on the clock, as it
    // does with the clock startMicros gives: times then count from startMicros alike.
    RecordClock(const LineTiming& line, int64_t startMicros, std::optional<int64_t> dayMicros);

    // Microseconds since 1970 (or since whatever origin startMicros counts from).
    [[nodiscard]] int64_t now() const { return timeOf(read()); }
    // What now() needs, kept without a division: now() at a later moment is timeOf(read()).
    struct Reading {
        int64_t base;
        int64_t halfBits;
    };
    [[nodiscard]] Reading read() const { return {base_, halfBits_}; }
    [[nodiscard]] int64_t timeOf(const Reading& r) const {
        return r.base + (halfBitsPerSecond_ > 0 ? r.halfBits * kMicros / halfBitsPerSecond_ : 0);
    }

    // The length of one idle step in microseconds; 0 under an unknown idle scale.
    [[nodiscard]] int64_t idleStep() const { return idleStep_; }
    // The time an idle record stands for.
    [[nodiscard]] int64_t idleMicros(const rec::Record& r) const {
        return idleCount(r) * idleStep_;
    }

    // Moves the clock over one record; characters(n) over n data records.
    void pass(const rec::Record& r);
    void characters(int64_t n) { halfBits_ += n * halfBitsPerChar_; }
    // The reading n characters after r.
    [[nodiscard]] Reading after(const Reading& r, int64_t n) const {
        return {r.base, r.halfBits + n * halfBitsPerChar_};
    }

    static constexpr int64_t kMicros = 1'000'000;
    [[nodiscard]] static int64_t idleCount(const rec::Record& r) {
        return r.b[1] * 10'000LL + r.b[2] * 100LL + r.b[3];
    }
    [[nodiscard]] static int64_t stampMicros(const rec::Record& r) {
        return (r.b[1] * 3600LL + r.b[2] * 60LL + r.b[3]) * kMicros;
    }

  private:
    void set(int64_t micros) {
        base_ = micros;
        halfBits_ = 0;
    }

    int64_t base_ = 0;
    int64_t halfBits_ = 0;  // half-bits of the characters since base_
    int64_t halfBitsPerChar_ = 0;
    int64_t halfBitsPerSecond_ = 0;
    int64_t idleStep_ = 0;
    std::optional<int64_t> day_;
};

// Where the clock of records that come in pieces starts: it reaches the first time-stamp
// record exactly, or, without one, ends at a given time. Passes the records up to the first
// time stamp (later records change nothing).
class ClockLead {
  public:
    explicit ClockLead(const LineTiming& line) : clock_(line, 0, 0) {}
    // Passes the whole records at the front of the len bytes; returns the bytes they take.
    size_t add(const uint8_t* bytes, size_t len);
    // True once the first time stamp has been seen.
    [[nodiscard]] bool done() const { return firstStamp_.has_value(); }
    // The start for stamps on the day beginning at dayMicros, or for a capture without stamps
    // that ends at endMicros.
    [[nodiscard]] int64_t startMicros(int64_t dayMicros, int64_t endMicros) const;

  private:
    RecordClock clock_;
    std::optional<int64_t> firstStamp_;
};
