#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "LineReceiver.h"
#include "LineSettings.h"
#include "Scenario.h"

// Turns a scenario into capture-stream bytes at the pace of the monitored line. Every
// event's due time is computed from its absolute line time and the start of monitoring on
// a monotonic clock, so pacing does not drift however irregularly produce() is called.
// Events made by hand (the control channel) join the scenario's on the same line time.
class Pacer {
  public:
    // rateFactor > 1 runs the line that many times faster than real time. With a positive
    // durationSeconds the scenario's line goes quiet for good once that much line time has
    // passed. A null scenario is a line that carries only what is injected.
    // With a receiver, line is how the line is really built (the scenario is built for it
    // and it sets the pace), and the stream reports what a receiver set to `receiver`
    // decodes from it (LineReceiver): the scenario's characters through one receiver, the
    // injected ones through another, each injected batch followed by the time of one
    // receiver character in which the line is idle.
    Pacer(std::unique_ptr<Scenario> scenario, const LineSettings& line, double rateFactor,
          int64_t startNs, double durationSeconds = 0.0,
          const std::optional<LineSettings>& receiver = std::nullopt);

    // Appends the bytes of every event due at nowNs to out, until out holds limit bytes.
    void produce(int64_t nowNs, std::string& out, size_t limit);
    // Monotonic time at which the next event is due; meaningless once finished.
    [[nodiscard]] int64_t nextDueNs() const { return dueNs(nextTick()); }
    // True once the scenario's duration is over, everything within it has been produced
    // and no injected event waits.
    [[nodiscard]] bool finished() const { return scenarioDone() && injected_.empty(); }
    // Moves the whole remaining schedule later, after a time in which nothing was sent.
    void postpone(int64_t ns) { startNs_ += ns; }

    // Puts events on the line from nowNs on: their ticks count from the moment the first
    // one starts, which is now, or when the events injected before have ended.
    void inject(int64_t nowNs, std::span<const StreamEvent> events);
    // Injected events not yet sent.
    [[nodiscard]] size_t injectedPending() const { return injected_.size(); }
    // Replaces the scenario from nowNs on; the new one starts its own line time there.
    void switchScenario(std::unique_ptr<Scenario> scenario, int64_t nowNs);

  private:
    [[nodiscard]] int64_t dueNs(uint64_t tick) const;
    [[nodiscard]] uint64_t tickAt(int64_t nowNs) const;
    [[nodiscard]] bool scenarioDone() const { return !scenario_ || upcoming_.tick > endTick_; }
    // The tick of the next event, injected or the scenario's (the scenario's first on a tie).
    [[nodiscard]] uint64_t nextTick() const;
    [[nodiscard]] bool injectedNext() const;
    void fetch();
    void encode(const StreamEvent& e, std::string& out);

    std::unique_ptr<Scenario> scenario_;
    const LineSettings line_;
    const std::optional<LineSettings> receiverLine_;
    std::optional<LineReceiver> scenarioReceiver_;
    std::optional<LineReceiver> injectedReceiver_;
    std::vector<StreamEvent> received_;  // what the scenario's receiver reported, not yet fetched
    size_t receivedNext_ = 0;
    std::vector<StreamEvent> receivedInjected_;
    double nsPerTick_;
    int64_t startNs_;
    uint64_t endTick_;     // the last tick that still carries the scenario's events
    uint64_t offset_ = 0;  // line time at which the present scenario started
    StreamEvent upcoming_;
    // True when the receiver reported nothing for the last kSilentBatch events of the scenario:
    // upcoming_ then only holds the line time at which to go on (silentTick_, the last event's).
    bool upcomingEmpty_ = false;
    uint64_t silentTick_ = 0;
    static constexpr int kSilentBatch = 256;
    std::deque<StreamEvent> injected_;
    uint64_t injectedEnd_ = 0;  // the tick at which the last injected event ends
    int lastLines_ = -1;        // line state last sent; none yet at the start of monitoring
};
