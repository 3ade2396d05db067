#pragma once
#include <cstddef>
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

// The one walk over stored records, which every reader of records shares (display words,
// exports, the timeline, the frame analysis). Over the whole records in the first len bytes,
// in order, it calls
//   v.run(const uint8_t* pairs, size_t count)  for each run of count consecutive data records
//                                               (2 * count bytes, of either direction),
//   v.record(const Record& r)                  for every other record.
// Bytes that start no record are skipped one at a time (the buffer may begin inside a record
// after a block shift); a record cut off by the end of the data is left. Returns where that
// record begins (len when there is none), so that data read in pieces can go on from there.
template <class V>
size_t walkRecords(const uint8_t* bytes, size_t len, V&& v) {
    size_t i = 0;
    while (i < len) {
        const uint8_t b = bytes[i];
        if (isFirst(b)) {
            if (i + 2 > len) {
                return i;
            }
            size_t end = i + 2;
            while (end + 1 < len && isFirst(bytes[end])) {
                end += 2;
            }
            v.run(bytes + i, (end - i) / 2);
            i = end;
        } else if (isLineState(b)) {
            if (i + 2 > len) {
                return i;
            }
            v.record(Record{Kind::LineState, {b, bytes[i + 1], 0, 0}});
            i += 2;
        } else if (b == kStamp || b == kIdle) {
            if (i + 4 > len) {
                return i;
            }
            v.record(Record{b == kStamp ? Kind::Stamp : Kind::Idle,
                            {b, bytes[i + 1], bytes[i + 2], bytes[i + 3]}});
            i += 4;
        } else {
            ++i;
        }
    }
    return i;
}

// walkRecords with f(const Record&) for every record, data pairs one at a time.
template <class F>
size_t forEachRecord(const uint8_t* bytes, size_t len, F&& f) {
    struct Each {
        F& f;
        void run(const uint8_t* p, size_t n) {
            for (size_t k = 0; k < n; ++k, p += 2) {
                f(Record{Kind::Data, {p[0], p[1], 0, 0}});
            }
        }
        void record(const Record& r) { f(r); }
    };
    return walkRecords(bytes, len, Each{f});
}

}  // namespace rec
