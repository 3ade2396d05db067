#pragma once
#include <cstdint>
#include <optional>
#include <utility>

#include "capture/RecordWalk.h"
#include "files/PcapExport.h"

// The rebuilt time of a capture's records (see PcapExport.h): one character time per data
// byte, idle records advance by their count of idle steps, time-stamp records set the clock
// to their time of day. Shared by the pcap export and the frame analysis so that both agree.
class RecordClock {
  public:
    // A clock standing at startMicros; time stamps lie on the day that begins at dayMicros.
    // Without a day the first time stamp fixes it so that the stamp falls on the clock, as it
    // does with the clock startMicros gives: times then count from startMicros alike.
    RecordClock(const PcapLine& line, int64_t startMicros, std::optional<int64_t> dayMicros);

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
    int64_t halfBits_ = 0;  // half-bits of the characters since base_, so that long runs of
                            // bytes do not accumulate rounding errors
    int64_t halfBitsPerChar_ = 0;
    int64_t halfBitsPerSecond_ = 0;
    int64_t idleStep_ = 0;
    std::optional<int64_t> day_;
};

// Where the clock stands at the first record: it reaches the first time-stamp record exactly,
// or, without one, ends at times.endMicros.
[[nodiscard]] int64_t startMicros(const uint8_t* bytes, int32_t len, const PcapLine& line,
                                  const PcapTimes& times);

// startMicros for records that come in pieces: the elapsed time from the first record to the
// first time stamp, or to the end when there is none (the stamp's time of day then tells
// nothing).
class ClockLead {
  public:
    explicit ClockLead(const PcapLine& line) : clock_(line, 0, 0) {}
    // Passes the whole records at the front of the len bytes; returns the bytes they take.
    int32_t add(const uint8_t* bytes, int32_t len);
    // True once the first time stamp has been seen: later records change nothing.
    [[nodiscard]] bool done() const { return firstStamp_.has_value(); }
    [[nodiscard]] int64_t startMicros(const PcapTimes& times) const;

  private:
    RecordClock clock_;
    std::optional<int64_t> firstStamp_;
};

// Calls f(const rec::Record&, const RecordClock&) for every whole record of the first len
// bytes, the clock standing at the start of the record.
template <class F>
void forEachTimedRecord(const uint8_t* bytes, int32_t len, const PcapLine& line,
                        const PcapTimes& times, F&& f) {
    RecordClock clock(line, startMicros(bytes, len, line, times),
                      times.dayStart * RecordClock::kMicros);
    rec::forEachRecord(bytes, len, [&](const rec::Record& r) {
        f(r, std::as_const(clock));
        clock.pass(r);
    });
}
