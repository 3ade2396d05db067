#include "StreamEvent.h"

uint8_t pairFirstByte(const StreamEvent& e) {
    return static_cast<uint8_t>(0x80 | (e.sd ? 0x20 : 0) | (e.parityError ? 0x10 : 0) |
                                (e.value >> 4));
}

uint8_t pairSecondByte(const StreamEvent& e) {
    return static_cast<uint8_t>(0xC0 | (e.framingError ? 0x10 : 0) | (e.value & 0x0F));
}
