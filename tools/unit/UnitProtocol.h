#pragma once
#include <string>
#include <string_view>
#include <utility>

#include "LineSettings.h"

// The unit's command set: every CR-ended command gets exactly one CR-ended reply.
//   L?            "L" + the three-character version
//   S00dd         line type, dd = 00 (RS-232C) or 01 (RS-422/485)
//   S01hh         speed code 00..0E
//   S02hh         character format byte
//   S03hh         fixed setting (accepted, no effect)
//   G01           start monitoring ("NG" while refusals are configured)
//   G00           stop monitoring
// Settings are answered "OK", or "NG" when their value is invalid (nothing changes);
// unknown commands are answered "NG". Settings made while monitoring apply to the next
// start.
class UnitProtocol {
  public:
    struct Config {
        std::string version = "123";
        int refuseStarts = 0;  // the first this many G01 are refused
    };
    enum class Action { None, Start, Stop };
    struct Answer {
        std::string reply;
        Action action = Action::None;
    };

    explicit UnitProtocol(Config config) : config_(std::move(config)) {}

    // The answer to one command (without its CR).
    Answer handle(std::string_view command);

    [[nodiscard]] const LineSettings& line() const { return line_; }
    [[nodiscard]] bool running() const { return running_; }

  private:
    Answer setting(std::string_view command);
    Answer start();

    Config config_;
    LineSettings line_;
    bool running_ = false;
};
