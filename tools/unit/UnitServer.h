#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "CommandSplitter.h"
#include "OutputQueue.h"
#include "Pacer.h"
#include "UnitProtocol.h"

class ControlChannel;
struct Options;
class Tap;

// The unit at work on its terminal: reads commands, answers them, and while monitoring
// sends the capture stream at the pace of the line. One thread, one poll loop. With a tap
// the line is the tap's, which is served in the same loop and never waits for the client.
class UnitServer {
  public:
    UnitServer(const Options& options, int terminal, RecordFile& record, Tap* tap = nullptr);

    // Serves until stopFd becomes readable (the signal handler writes to it), and the
    // control channel's clients when there is one.
    void run(int stopFd, ControlChannel* control = nullptr);

    // The reply to one line of the control channel (see ControlCommand).
    std::string control(std::string_view line);

    // Monotonic time in nanoseconds.
    static int64_t nowNs();

  private:
    // Pending output at which the stream waits for the client to catch up; it goes on
    // when half of it has gone out.
    static constexpr size_t kHighWater = 256 * 1024;
    // Hand-made characters waiting for the line at which SEND is refused ("NG busy").
    static constexpr size_t kMaxInjected = 64 * 1024;
    // The shortest wait between two batches of stream bytes.
    static constexpr int kMinBatchMs = 2;
    // Observations of the tap waiting for the client, at most; further ones are dropped
    // (and counted) until it has caught up.
    static constexpr size_t kMaxTapBacklog = 4 * 1024 * 1024;

    void readCommands();
    // Carries out the commands whose reply delay is over.
    void handleDue(int64_t now);
    void handle(const std::string& command);
    // Adds the stream bytes due now to the output and writes what the terminal takes.
    void pump(int64_t now);
    [[nodiscard]] int timeoutMs(int64_t now) const;
    [[nodiscard]] std::unique_ptr<Scenario> makeScenario() const;
    // How the monitored line is really built: --line, or else the settings sent.
    [[nodiscard]] LineSettings trueLine() const;
    // The control lines to report: those set by hand and the tap's; nothing before either.
    [[nodiscard]] std::optional<uint8_t> lines() const;
    // Puts what the tap observed into the stream while monitoring.
    void observe(const StreamEvent& e, int64_t now);

    const Options& options_;
    int terminal_;
    RecordFile& record_;
    UnitProtocol protocol_;
    CommandSplitter splitter_;
    struct Delayed {
        int64_t dueNs;
        std::string command;
    };
    std::deque<Delayed> delayed_;  // commands waiting for the reply delay, in arrival order
    OutputQueue output_;
    std::unique_ptr<Pacer> pacer_;
    std::optional<int64_t> stalledSince_;
    bool hungUp_ = false;
    std::string scenario_;          // the scenario of the next start (and of the present run)
    std::optional<uint8_t> lines_;  // the control lines set by hand, once set
    Tap* tap_;
    uint64_t tapDropped_ = 0;
};
