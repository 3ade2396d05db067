#include "Options.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "Scenario.h"

namespace {

constexpr double kMaxRateFactor = 1000.0;
constexpr long kMaxRefusals = 1000000;
constexpr double kMaxDuration = 1e6;
constexpr unsigned long long kMaxReplyDelayMs = 60'000;

// A number in (0, max], or nothing.
std::optional<double> parsePositive(const std::string& text, double max) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0.0 || value > max) {
        return std::nullopt;
    }
    return value;
}

constexpr size_t kDescriptionColumn = 11;
constexpr size_t kWidth = 79;

// Appends first followed by the words of rest, wrapped at kWidth with a hanging indent.
void appendWrapped(std::string& text, std::string first, std::string_view rest) {
    std::string line = std::move(first);
    size_t at = 0;
    while (at < rest.size()) {
        const size_t space = rest.find(' ', at);
        const size_t end = space == std::string_view::npos ? rest.size() : space;
        const std::string_view word = rest.substr(at, end - at);
        if (line.size() > kDescriptionColumn && line.size() + 1 + word.size() > kWidth) {
            text += line + "\n";
            line.assign(kDescriptionColumn, ' ');
        } else if (line.size() > kDescriptionColumn) {
            line += ' ';
        }
        line += word;
        at = end + 1;
    }
    text += line + "\n";
}

bool parseUnsigned(const std::string& text, unsigned long long max, unsigned long long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value <= max;
}

bool validVersion(const std::string& text) {
    if (text.size() != 3) {
        return false;
    }
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<Options> Options::parse(const std::vector<std::string>& args, std::string& error) {
    Options options;
    bool scenarioGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            return options;
        }
        if (name == "--mute" || name == "--trace") {
            if (hasValue) {
                error = name + " takes no value";
                return std::nullopt;
            }
            (name == "--mute" ? options.mute : options.trace) = true;
            continue;
        }
        const bool known = name == "--link" || name == "--control" || name == "--version" ||
                           name == "--scenario" || name == "--seed" || name == "--record" ||
                           name == "--refuse-start" || name == "--rate-factor" ||
                           name == "--duration" || name == "--reply-delay" || name == "--tap-sd" ||
                           name == "--tap-rd" || name == "--line";
        if (!known) {
            error = (name.rfind('-', 0) == 0 ? "unknown option '" : "unexpected argument '") +
                    name + "'";
            return std::nullopt;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        unsigned long long number = 0;
        if (name == "--link") {
            if (value.empty()) {
                error = "--link needs a path";
                return std::nullopt;
            }
            options.link = value;
        } else if (name == "--control") {
            if (value.empty()) {
                error = "--control needs a path";
                return std::nullopt;
            }
            options.control = value;
        } else if (name == "--version") {
            if (!validVersion(value)) {
                error = "--version must be exactly three printable ASCII characters";
                return std::nullopt;
            }
            options.version = value;
        } else if (name == "--scenario") {
            if (!Scenario::exists(value)) {
                error = "unknown scenario '" + value + "'";
                return std::nullopt;
            }
            options.scenario = value;
            scenarioGiven = true;
        } else if (name == "--tap-sd" || name == "--tap-rd") {
            if (value.empty()) {
                error = name + " needs a path";
                return std::nullopt;
            }
            (name == "--tap-sd" ? options.tapSd : options.tapRd) = value;
        } else if (name == "--line") {
            std::string reason;
            options.line = LineSettings::parse(value, reason);
            if (!options.line) {
                error = "bad --line '" + value + "': " + reason;
                return std::nullopt;
            }
        } else if (name == "--seed") {
            if (!parseUnsigned(value, UINT64_MAX, number)) {
                error = "--seed must be a non-negative integer";
                return std::nullopt;
            }
            options.seed = number;
        } else if (name == "--record") {
            if (value.empty()) {
                error = "--record needs a file name";
                return std::nullopt;
            }
            options.record = value;
        } else if (name == "--refuse-start") {
            if (!parseUnsigned(value, kMaxRefusals, number)) {
                error = "--refuse-start must be an integer from 0 to 1000000";
                return std::nullopt;
            }
            options.refuseStart = static_cast<int>(number);
        } else if (name == "--reply-delay") {
            if (!parseUnsigned(value, kMaxReplyDelayMs, number)) {
                error = "--reply-delay must be a number of milliseconds from 0 to 60000";
                return std::nullopt;
            }
            options.replyDelayMs = static_cast<int>(number);
        } else if (name == "--duration") {
            const auto seconds = parsePositive(value, kMaxDuration);
            if (!seconds) {
                error = "--duration must be a number of seconds greater than 0 and at most 1000000";
                return std::nullopt;
            }
            options.duration = *seconds;
        } else {
            const auto factor = parsePositive(value, kMaxRateFactor);
            if (!factor) {
                error = "--rate-factor must be a number greater than 0 and at most 1000";
                return std::nullopt;
            }
            options.rateFactor = *factor;
        }
    }
    if (options.link.empty()) {
        error = "--link PATH is required";
        return std::nullopt;
    }
    if (options.control.empty()) {
        options.control = options.link + ".ctl";
    }
    if (options.tapSd.empty() != options.tapRd.empty()) {
        error = "--tap-sd and --tap-rd go together";
        return std::nullopt;
    }
    if (options.tapping()) {
        if (scenarioGiven) {
            error = "--scenario and --tap-sd/--tap-rd exclude each other";
            return std::nullopt;
        }
        if (options.line) {
            error = "--line and --tap-sd/--tap-rd exclude each other: a tap's line is real";
            return std::nullopt;
        }
        if (options.tapSd == options.tapRd || options.tapSd == options.link ||
            options.tapRd == options.link) {
            error = "--link, --tap-sd and --tap-rd need three different paths";
            return std::nullopt;
        }
        options.scenario = Scenario::kNone;
    }
    return options;
}

std::string Options::usage() {
    std::string text =
        "Usage: vexlo-unit --link PATH [options]\n"
        "       vexlo-unit --link PATH --tap-sd A --tap-rd B [options]\n"
        "\n"
        "A virtual main unit on a pseudo-terminal. PATH becomes a link to the terminal's\n"
        "device; open it as the unit's serial port. The missing folders of PATH are made.\n"
        "Prints 'ready PATH' once it accepts commands (followed by '(made the missing\n"
        "folder DIR)' when it made any) and serves until SIGINT or SIGTERM, then removes\n"
        "the link.\n"
        "\n"
        "As a tap, the unit monitors a real line between two programs, or between a\n"
        "program and a serial device, instead of a scenario: what is written on side A\n"
        "goes to side B and is monitored as SD, what comes from B goes to A as RD. A and\n"
        "B are each an existing serial device, which is opened and set to the line\n"
        "settings sent to the unit, or a new path, where the unit links a pseudo-terminal\n"
        "for a program to open (removed at the end). A character from a pseudo-terminal\n"
        "arrives one character time at those settings after the previous one; a device\n"
        "also reports parity and framing errors and its CTS, DSR, DCD and RI lines (as\n"
        "CS, DR, CD, CI). Forwarding never waits for the monitor.\n"
        "\n"
        "Options:\n"
        "  --link PATH         where to make the link to the device (an existing link is\n"
        "                      replaced; any other file there is an error)\n"
        "  --control PATH      where to make the control channel's socket (default: the\n"
        "                      link's path + .ctl; see Control channel below)\n"
        "  --tap-sd A          side A of a tap (with --tap-rd; not with --scenario)\n"
        "  --tap-rd B          side B of a tap\n"
        "  --version NNN       the three characters answered to L? (default 123)\n"
        "  --scenario NAME     what the monitored line carries (default chat)\n"
        "  --seed N            seed of the scenario (default 1); the same seed and line\n"
        "                      settings give the same stream at every start\n"
        "  --line S,B,P,T      how the scenario's line is really built: speed, data\n"
        "                      bits (7 or 8), parity (N, E or O), stop bits (1, 1.5 or\n"
        "                      2), for example 19200,8,E,1 (default: as the settings\n"
        "                      sent; not with a tap). The unit then reports what a\n"
        "                      receiver at the settings sent decodes from that line,\n"
        "                      bit by bit: wrong settings give other characters,\n"
        "                      parity and framing errors, breaks (NUL with a framing\n"
        "                      error), fewer or more characters than were sent; what\n"
        "                      the control channel sends goes on the same line\n"
        "  --record FILE       append every capture byte sent to FILE (flushed at least\n"
        "                      every 100 ms, so the file can be followed during a stream)\n"
        "  --refuse-start K    answer NG to the first K start commands\n"
        "  --mute              answer nothing at all\n"
        "  --reply-delay MS    carry out and answer every command MS milliseconds after it\n"
        "                      arrived, as a slow unit does (default 0)\n"
        "  --trace             print every command and its reply on standard output, one\n"
        "                      line each: the command, a space, the reply\n"
        "  --rate-factor F     run the monitored line F times faster than real time\n"
        "                      (default 1, at most 1000)\n"
        "  --duration S        the monitored line carries traffic for S seconds of line\n"
        "                      time after each start, then stays quiet (default: no end)\n"
        "  -h, --help          this text\n"
        "\n"
        "Commands (each ended by CR, each answered by one line ended by CR):\n"
        "  L?      L and the version, for example L123\n"
        "  S00dd   line type: 00 RS-232C, 01 RS-422/485\n"
        "  S01hh   speed code 00..0E (150, 300, 600, 1200, 2400, 4800, 9600, 14400,\n"
        "          19200, 28800, 38400, 56000, 57600, 76800, 115200 bit/s)\n"
        "  S02hh   character format, the sum of 10 (8 data bits, else 7), 08 (2 stop\n"
        "          bits), 04 (1.5 stop bits), 02 (even parity), 01 (odd parity)\n"
        "  S03hh   fixed setting, no effect\n"
        "  G01     start monitoring: OK, then the capture stream (NG while refusing)\n"
        "  G00     stop the stream, then OK\n"
        "  Settings are answered OK, or NG for a bad value; unknown commands NG.\n"
        "  Power-on settings: RS-232C, 9600 bit/s, 8 data bits, no parity, 1 stop bit.\n"
        "\n"
        "Scenarios (paced by the line settings sent before G01, or by --line):\n";
    for (const Scenario::Info& info : Scenario::all()) {
        std::string line = "  " + std::string(info.name);
        line.resize(kDescriptionColumn, ' ');
        appendWrapped(text, line, info.description);
    }
    text +=
        "  none     nothing but what the control channel sends\n"
        "\n"
        "Control channel: a local (Unix domain) stream socket. Each line (ended by LF) is\n"
        "answered by one line, OK or NG and a reason. Characters and line changes are put\n"
        "on the monitored line from the moment they arrive, at the line's pace.\n"
        "  SEND SD|RD [PE] [FE] HEX   characters, two hexadecimal digits each (1..1024),\n"
        "                             with parity / framing errors; NG unless monitoring\n"
        "                             and while 64K characters still wait for the line\n"
        "  LINES [RS] [CS] [ER] [DR] [CD] [CI]   the control lines that are on\n"
        "  SCENARIO NAME              switch the scenario (at once while monitoring)\n"
        "  STATUS                     OK monitoring|stopped SCENARIO LINES (SCENARIO is\n"
        "                             'tap' for a tap, which takes no SCENARIO)\n"
        "  SCENARIOS                  OK and the scenario names\n";
    return text;
}
