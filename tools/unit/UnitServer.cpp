#include "UnitServer.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "ControlChannel.h"
#include "ControlCommand.h"
#include "Options.h"
#include "Tap.h"

namespace {

constexpr int64_t kNsPerMs = 1'000'000;
// The longest single wait; nothing depends on it but the loop's liveliness.
constexpr int kMaxWaitMs = 1000;
// A retry interval for output that the terminal keeps refusing.
constexpr int kRetryMs = 20;

}  // namespace

UnitServer::UnitServer(const Options& options, int terminal, RecordFile& record, Tap* tap)
    : options_(options),
      terminal_(terminal),
      record_(record),
      protocol_({options.version, options.refuseStart}),
      output_(record),
      scenario_(options.scenario),
      tap_(tap) {
    if (tap_ != nullptr) {
        tap_->apply(protocol_.line(), options_.rateFactor);
    }
}

int64_t UnitServer::nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void UnitServer::run(int stopFd, ControlChannel* control) {
    std::vector<pollfd> fds;
    for (;;) {
        handleDue(nowNs());
        pump(nowNs());
        record_.flushDue(nowNs());
        fds.clear();
        fds.push_back({stopFd, POLLIN, 0});
        // After a hang-up the terminal reports itself ready without end; leave it out of
        // the wait for a while instead.
        const bool watchTerminal = !hungUp_;
        if (watchTerminal) {
            fds.push_back(
                {terminal_, static_cast<short>(POLLIN | (output_.empty() ? 0 : POLLOUT)), 0});
        }
        const size_t firstTap = fds.size();
        if (tap_ != nullptr) {
            tap_->addPollFds(fds);
        }
        const size_t firstControl = fds.size();
        if (control != nullptr) {
            control->addPollFds(fds);
        }
        const int timeout = hungUp_ ? kRetryMs : timeoutMs(nowNs());
        hungUp_ = false;
        if (poll(fds.data(), fds.size(), timeout) < 0) {
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return;
        }
        if (watchTerminal) {
            if ((fds[1].revents & POLLIN) != 0) {
                readCommands();
            } else if ((fds[1].revents & (POLLHUP | POLLERR)) != 0) {
                hungUp_ = true;
            }
        }
        if (tap_ != nullptr) {
            const int64_t now = nowNs();
            tap_->serve(std::span<const pollfd>(fds).subspan(firstTap, firstControl - firstTap),
                        now, [this, now](const StreamEvent& e) { observe(e, now); });
        }
        if (control != nullptr) {
            control->serve(std::span<const pollfd>(fds).subspan(firstControl),
                           [this](std::string_view line) { return this->control(line); });
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
    if (tap_ != nullptr) {
        tap_->apply(protocol_.line(), options_.rateFactor);
    }
    if (answer.action == UnitProtocol::Action::Stop) {
        // Everything observed up to the stop goes out before the reply.
        pump(now);
        pacer_.reset();
        stalledSince_.reset();
    }
    output_.append(answer.reply, false);
    if (answer.action == UnitProtocol::Action::Start) {
        // With --line the receiver is set as the unit was told; settings sent while
        // monitoring apply from the next start, with a new receiver.
        const auto receiver =
            options_.line ? std::optional<LineSettings>(protocol_.line()) : std::nullopt;
        pacer_ = std::make_unique<Pacer>(makeScenario(), trueLine(), options_.rateFactor, now,
                                         options_.duration, receiver);
        if (const auto on = lines()) {
            const StreamEvent event = StreamEvent::line(0, *on);
            pacer_->inject(now, {&event, 1});
        }
    }
}

std::optional<uint8_t> UnitServer::lines() const {
    const std::optional<uint8_t> tapped = tap_ != nullptr ? tap_->lines() : std::nullopt;
    if (!lines_ && !tapped) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(lines_.value_or(0) | tapped.value_or(0));
}

void UnitServer::observe(const StreamEvent& e, int64_t now) {
    if (!pacer_) {
        return;
    }
    if (pacer_->injectedPending() >= kMaxTapBacklog) {
        if (tapDropped_++ == 0) {
            std::fprintf(stderr,
                         "vexlo-unit: the monitor takes nothing; observations are dropped\n");
        }
        return;
    }
    if (tapDropped_ > 0) {
        std::fprintf(stderr, "vexlo-unit: the monitor takes again; %llu observations dropped\n",
                     static_cast<unsigned long long>(tapDropped_));
        tapDropped_ = 0;
    }
    const StreamEvent event =
        e.kind == StreamEvent::Kind::Line ? StreamEvent::line(0, lines().value_or(0)) : e;
    pacer_->inject(now, {&event, 1});
}

std::unique_ptr<Scenario> UnitServer::makeScenario() const {
    return Scenario::create(scenario_, trueLine(), options_.seed);
}

LineSettings UnitServer::trueLine() const {
    return options_.line.value_or(protocol_.line());
}

std::string UnitServer::control(std::string_view line) {
    std::string error;
    const auto command = ControlCommand::parse(line, error);
    if (!command) {
        return "NG " + error;
    }
    const int64_t now = nowNs();
    switch (command->kind) {
        case ControlCommand::Kind::Send: {
            if (!pacer_) {
                return "NG not monitoring";
            }
            if (pacer_->injectedPending() + command->bytes.size() > kMaxInjected) {
                return "NG busy";
            }
            const std::vector<StreamEvent> events = command->events(trueLine());
            pacer_->inject(now, events);
            break;
        }
        case ControlCommand::Kind::Lines:
            lines_ = command->lines;
            if (pacer_) {
                const StreamEvent event = StreamEvent::line(0, *lines());
                pacer_->inject(now, {&event, 1});
            }
            break;
        case ControlCommand::Kind::Scenario:
            if (tap_ != nullptr) {
                return "NG a tap carries no scenario";
            }
            scenario_ = command->scenario;
            if (pacer_) {
                pacer_->switchScenario(makeScenario(), now);
            }
            break;
        case ControlCommand::Kind::Status:
            return std::string("OK ") + (pacer_ ? "monitoring " : "stopped ") +
                   (tap_ != nullptr ? "tap" : scenario_) + " " + lineNames(lines().value_or(0));
        case ControlCommand::Kind::Scenarios: {
            std::string names = "OK " + std::string(Scenario::kNone);
            for (const Scenario::Info& info : Scenario::all()) {
                names += " " + std::string(info.name);
            }
            return names;
        }
    }
    return "OK";
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
    // The next delayed command, the record file's flush and the tap wake the loop too.
    for (const std::optional<int64_t> due :
         {delayed_.empty() ? std::nullopt : std::optional<int64_t>(delayed_.front().dueNs),
          record_.dueNs(), tap_ != nullptr ? tap_->nextDueNs() : std::nullopt}) {
        if (due) {
            const int wait = static_cast<int>(
                std::clamp<int64_t>((*due - now + kNsPerMs - 1) / kNsPerMs, 0, kMaxWaitMs));
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        }
    }
    return timeout;
}
