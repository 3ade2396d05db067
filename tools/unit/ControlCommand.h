#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LineSettings.h"
#include "StreamEvent.h"

// One line of the control channel, through which a companion program (EMUMAIN) drives the
// monitored line by hand. Words are separated by blanks; command words, directions, error
// flags and line names are read without regard to letter case.
//   SEND SD|RD [PE] [FE] HEX   characters on one direction, two hexadecimal digits each
//                              (1 to kMaxSend characters), with a parity and/or framing
//                              error on every one of them when PE / FE are given
//   LINES [RS] [CS] [ER] [DR] [CD] [CI]
//                              the control lines that are on; every other one is off
//   SCENARIO NAME              what the line carries besides (a scenario, or none)
//   STATUS                     the unit's state
//   SCENARIOS                  the scenario names
struct ControlCommand {
    enum class Kind { Send, Lines, Scenario, Status, Scenarios };
    static constexpr size_t kMaxSend = 1024;

    Kind kind = Kind::Status;
    bool sd = false;
    bool parityError = false;
    bool framingError = false;
    std::string bytes;     // SEND
    uint8_t lines = 0;     // LINES: Lines:: bits
    std::string scenario;  // SCENARIO

    // The command of one line (without its line end); nothing, and error set, for a line
    // that is not one.
    static std::optional<ControlCommand> parse(std::string_view line, std::string& error);

    // The events of a SEND on line: its characters back to back, the first ending one
    // character time after tick 0. A 7-bit line loses the top bit of each.
    [[nodiscard]] std::vector<StreamEvent> events(const LineSettings& line) const;
};

// Control-line bits as names joined by commas ("RS,ER"), or "-" when none is on.
std::string lineNames(uint8_t lines);
