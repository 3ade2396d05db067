#include "link/CommParam.h"

#include <cstdio>

namespace {

constexpr int32_t kFallbackSpeed = 9600;

std::string twoHex(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFU);
    return text;
}

}  // namespace

std::optional<int> speedCode(int32_t speed) {
    for (size_t code = 0; code < kUnitSpeeds.size(); ++code) {
        if (kUnitSpeeds[code] == speed) {
            return static_cast<int>(code);
        }
    }
    return std::nullopt;
}

uint8_t formatByte(const Settings& settings) {
    uint8_t format = 0;
    if (settings.gintDataLen != 0) {
        format |= 0x10;
    }
    if (settings.gintStopBit == 2) {
        format |= 0x08;
    } else if (settings.gintStopBit == 1) {
        format |= 0x04;
    }
    if (settings.gintParity == 2) {
        format |= 0x02;
    } else if (settings.gintParity == 1) {
        format |= 0x01;
    }
    return format;
}

int32_t knownSpeed(int32_t speed) {
    return speedCode(speed) ? speed : kFallbackSpeed;
}

std::array<std::string, 4> commParamCommands(const Settings& settings) {
    const std::optional<int> code = speedCode(knownSpeed(settings.glngSpeed));
    // The unit knows two line types; a stored value other than RS-422/485 is RS-232C.
    const std::string lineType = settings.gintLineType == 1 ? "01" : "00";
    return {"S00" + lineType, "S01" + twoHex(static_cast<unsigned>(*code)),
            "S02" + twoHex(formatByte(settings)), "S0331"};
}

std::string commParamText(const Settings& settings) {
    std::string text = std::to_string(settings.glngSpeed);
    text += settings.gintParity == 1 ? ",O" : settings.gintParity == 2 ? ",E" : ",N";
    text += settings.gintDataLen == 0 ? ",7" : ",8";
    text += settings.gintStopBit == 1 ? ",1.5" : settings.gintStopBit == 2 ? ",2" : ",1";
    return text;
}
