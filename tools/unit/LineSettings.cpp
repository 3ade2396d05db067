#include "LineSettings.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 15> kSpeeds = {
    150, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 56000, 57600, 76800, 115200};

}  // namespace

std::optional<uint32_t> LineSettings::speedOfCode(int code) {
    if (code < 0 || code >= static_cast<int>(kSpeeds.size())) {
        return std::nullopt;
    }
    return kSpeeds[static_cast<size_t>(code)];
}

bool LineSettings::applyFormat(int format) {
    if ((format & ~0x1F) != 0 || (format & 0x0C) == 0x0C || (format & 0x03) == 0x03) {
        return false;
    }
    dataBits = (format & 0x10) != 0 ? 8 : 7;
    stopHalves = (format & 0x08) != 0 ? 4 : (format & 0x04) != 0 ? 3 : 2;
    parity = (format & 0x02) != 0   ? Parity::Even
             : (format & 0x01) != 0 ? Parity::Odd
                                    : Parity::None;
    return true;
}

uint64_t LineSettings::characterTicks() const {
    const int bits = 1 + dataBits + (hasParity() ? 1 : 0);
    return static_cast<uint64_t>(2 * bits + stopHalves);
}

double LineSettings::characterSeconds() const {
    return static_cast<double>(characterTicks()) / static_cast<double>(ticksPerSecond());
}
