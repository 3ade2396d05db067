#include "ControlCommand.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "Scenario.h"
#include "base/HexDigits.h"

namespace {

constexpr std::array<std::pair<std::string_view, uint8_t>, 6> kLineNames = {{
    {"RS", Lines::RS},
    {"CS", Lines::CS},
    {"ER", Lines::ER},
    {"DR", Lines::DR},
    {"CD", Lines::CD},
    {"CI", Lines::CI},
}};

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> result;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        const size_t end = std::min(line.find_first_of(" \t", start), line.size());
        result.emplace_back(line.substr(start, end - start));
        at = end;
    }
    return result;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::optional<std::string> fromHex(std::string_view hex) {
    if (hex.empty() || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int b = hexPair(hex[i], hex[i + 1]);
        if (b < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(b);
    }
    return bytes;
}

std::optional<ControlCommand> parseSend(const std::vector<std::string>& w, std::string& error) {
    ControlCommand c;
    c.kind = ControlCommand::Kind::Send;
    const std::string direction = w.size() > 1 ? upper(w[1]) : "";
    if (direction != "SD" && direction != "RD") {
        error = "SEND needs SD or RD";
        return std::nullopt;
    }
    c.sd = direction == "SD";
    size_t i = 2;
    for (; i + 1 < w.size(); ++i) {
        const std::string flag = upper(w[i]);
        if (flag == "PE") {
            c.parityError = true;
        } else if (flag == "FE") {
            c.framingError = true;
        } else {
            error = "unknown flag '" + w[i] + "' (PE or FE)";
            return std::nullopt;
        }
    }
    const auto bytes = i < w.size() ? fromHex(w[i]) : std::nullopt;
    if (!bytes || bytes->size() > ControlCommand::kMaxSend) {
        error = "SEND needs 1 to 1024 characters as pairs of hexadecimal digits";
        return std::nullopt;
    }
    c.bytes = *bytes;
    return c;
}

std::optional<ControlCommand> parseLines(const std::vector<std::string>& w, std::string& error) {
    ControlCommand c;
    c.kind = ControlCommand::Kind::Lines;
    for (size_t i = 1; i < w.size(); ++i) {
        const std::string name = upper(w[i]);
        const auto* found = std::find_if(kLineNames.begin(), kLineNames.end(),
                                         [&](const auto& entry) { return entry.first == name; });
        if (found == kLineNames.end()) {
            error = "unknown control line '" + w[i] + "' (RS CS ER DR CD CI)";
            return std::nullopt;
        }
        c.lines = static_cast<uint8_t>(c.lines | found->second);
    }
    return c;
}

}  // namespace

std::optional<ControlCommand> ControlCommand::parse(std::string_view line, std::string& error) {
    const std::vector<std::string> w = words(line);
    const std::string command = w.empty() ? "" : upper(w[0]);
    if (command == "SEND") {
        return parseSend(w, error);
    }
    if (command == "LINES") {
        return parseLines(w, error);
    }
    ControlCommand c;
    if (command == "SCENARIO") {
        if (w.size() != 2 || !Scenario::exists(w[1])) {
            error = "SCENARIO needs one of the names SCENARIOS gives";
            return std::nullopt;
        }
        c.kind = Kind::Scenario;
        c.scenario = w[1];
        return c;
    }
    if ((command == "STATUS" || command == "SCENARIOS") && w.size() == 1) {
        c.kind = command == "STATUS" ? Kind::Status : Kind::Scenarios;
        return c;
    }
    error = command == "STATUS" || command == "SCENARIOS" ? command + " takes nothing more"
                                                          : "unknown command";
    return std::nullopt;
}

std::vector<StreamEvent> ControlCommand::events(const LineSettings& line) const {
    std::vector<StreamEvent> result;
    uint64_t tick = 0;
    for (const char c : bytes) {
        tick += line.characterTicks();
        StreamEvent e = StreamEvent::data(tick, sd, line.mask(static_cast<uint8_t>(c)));
        e.parityError = parityError;
        e.framingError = framingError;
        result.push_back(e);
    }
    return result;
}

std::string lineNames(uint8_t lines) {
    std::string text;
    for (const auto& [name, bit] : kLineNames) {
        if ((lines & bit) != 0) {
            text += (text.empty() ? "" : ",") + std::string(name);
        }
    }
    return text.empty() ? "-" : text;
}
