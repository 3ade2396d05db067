#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "LineSettings.h"
#include "Scenario.h"

// Turns a scenario into capture-stream bytes at the pace of the monitored line. Every
// event's due time is computed from its absolute line time and the start of monitoring on
// a monotonic clock, so pacing does not drift however irregularly produce() is called.
class Pacer {
  public:
    // rateFactor > 1 runs the line that many times faster than real time. With a positive
    // durationSeconds the line goes quiet for good once that much line time has passed.
    Pacer(std::unique_ptr<Scenario> scenario, const LineSettings& line, double rateFactor,
          int64_t startNs, double durationSeconds = 0.0);

    // Appends the bytes of every event due at nowNs to out, until out holds limit bytes.
    void produce(int64_t nowNs, std::string& out, size_t limit);
    // Monotonic time at which the next event is due; meaningless once finished.
    [[nodiscard]] int64_t nextDueNs() const { return dueNs(upcoming_.tick); }
    // True once the duration is over and everything within it has been produced.
    [[nodiscard]] bool finished() const { return upcoming_.tick > endTick_; }
    // Moves the whole remaining schedule later, after a time in which nothing was sent.
    void postpone(int64_t ns) { startNs_ += ns; }

  private:
    [[nodiscard]] int64_t dueNs(uint64_t tick) const;
    void encode(const StreamEvent& e, std::string& out);

    std::unique_ptr<Scenario> scenario_;
    double nsPerTick_;
    int64_t startNs_;
    uint64_t endTick_;  // the last tick that still carries events
    StreamEvent upcoming_;
    int lastLines_ = -1;  // line state last sent; none yet at the start of monitoring
};
