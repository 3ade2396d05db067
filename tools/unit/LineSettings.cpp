#include "LineSettings.h"

#include <algorithm>
#include <array>
#include <vector>

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

std::optional<LineSettings> LineSettings::parse(std::string_view text, std::string& error) {
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t comma = text.find(',', at);
        fields.push_back(text.substr(at, comma == std::string_view::npos ? comma : comma - at));
        if (comma == std::string_view::npos) {
            break;
        }
        at = comma + 1;
    }
    if (fields.size() != 4) {
        error = "four fields SPEED,BITS,PARITY,STOP are needed, for example 19200,8,E,1";
        return std::nullopt;
    }
    LineSettings line;
    const auto speed = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                                    [&](uint32_t s) { return fields[0] == std::to_string(s); });
    if (speed == kSpeeds.end()) {
        error = "speed '" + std::string(fields[0]) + "' is none of the unit's speeds (150, 300, " +
                "600, 1200, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 56000, 57600, 76800, " +
                "115200)";
        return std::nullopt;
    }
    line.speed = *speed;
    if (fields[1] != "7" && fields[1] != "8") {
        error = "data bits '" + std::string(fields[1]) + "' are neither 7 nor 8";
        return std::nullopt;
    }
    line.dataBits = fields[1] == "7" ? 7 : 8;
    if (fields[2] == "N" || fields[2] == "n") {
        line.parity = Parity::None;
    } else if (fields[2] == "E" || fields[2] == "e") {
        line.parity = Parity::Even;
    } else if (fields[2] == "O" || fields[2] == "o") {
        line.parity = Parity::Odd;
    } else {
        error = "parity '" + std::string(fields[2]) + "' is none of N, E and O";
        return std::nullopt;
    }
    if (fields[3] == "1" || fields[3] == "1.5" || fields[3] == "2") {
        line.stopHalves = fields[3] == "1" ? 2 : fields[3] == "2" ? 4 : 3;
    } else {
        error = "stop bits '" + std::string(fields[3]) + "' are none of 1, 1.5 and 2";
        return std::nullopt;
    }
    return line;
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
