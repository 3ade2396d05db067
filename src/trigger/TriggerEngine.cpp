#include "trigger/TriggerEngine.h"

#include <cstdio>
#include <cstring>

#include "base/Status.h"

namespace {

enum Event : int16_t { kString = 1, kTime = 2, kError = 3, kLine = 4 };
enum Action : int16_t { kStopMonitor = 0, kStartSaving = 1, kStopSaving = 2, kCountEvents = 3 };

// a == b in a few instructions: std::array's comparison calls memcmp.
bool sameTypes(const std::array<int16_t, Triggers::kCount>& a,
               const std::array<int16_t, Triggers::kCount>& b) {
    static_assert(Triggers::kCount == 5);
    uint64_t a4 = 0;
    uint64_t b4 = 0;
    std::memcpy(&a4, a.data(), sizeof a4);
    std::memcpy(&b4, b.data(), sizeof b4);
    return a4 == b4 && a[4] == b[4];
}

}  // namespace

void TriggerEngine::listStringTriggers() {
    listedTypes_ = triggers_.gintTrigType;
    stringCount_ = 0;
    for (int n = 0; n < Triggers::kCount; ++n) {
        if (listedTypes_[n] == kString) {
            stringTriggers_[stringCount_++] = static_cast<int8_t>(n);
        }
    }
}

void TriggerEngine::TrigCheckChr(int direction, uint8_t byte) {
    if (!sameTypes(triggers_.gintTrigType, listedTypes_)) {
        listStringTriggers();
    }
    if (stringCount_ > 0) {
        matchStrings(direction, byte);
    }
}

void TriggerEngine::matchStrings(int direction, uint8_t byte) {
    auto& pos = direction != 0 ? gintChrPosSD : gintChrPosRD;
    auto& top = direction != 0 ? glngChrTopSD : glngChrTopRD;
    for (int i = 0; i < stringCount_; ++i) {
        const int n = stringTriggers_[i];
        // The progress stays below the code count, which is at most kCodes: always an index.
        int16_t& p = pos[n];
        if (byte != triggers_.gbyteChrCode[n][p]) {
            p = 0;
            continue;
        }
        if (++p == 1) {
            top[n] = capture_.glngDatLen();
        }
        if (triggers_.chrCount(n) <= p) {
            p = 0;
            TrigAction(n, capture_.glngDatLen() - top[n]);
        }
    }
}

void TriggerEngine::TrigCheckErr(int errorBits) {
    for (int n = 0; n < Triggers::kCount; ++n) {
        if (triggers_.gintTrigType[n] == kError && (triggers_.gintErrType[n] & errorBits) > 0) {
            TrigAction(n, 0);
        }
    }
}

void TriggerEngine::TrigCheckLine(int line, int edge) {
    if (line < 0 || line >= Triggers::kLines) {
        return;
    }
    for (int n = 0; n < Triggers::kCount; ++n) {
        if (triggers_.gintTrigType[n] == kLine && triggers_.gintLineEdge[line][n] == edge) {
            TrigAction(n, 0);
        }
    }
}

void TriggerEngine::TrigCheckTime() {
    const DateTime now = clock_.now();
    char hhmm[8];
    std::snprintf(hhmm, sizeof hhmm, "%02d%02d", now.hour, now.minute);
    for (int n = 0; n < Triggers::kCount; ++n) {
        if (triggers_.gintTrigType[n] != kTime) {
            continue;
        }
        if (triggers_.gstrTime[n] != hhmm) {
            gintTimeHit[n] = 0;
        } else if (gintTimeHit[n] == 0) {
            gintTimeHit[n] = 1;
            TrigAction(n, 0);
        }
    }
}

int32_t TriggerEngine::stopTarget(int16_t count) const {
    // Counts are limited to 0..16383 where they are entered and read, so the doubling fits;
    // a larger count set otherwise wraps, as 16-bit arithmetic does, to a target already
    // passed, and the request completes at the next data record. The target is a position
    // in the buffer as it is now: Capture moves pending targets down with the data when the
    // buffer drops its oldest block.
    return capture_.glngDatLen() + static_cast<int16_t>(2 * count);
}

void TriggerEngine::TrigAction(int n, int32_t extra) {
    switch (triggers_.gintAction[n]) {
        case kStopMonitor:
            run_.gintStopReq = status::kPending;
            run_.glngStopPos = stopTarget(triggers_.gintMonitorStop[n]);
            run_.stopTrigger = static_cast<int16_t>(n + 1);
            break;
        case kStartSaving:
            run_.gintSaveStopReq = status::kDone;
            if (run_.gintAutoSave == 1) {
                break;
            }
            run_.gintAutoSave = 1;
            // Summed in 32 bits: a 16-bit sum could turn negative and name no history at all.
            capture_.copyHistoryToAutoSave(2 * triggers_.gintSaveStart[n] + extra);
            break;
        case kStopSaving:
            run_.gintSaveStopReq = status::kPending;
            run_.glngSaveStopPos = stopTarget(triggers_.gintSaveStop[n]);
            break;
        case kCountEvents:
            if (triggers_.glngTrigCount[n] < kMaxTrigCount) {
                ++triggers_.glngTrigCount[n];
            }
            break;
        default:
            break;
    }
}
