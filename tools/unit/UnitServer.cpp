#include "UnitServer.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

#include "Options.h"

namespace {

constexpr int64_t kNsPerMs = 1'000'000;
// The longest single wait; nothing depends on it but the loop's liveliness.
constexpr int kMaxWaitMs = 1000;
// A retry interval for output that the terminal keeps refusing.
constexpr int kRetryMs = 20;

}  // namespace

UnitServer::UnitServer(const Options& options, int terminal, RecordFile& record)
    : options_(options),
      terminal_(terminal),
      record_(record),
      protocol_({options.version, options.refuseStart}),
      output_(record) {}

int64_t UnitServer::nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void UnitServer::run(int stopFd) {
    for (;;) {
        handleDue(nowNs());
        pump(nowNs());
        record_.flushDue(nowNs());
        const short events = static_cast<short>(POLLIN | (output_.empty() ? 0 : POLLOUT));
        std::array<pollfd, 2> fds = {{{terminal_, events, 0}, {stopFd, POLLIN, 0}}};
        // After a hang-up the terminal reports itself ready without end; wait on the stop
        // descriptor alone for a while instead.
        const nfds_t count = hungUp_ ? 1 : 2;
        pollfd* first = hungUp_ ? &fds[1] : fds.data();
        const int timeout = hungUp_ ? kRetryMs : timeoutMs(nowNs());
        hungUp_ = false;
        if (poll(first, count, timeout) < 0) {
            continue;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            readCommands();
        } else if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            hungUp_ = true;
        }
    }
}

void UnitServer::readCommands() {
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t n = ::read(terminal_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        if (options_.mute) {
            continue;
        }
        const int64_t due = nowNs() + options_.replyDelayMs * kNsPerMs;
        for (const std::string& command : splitter_.feed(buffer.data(), static_cast<size_t>(n))) {
            delayed_.push_back({due, command});
        }
        handleDue(nowNs());
    }
}

void UnitServer::handleDue(int64_t now) {
    while (!delayed_.empty() && delayed_.front().dueNs <= now) {
        const std::string command = std::move(delayed_.front().command);
        delayed_.pop_front();
        handle(command);
    }
}

void UnitServer::handle(const std::string& command) {
    const UnitProtocol::Answer answer = protocol_.handle(command);
    if (options_.trace) {
        std::string reply = answer.reply;
        if (!reply.empty() && reply.back() == '\r') {
            reply.pop_back();
        }
        std::printf("%s %s\n", command.c_str(), reply.c_str());
        std::fflush(stdout);
    }
    const int64_t now = nowNs();
    if (answer.action == UnitProtocol::Action::Stop) {
        // Everything observed up to the stop goes out before the reply.
        pump(now);
        pacer_.reset();
        stalledSince_.reset();
    }
    output_.append(answer.reply, false);
    if (answer.action == UnitProtocol::Action::Start) {
        pacer_ = std::make_unique<Pacer>(
            Scenario::create(options_.scenario, protocol_.line(), options_.seed), protocol_.line(),
            options_.rateFactor, now, options_.duration);
    }
}

void UnitServer::pump(int64_t now) {
    if (pacer_) {
        if (stalledSince_ && output_.size() < kHighWater / 2) {
            // The client has caught up: the line goes on where it stopped.
            pacer_->postpone(now - *stalledSince_);
            stalledSince_.reset();
        }
        if (!stalledSince_) {
            std::string bytes;
            pacer_->produce(now, bytes, kHighWater - std::min(kHighWater, output_.size()));
            output_.append(bytes, true);
            if (output_.size() >= kHighWater) {
                stalledSince_ = now;
            }
        }
    }
    output_.writeTo(terminal_);
}

int UnitServer::timeoutMs(int64_t now) const {
    int timeout = -1;
    if (pacer_ && !stalledSince_ && !pacer_->finished()) {
        const int64_t wait = pacer_->nextDueNs() - now;
        timeout = wait <= 0 ? 0
                            : static_cast<int>(std::clamp<int64_t>((wait + kNsPerMs - 1) / kNsPerMs,
                                                                   kMinBatchMs, kMaxWaitMs));
    }
    if (!output_.empty()) {
        // POLLOUT wakes the loop when the client reads; retry now and then regardless.
        timeout = timeout < 0 ? kRetryMs : std::min(timeout, kRetryMs);
    }
    // The next delayed command and the record file's flush wake the loop too.
    for (const std::optional<int64_t> due :
         {delayed_.empty() ? std::nullopt : std::optional<int64_t>(delayed_.front().dueNs),
          record_.dueNs()}) {
        if (due) {
            const int wait = static_cast<int>(
                std::clamp<int64_t>((*due - now + kNsPerMs - 1) / kNsPerMs, 0, kMaxWaitMs));
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        }
    }
    return timeout;
}
