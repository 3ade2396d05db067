#include "Pacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

Pacer::Pacer(std::unique_ptr<Scenario> scenario, const LineSettings& line, double rateFactor,
             int64_t startNs, double durationSeconds, const std::optional<LineSettings>& receiver)
    : scenario_(std::move(scenario)),
      line_(line),
      receiverLine_(receiver),
      nsPerTick_(1e9 / (static_cast<double>(line.ticksPerSecond()) * rateFactor)),
      startNs_(startNs),
      endTick_(durationSeconds > 0.0
                   ? static_cast<uint64_t>(
                         std::llround(durationSeconds * static_cast<double>(line.ticksPerSecond())))
                   : std::numeric_limits<uint64_t>::max()) {
    if (receiverLine_) {
        scenarioReceiver_.emplace(line_, *receiverLine_);
        injectedReceiver_.emplace(line_, *receiverLine_);
    }
    fetch();
}

int64_t Pacer::dueNs(uint64_t tick) const {
    return startNs_ + std::llround(static_cast<double>(tick) * nsPerTick_);
}

uint64_t Pacer::tickAt(int64_t nowNs) const {
    return nowNs <= startNs_
               ? 0
               : static_cast<uint64_t>(static_cast<double>(nowNs - startNs_) / nsPerTick_);
}

bool Pacer::injectedNext() const {
    return !injected_.empty() && (scenarioDone() || injected_.front().tick < upcoming_.tick);
}

uint64_t Pacer::nextTick() const {
    return injectedNext() ? injected_.front().tick : upcoming_.tick;
}

void Pacer::fetch() {
    if (!scenario_) {
        return;
    }
    if (scenarioReceiver_) {
        // A receiver far from the true line may report nothing at all (every start bit a
        // glitch): after a batch of events with no report, nothing is upcoming until the line
        // time of the last event, when produce() asks again.
        upcomingEmpty_ = false;
        for (int pushed = 0; receivedNext_ == received_.size(); ++pushed) {
            if (pushed == kSilentBatch) {
                upcomingEmpty_ = true;
                upcoming_ = StreamEvent::raw(silentTick_, 0);
                upcoming_.tick += offset_;
                return;
            }
            received_.clear();
            receivedNext_ = 0;
            const StreamEvent e = scenario_->next();
            silentTick_ = e.tick;
            scenarioReceiver_->push(e, received_);
        }
        upcoming_ = received_[receivedNext_++];
    } else {
        upcoming_ = scenario_->next();
    }
    upcoming_.tick += offset_;
}

void Pacer::produce(int64_t nowNs, std::string& out, size_t limit) {
    while (out.size() < limit && !finished() && dueNs(nextTick()) <= nowNs) {
        if (injectedNext()) {
            encode(injected_.front(), out);
            injected_.pop_front();
        } else {
            if (!upcomingEmpty_) {
                encode(upcoming_, out);
            }
            fetch();
        }
    }
}

void Pacer::inject(int64_t nowNs, std::span<const StreamEvent> events) {
    const uint64_t base = std::max(tickAt(nowNs), injectedEnd_);
    if (!injectedReceiver_ || injectedReceiver_->transparent()) {
        for (StreamEvent e : events) {
            e.tick += base;
            injectedEnd_ = std::max(injectedEnd_, e.tick);
            injected_.push_back(e);
        }
        return;
    }
    receivedInjected_.clear();
    uint64_t last = base;
    for (StreamEvent e : events) {
        e.tick += base;
        last = std::max(last, e.tick);
        injectedReceiver_->push(e, receivedInjected_);
    }
    // The next batch starts after everything this one can make the receiver report.
    injectedEnd_ = std::max(injectedEnd_, last + injectedReceiver_->settleTicks());
    injectedReceiver_->flush(injectedEnd_, receivedInjected_);
    injected_.insert(injected_.end(), receivedInjected_.begin(), receivedInjected_.end());
}

void Pacer::switchScenario(std::unique_ptr<Scenario> scenario, int64_t nowNs) {
    scenario_ = std::move(scenario);
    offset_ = tickAt(nowNs);
    if (receiverLine_) {
        scenarioReceiver_.emplace(line_, *receiverLine_);
        received_.clear();
        receivedNext_ = 0;
    }
    fetch();
}

void Pacer::encode(const StreamEvent& e, std::string& out) {
    switch (e.kind) {
        case StreamEvent::Kind::Data:
            out += static_cast<char>(pairFirstByte(e));
            out += static_cast<char>(pairSecondByte(e));
            break;
        case StreamEvent::Kind::Line:
            // The unit reports the control lines only when they change.
            if (e.value != lastLines_) {
                lastLines_ = e.value;
                out += static_cast<char>(lineStateByte(e.value));
            }
            break;
        case StreamEvent::Kind::Raw:
            out += static_cast<char>(e.value);
            break;
    }
}
