#include "Pacer.h"

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
                   : std::numeric_limits<uint64_t>::max()),
      upcoming_(scenario_->next()) {}

int64_t Pacer::dueNs(uint64_t tick) const {
    return startNs_ + std::llround(static_cast<double>(tick) * nsPerTick_);
}

void Pacer::produce(int64_t nowNs, std::string& out, size_t limit) {
    while (out.size() < limit && !finished() && dueNs(upcoming_.tick) <= nowNs) {
        encode(upcoming_, out);
        upcoming_ = scenario_->next();
    }
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
