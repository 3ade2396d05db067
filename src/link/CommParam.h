#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/Settings.h"

// The line settings of the monitored line as the unit's setting commands and as the text of
// the status bar.

// The communication parameter dialog lists the first of them, up to 57600, fastest first.
inline constexpr int kDialogSpeedCount = 13;

// The speed code of the "S01" command (0x00 for 150 .. 0x0E for 115200), or nothing for a
// speed the unit does not know.
[[nodiscard]] std::optional<int> speedCode(int32_t speed);

// The format byte of the "S02" command from gintDataLen, gintStopBit and gintParity.
[[nodiscard]] uint8_t formatByte(const Settings& settings);

// speed when the unit knows it, else 9600, the speed such a setting is sent and kept as.
[[nodiscard]] int32_t knownSpeed(int32_t speed);

// The four setting commands in sending order: "S00" line type, "S01" speed, "S02" format,
// "S0331". A speed the unit does not know is sent as knownSpeed gives it.
[[nodiscard]] std::array<std::string, 4> commParamCommands(const Settings& settings);

// The status-bar text of the settings: speed, parity N/O/E, data bits, stop bits,
// for example "9600,N,8,1" or "19200,E,7,1.5".
[[nodiscard]] std::string commParamText(const Settings& settings);
