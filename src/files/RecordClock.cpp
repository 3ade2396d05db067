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

void RecordClock::Pass(const rec::Record& r) {
    switch (r.kind) {
        case rec::Kind::Data:
            Characters(1);
            break;
        case rec::Kind::Idle:
            Set(Now() + IdleMicros(r));
            break;
        case rec::Kind::Stamp: {
            const int64_t now = Now();
            if (!day_) {
                day_ = now - StampMicros(r);
            }
            int64_t stamp = *day_ + StampMicros(r);
            if (stamp + kHalfDayMicros < now) {  // past midnight
                *day_ += kDayMicros;
                stamp += kDayMicros;
            }
            if (now < stamp || now >= stamp + kMicros) {
                Set(stamp);
            }
            break;
        }
        case rec::Kind::LineState:
            break;
    }
}

int32_t ClockLead::Add(const uint8_t* bytes, int32_t len) {
    return rec::ForEachRecord(bytes, len, [&](const rec::Record& r) {
        if (firstStamp_) {
            return;
        }
        if (r.kind == rec::Kind::Stamp) {
            firstStamp_ = RecordClock::StampMicros(r);
        } else {
            clock_.Pass(r);
        }
    });
}

int64_t ClockLead::StartMicros(const PcapTimes& times) const {
    return firstStamp_ ? times.dayStart * RecordClock::kMicros + *firstStamp_ - clock_.Now()
                       : times.endMicros - clock_.Now();
}

int64_t StartMicros(const uint8_t* bytes, int32_t len, const PcapLine& line,
                    const PcapTimes& times) {
    ClockLead lead(line);
    lead.Add(bytes, len);
    return lead.StartMicros(times);
}
