#include "capture/RecordClock.h"

namespace {

constexpr int64_t kDayMicros = 86'400 * RecordClock::kMicros;
constexpr int64_t kHalfDayMicros = kDayMicros / 2;

}  // namespace

RecordClock::RecordClock(const LineTiming& line, int64_t startMicros,
                         std::optional<int64_t> dayMicros)
    : base_(startMicros), day_(dayMicros) {
    const int bits = 1 + (line.dataLen == 0 ? 7 : 8) + (line.parity != 0 ? 1 : 0);
    halfBitsPerChar_ = 2 * bits + (line.stopBit == 1 ? 3 : line.stopBit == 2 ? 4 : 2);
    halfBitsPerSecond_ = line.speed > 0 ? 2LL * line.speed : 0;
    switch (line.idleMode) {
        case 1:
            idleStep_ = kMicros;
            break;
        case 10:
            idleStep_ = kMicros / 10;
            break;
        case 100:
            idleStep_ = kMicros / 100;
            break;
        default:
            idleStep_ = 0;
            break;
    }
}

void RecordClock::pass(const rec::Record& r) {
    switch (r.kind) {
        case rec::Kind::Data:
            characters(1);
            break;
        case rec::Kind::Idle:
            base_ += idleMicros(r);  // whole microseconds: the characters' half-bits stay exact
            break;
        case rec::Kind::Stamp: {
            const int64_t at = now();
            if (!day_) {
                day_ = at - stampMicros(r);
            }
            int64_t stamp = *day_ + stampMicros(r);
            if (stamp + kHalfDayMicros < at) {  // past midnight
                *day_ += kDayMicros;
                stamp += kDayMicros;
            }
            if (at < stamp || at >= stamp + kMicros) {
                set(stamp);
            }
            break;
        }
        case rec::Kind::LineState:
            break;
    }
}

size_t ClockLead::add(const uint8_t* bytes, size_t len) {
    return rec::forEachRecord(bytes, len, [&](const rec::Record& r) {
        if (firstStamp_) {
            return;
        }
        if (r.kind == rec::Kind::Stamp) {
            firstStamp_ = RecordClock::stampMicros(r);
        } else {
            clock_.pass(r);
        }
    });
}

int64_t ClockLead::startMicros(int64_t dayMicros, int64_t endMicros) const {
    return firstStamp_ ? dayMicros + *firstStamp_ - clock_.now() : endMicros - clock_.now();
}
