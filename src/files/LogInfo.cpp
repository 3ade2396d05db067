#include "files/LogInfo.h"

#include <cstdio>

#include "capture/Records.h"

namespace {

std::string timeText(const uint8_t* t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t[0], t[1], t[2]);
    return text;
}

}  // namespace

RecordCounts CountRecords(const uint8_t* bytes, size_t len) {
    RecordCounts n;
    CountRecords(bytes, len, n);
    return n;
}

size_t CountRecords(const uint8_t* bytes, size_t len, RecordCounts& n) {
    size_t i = 0;
    while (i < len) {
        const uint8_t b = bytes[i];
        const size_t size = rec::IsFirst(b) || rec::IsLineState(b) ? 2
                            : b == rec::kStamp || b == rec::kIdle  ? 4
                                                                   : 1;
        if (i + size > len) {
            break;
        }
        if (rec::IsFirst(b)) {
            ++(rec::IsSd(b) ? n.sd : n.rd);
            // A byte with both errors is a framing error, as in the display words.
            const bool framing = rec::HasFramingError(bytes[i + 1]);
            n.framingErrors += framing ? 1 : 0;
            n.parityErrors += !framing && rec::HasParityError(b) ? 1 : 0;
        } else if (rec::IsLineState(b)) {
            ++n.lineStates;
        } else if (b == rec::kIdle) {
            ++n.idle;
        } else if (b == rec::kStamp) {
            ++n.timeStamps;
            n.lastTime = timeText(bytes + i + 1);
            if (!n.firstTime) {
                n.firstTime = n.lastTime;
            }
        }
        i += size;
    }
    return i;
}

const char* LineTypeName(const LogHeader& h) {
    return ClampHeader(h).gintLineType == 1 ? "RS422/485" : "RS232C";
}

int DataBits(const LogHeader& h) {
    return h.gintDataLen == 0 ? 7 : 8;
}

const char* ParityName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"none", "odd", "even"};
    return kNames[ClampHeader(h).gintParity];
}

const char* StopBitsName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"1", "1.5", "2"};
    return kNames[ClampHeader(h).gintStopBit];
}

const char* DispModeName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"ascii", "hex", "shift-jis"};
    return kNames[ClampHeader(h).gintDispMode];
}

const char* IdleScaleName(const LogHeader& h) {
    switch (ClampHeader(h).gintIdleMode) {
        case 1:
            return "1s";
        case 10:
            return "100ms";
        case 100:
            return "10ms";
        default:
            return "none";
    }
}

const char* FontSizeName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"large", "medium", "small"};
    return kNames[ClampHeader(h).gintFontSize];
}
