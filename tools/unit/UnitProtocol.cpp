#include "UnitProtocol.h"

#include <optional>

#include "base/HexDigits.h"

namespace {

const std::string kOk = "OK\r";
const std::string kRefused = "NG\r";

// The two hexadecimal digits at the end of a five-character setting command.
std::optional<int> hexValue(std::string_view command) {
    const int value = hexPair(command[3], command[4]);
    return value < 0 ? std::nullopt : std::optional<int>(value);
}

}  // namespace

UnitProtocol::Answer UnitProtocol::handle(std::string_view command) {
    if (command == "L?") {
        return {"L" + config_.version + "\r"};
    }
    if (command == "G01") {
        return start();
    }
    if (command == "G00") {
        const bool was = running_;
        running_ = false;
        return {kOk, was ? Action::Stop : Action::None};
    }
    if (command.size() == 5 && command[0] == 'S' && command[1] == '0') {
        return setting(command);
    }
    return {kRefused};
}

UnitProtocol::Answer UnitProtocol::setting(std::string_view command) {
    const std::optional<int> value = hexValue(command);
    if (!value) {
        return {kRefused};
    }
    switch (command[2]) {
        case '0':
            // The line type is written in decimal: 00 or 01.
            if (*value > 1) {
                return {kRefused};
            }
            line_.lineType = *value;
            return {kOk};
        case '1':
            if (const auto speed = LineSettings::speedOfCode(*value)) {
                line_.speed = *speed;
                return {kOk};
            }
            return {kRefused};
        case '2':
            return {line_.applyFormat(*value) ? kOk : kRefused};
        case '3':
            return {kOk};
        default:
            return {kRefused};
    }
}

UnitProtocol::Answer UnitProtocol::start() {
    if (config_.refuseStarts > 0) {
        --config_.refuseStarts;
        return {kRefused};
    }
    if (running_) {
        return {kOk};
    }
    running_ = true;
    return {kOk, Action::Start};
}
