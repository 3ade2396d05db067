#include "files/RecordClock.h"

namespace {

constexpr int64_t kDayMicros = 86'400 * RecordClock::kMicros;
constexpr int64_t kHalfDayMicros = kDayMicros / 2;

}  // namespace

RecordClock::RecordClock(const PcapLine& line, int64_t startMicros,
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
            set(now() + idleMicros(r));
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

int32_t ClockLead::add(const uint8_t* bytes, int32_t len) {
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

int64_t ClockLead::startMicros(const PcapTimes& times) const {
    return firstStamp_ ? times.dayStart * RecordClock::kMicros + *firstStamp_ - clock_.now()
                       : times.endMicros - clock_.now();
}

int64_t startMicros(const uint8_t* bytes, int32_t len, const PcapLine& line,
                    const PcapTimes& times) {
    ClockLead lead(line);
    lead.add(bytes, len);
    return lead.startMicros(times);
}
