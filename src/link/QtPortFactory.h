#pragma once
#include "link/PortFactory.h"

// The program's link parts: the serial port on the ports of the program folder (UnixSerialPort,
// on Windows QtSerialPort), QTimers, and a wait on the Qt event loop.
class QtPortFactory final : public PortFactory {
  public:
    [[nodiscard]] std::unique_ptr<LinkParts> make(const std::string& programFolder) override;
};
