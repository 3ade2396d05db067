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

RecordCounts countRecords(const uint8_t* bytes, size_t len) {
    RecordCounts n;
    countRecords(bytes, len, n);
    return n;
}

size_t countRecords(const uint8_t* bytes, size_t len, RecordCounts& n) {
    size_t i = 0;
    while (i < len) {
        const uint8_t b = bytes[i];
        const size_t size = rec::isFirst(b) || rec::isLineState(b) ? 2
                            : b == rec::kStamp || b == rec::kIdle  ? 4
                                                                   : 1;
        if (i + size > len) {
            break;
        }
        if (rec::isFirst(b)) {
            ++(rec::isSd(b) ? n.sd : n.rd);
            // A byte with both errors is a framing error, as in the display words.
            const bool framing = rec::hasFramingError(bytes[i + 1]);
            n.framingErrors += framing ? 1 : 0;
            n.parityErrors += !framing && rec::hasParityError(b) ? 1 : 0;
        } else if (rec::isLineState(b)) {
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

const char* lineTypeName(const LogHeader& h) {
    return clampHeader(h).gintLineType == 1 ? "RS422/485" : "RS232C";
}

int dataBits(const LogHeader& h) {
    return h.gintDataLen == 0 ? 7 : 8;
}

const char* parityName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"none", "odd", "even"};
    return kNames[clampHeader(h).gintParity];
}

const char* stopBitsName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"1", "1.5", "2"};
    return kNames[clampHeader(h).gintStopBit];
}

const char* dispModeName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"ascii", "hex", "shift-jis"};
    return kNames[clampHeader(h).gintDispMode];
}

const char* idleScaleName(const LogHeader& h) {
    switch (clampHeader(h).gintIdleMode) {
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

const char* fontSizeName(const LogHeader& h) {
    static constexpr const char* kNames[] = {"large", "medium", "small"};
    return kNames[clampHeader(h).gintFontSize];
}
