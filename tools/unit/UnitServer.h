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

// The unit at work on its terminal: reads commands, answers them, and while monitoring
// sends the capture stream at the pace of the line. One thread, one poll loop.
class UnitServer {
  public:
    UnitServer(const Options& options, int terminal, RecordFile& record);

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

    void readCommands();
    // Carries out the commands whose reply delay is over.
    void handleDue(int64_t now);
    void handle(const std::string& command);
    // Adds the stream bytes due now to the output and writes what the terminal takes.
    void pump(int64_t now);
    [[nodiscard]] int timeoutMs(int64_t now) const;
    [[nodiscard]] std::unique_ptr<Scenario> makeScenario() const;

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
};
