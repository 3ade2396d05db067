#pragma once
#include <poll.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "StreamEvent.h"
#include "TapLine.h"
#include "TapSide.h"

// The unit as a tap on a line between two programs, or between a program and a serial
// device: what the program on side SD writes goes on to side RD and is observed as SD,
// what comes from side RD goes on to side SD and is observed as RD. A character is
// observed when it arrives at the other side; forwarding never waits for whoever takes
// the observations. A real device also reports the errors of what it receives and the
// changes of its modem input lines.
class Tap {
  public:
    // How often the modem input lines of a device are read.
    static constexpr int64_t kModemPollNs = 10'000'000;
    // Characters written by a program that have not yet arrived at the other side, at most:
    // as with the transmit buffer of a serial port, the program's writes then wait, since
    // the tap reads no more from it until the line has carried some.
    static constexpr size_t kMaxOnTheWay = 4096;

    using Observer = std::function<void(const StreamEvent&)>;

    // Throws as TapSide does.
    Tap(const std::string& sdPath, const std::string& rdPath);

    // The line settings: a device side is set to them, and a line whose sender is a
    // pseudo-terminal takes their character time (rateFactor times faster). Settings as
    // before change nothing. Errors go to standard error; the tap goes on with what the
    // side took.
    void apply(const LineSettings& line, double rateFactor);

    // Appends the descriptors to wait on, side SD first.
    void addPollFds(std::vector<pollfd>& fds) const;
    // Serves what poll reported on the descriptors addPollFds added (none: nothing was
    // reported), passes on the characters whose time has come, and reads the modem lines
    // when due. observe gets each character passed on, with its direction and errors, and
    // each change of the control lines.
    void serve(std::span<const pollfd> fds, int64_t nowNs, const Observer& observe);
    // The device side's input, as its driver gives it, as if read from side sd (or rd)
    // at nowNs: the seam of the tests.
    void take(bool sd, std::span<const uint8_t> bytes,
              std::optional<ParmrkReader::ErrorCounts> grown, int64_t nowNs);
    // The modem input bits (TIOCMGET) of side SD and side RD, nothing for a side without
    // them, as read at the last poll: the seam of the tests. A change is observed.
    void modemBits(std::optional<int> sdBits, std::optional<int> rdBits, const Observer& observe);
    // When serve must run next at the latest; nothing when no time matters.
    [[nodiscard]] std::optional<int64_t> nextDueNs() const;
    // The control lines that the modem inputs of the device sides stand for (a line is on
    // when it is on at either); nothing without any.
    [[nodiscard]] std::optional<uint8_t> lines() const { return lines_; }

  private:
    // One direction: characters from one side on their way to the other.
    struct Direction {
        TapSide& from;
        TapSide& to;
        bool sd;
        TapLine line;
        bool warnedDrops = false;
    };
    void received(Direction& d, int64_t nowNs);
    void deliver(Direction& d, int64_t nowNs, const Observer& observe);

    TapSide sd_;
    TapSide rd_;
    std::array<Direction, 2> directions_;
    LineSettings line_;
    bool applied_ = false;          // line_ has been applied
    std::optional<uint8_t> lines_;  // nothing until read, or without modem lines
    int64_t nextModemNs_ = 0;
    bool modem_ = false;            // some side has modem lines to read
    std::vector<TapChar> scratch_;  // kept to avoid an allocation per batch
};
