#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/Settings.h"

// The options of a headless run that vexlo-cli capture and vexlo-extcap share: the program
// folder and the line settings, each winning over VXParam.ini of the program folder.
struct LineChoices {
    std::optional<std::string> home;
    std::optional<int> port;
    std::optional<int32_t> speed;
    std::optional<int16_t> lineType, dataLen, parity, stopBit, idleMode;
};

// The options LineChoices takes, each with a value: --home, --port, --speed, --data-bits,
// --parity, --stop-bits, --line, --idle.
[[nodiscard]] bool IsLineOption(const std::string& option);

// Takes the value of one of them; the reason when it is not a value the option takes
// ("bad --speed 7 (a speed the unit knows, 150 .. 115200)").
[[nodiscard]] std::optional<std::string> TakeLineOption(const std::string& option,
                                                        const std::string& value, LineChoices& c);

// The program folder of the run (--home, VEXLO_HOME, the executable's folder, the per-user
// folder) and its settings file with the choices over it; the file is not rewritten.
struct RunSettings {
    std::string programFolder;
    Settings settings;
};
[[nodiscard]] RunSettings LoadRunSettings(const LineChoices& c, const std::string& exeFolder);

// The folder of the running executable (links followed).
[[nodiscard]] std::string ExeFolder();
