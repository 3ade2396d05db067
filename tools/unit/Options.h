#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "LineSettings.h"

// The command line of vexlo-unit.
struct Options {
    std::string link;
    std::string control;  // the control channel's socket; link + ".ctl" unless given
    std::string version = "123";
    std::string scenario = "chat";
    std::string tapSd;  // both empty: no tap; else the two sides of the tap
    std::string tapRd;
    uint64_t seed = 1;
    std::string record;  // empty: no record file
    int refuseStart = 0;
    bool mute = false;
    int replyDelayMs = 0;  // commands are carried out and answered this much after arrival
    bool trace = false;    // prints every command and its reply on standard output
    double rateFactor = 1.0;
    double duration = 0.0;  // seconds of line time the line carries traffic; 0: no end
    // How the scenario's line is really built; none: as the settings sent to the unit.
    std::optional<LineSettings> line;
    bool help = false;

    [[nodiscard]] bool tapping() const { return !tapSd.empty(); }

    // The options of args (without the program name); nothing, and error set, on a bad
    // command line. With --help the other options are not checked.
    static std::optional<Options> parse(const std::vector<std::string>& args, std::string& error);
    static std::string usage();
};
