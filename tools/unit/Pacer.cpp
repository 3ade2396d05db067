#include "Pacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

Pacer::Pacer(std::unique_ptr<Scenario> scenario, const LineSettings& line, double rateFactor,
             int64_t startNs, double durationSeconds)
    : scenario_(std::move(scenario)),
      nsPerTick_(1e9 / (static_cast<double>(line.ticksPerSecond()) * rateFactor)),
      startNs_(startNs),
      endTick_(durationSeconds > 0.0
                   ? static_cast<uint64_t>(
                         std::llround(durationSeconds * static_cast<double>(line.ticksPerSecond())))
                   : std::numeric_limits<uint64_t>::max()) {
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
    if (scenario_) {
        upcoming_ = scenario_->next();
        upcoming_.tick += offset_;
    }
}

void Pacer::produce(int64_t nowNs, std::string& out, size_t limit) {
    while (out.size() < limit && !finished() && dueNs(nextTick()) <= nowNs) {
        if (injectedNext()) {
            encode(injected_.front(), out);
            injected_.pop_front();
        } else {
            encode(upcoming_, out);
            fetch();
        }
    }
}

void Pacer::inject(int64_t nowNs, std::span<const StreamEvent> events) {
    const uint64_t base = std::max(tickAt(nowNs), injectedEnd_);
    for (StreamEvent e : events) {
        e.tick += base;
        injectedEnd_ = std::max(injectedEnd_, e.tick);
        injected_.push_back(e);
    }
}

void Pacer::switchScenario(std::unique_ptr<Scenario> scenario, int64_t nowNs) {
    scenario_ = std::move(scenario);
    offset_ = tickAt(nowNs);
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
