#pragma once
#include <cstdint>

#include "capture/Records.h"

namespace rec {

enum class Kind : uint8_t { Data, LineState, Stamp, Idle };

// One whole stored record. Data: b[0], b[1] are the two bytes of the pair; line state: b[0]
// is the state byte; time stamp: b[1..3] hours, minutes, seconds; idle: b[1..3] the three
// digit pairs of the count.
struct Record {
    Kind kind;
    uint8_t b[4];
};

// Calls f(const Record&) for every whole record in the first len bytes, in order. Bytes that
// start no record are skipped one at a time (the buffer may begin inside a record after a
// block shift); a record cut off by the end of the data is dropped. Returns where that record
// begins (len when there is none), so that data read in pieces can go on from there.
template <class F>
int32_t forEachRecord(const uint8_t* bytes, int32_t len, F&& f) {
    int32_t i = 0;
    while (i < len) {
        const uint8_t b = bytes[i];
        if (isFirst(b) || isLineState(b)) {
            if (i + 1 >= len) {
                return i;
            }
            f(Record{isFirst(b) ? Kind::Data : Kind::LineState, {b, bytes[i + 1], 0, 0}});
            i += 2;
        } else if (b == kStamp || b == kIdle) {
            if (i + 3 >= len) {
                return i;
            }
            f(Record{b == kStamp ? Kind::Stamp : Kind::Idle,
                     {b, bytes[i + 1], bytes[i + 2], bytes[i + 3]}});
            i += 4;
        } else {
            ++i;
        }
    }
    return i;
}

}  // namespace rec
