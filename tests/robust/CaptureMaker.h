#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

// Captures as the program stores them, made from the virtual unit's own scenarios: the
// unit's traffic for a seed goes through the real decoder in batches as a serial port hands
// them over (split anywhere, a pair across two batches included), with the idle records
// (10 ms steps) and time stamps that the monitor window's timers ask for in the pauses.
// The line is 9600 bit/s, 8 data bits, even parity, so the errors scenario has both kinds
// of error.
struct CaptureRecipe {
    std::vector<std::string_view> scenarios;  // run one after the other
    uint64_t seed = 1;
    size_t eventsEach = 500;  // line events taken from each scenario
};

[[nodiscard]] std::vector<uint8_t> MakeCapture(const CaptureRecipe& recipe);
