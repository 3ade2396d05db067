#pragma once
#include <functional>
#include <memory>
#include <string>

#include "link/LinkSeams.h"
#include "link/SerialPort.h"

class CommLink;

// The platform side of one link: its serial port, its two timers, the wait for the unit and
// the trigger clock. The program makes them on Qt; tests make them on virtual time.
class LinkParts {
  public:
    virtual ~LinkParts() = default;
    [[nodiscard]] virtual SerialPort& port() = 0;
    [[nodiscard]] virtual LinkTimers& timers() = 0;
    [[nodiscard]] virtual EventWait& wait() = 0;
    // Sends the port's events and the timers' expiries to link, and starts the trigger clock,
    // which calls trigTick every LinkTimers::kTrigMs until the parts are destroyed. Called
    // once, before the port is opened.
    virtual void attach(CommLink& link, std::function<void()> trigTick) = 0;
    // Ends every wait for the unit now and in the future; for a program that is closing.
    virtual void setClosing() = 0;
};

// Makes the parts of the link; the port numbers name the ports of programFolder (see
// PortNames).
class PortFactory {
  public:
    virtual ~PortFactory() = default;
    [[nodiscard]] virtual std::unique_ptr<LinkParts> make(const std::string& programFolder) = 0;
};
