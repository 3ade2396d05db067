#include "DeviceInput.h"

#include <sys/ioctl.h>

#include "StreamEvent.h"

namespace {

constexpr uint8_t kMark = 0xFF;

TapChar marked(uint8_t value, bool lineHasParity,
               const std::optional<ParmrkReader::ErrorCounts>& grown) {
    if (!lineHasParity) {
        return {value, false, true};
    }
    if (grown && (grown->parity > 0 || grown->framing > 0)) {
        return {value, grown->parity > 0, grown->framing > 0};
    }
    return {value, true, false};
}

}  // namespace

void ParmrkReader::feed(std::span<const uint8_t> bytes, bool lineHasParity,
                        std::optional<ErrorCounts> grown, std::vector<TapChar>& out) {
    for (const uint8_t b : bytes) {
        switch (state_) {
            case State::Plain:
                if (b == kMark) {
                    state_ = State::Mark;
                } else {
                    out.push_back({b});
                }
                break;
            case State::Mark:
                if (b == 0) {
                    state_ = State::MarkZero;
                    break;
                }
                // FF FF is a good FF; the driver sends nothing else after a mark, but should
                // it, the FF stays a character and b is read afresh.
                out.push_back({kMark});
                state_ = State::Plain;
                if (b != kMark) {
                    feed({&b, 1}, lineHasParity, grown, out);
                }
                break;
            case State::MarkZero:
                out.push_back(marked(b, lineHasParity, grown));
                state_ = State::Plain;
                break;
        }
    }
}

uint8_t linesOfModemBits(int modemBits) {
    uint8_t lines = 0;
    lines |= (modemBits & TIOCM_CTS) != 0 ? Lines::CS : 0;
    lines |= (modemBits & TIOCM_DSR) != 0 ? Lines::DR : 0;
    lines |= (modemBits & TIOCM_CAR) != 0 ? Lines::CD : 0;
    lines |= (modemBits & TIOCM_RNG) != 0 ? Lines::CI : 0;
    return lines;
}
