#include "LineOptions.h"

#include <filesystem>
#include <vector>

#include "Cli.h"
#include "files/ParamIni.h"
#include "files/ProgramFolder.h"
#include "link/CommParam.h"

bool IsLineOption(const std::string& option) {
    for (const char* o : {"--home", "--port", "--speed", "--data-bits", "--parity", "--stop-bits",
                          "--line", "--idle"}) {
        if (option == o) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> TakeLineOption(const std::string& option, const std::string& value,
                                          LineChoices& c) {
    const std::string bad = "bad " + option + " " + value;
    if (option == "--home") {
        c.home = value;
    } else if (option == "--port") {
        if (!(c.port = ParseInt(value, 1, 99))) {
            return bad + " (1 .. 99)";
        }
    } else if (option == "--speed") {
        const std::optional<int> s = ParseInt(value, 1, 1'000'000);
        if (!s || !speedCode(*s)) {
            return bad + " (a speed the unit knows, 150 .. 115200)";
        }
        c.speed = *s;
    } else if (option == "--data-bits") {
        if (!(c.dataLen = PickOne(value, {"7", "8"}))) {
            return bad + " (7 or 8)";
        }
    } else if (option == "--parity") {
        if (!(c.parity = PickOne(value, {"none", "odd", "even"}))) {
            return bad + " (none, odd or even)";
        }
    } else if (option == "--stop-bits") {
        if (!(c.stopBit = PickOne(value, {"1", "1.5", "2"}))) {
            return bad + " (1, 1.5 or 2)";
        }
    } else if (option == "--line") {
        if (!(c.lineType = PickOne(value, {"rs232c", "rs422"}))) {
            return bad + " (rs232c or rs422)";
        }
    } else if (option == "--idle") {
        const std::optional<int16_t> i = PickOne(value, {"off", "1s", "100ms", "10ms"});
        if (!i) {
            return bad + " (off, 1s, 100ms or 10ms)";
        }
        const int16_t modes[] = {0, 1, 10, 100};
        c.idleMode = modes[*i];
    }
    return std::nullopt;
}

RunSettings LoadRunSettings(const LineChoices& c, const std::string& exeFolder) {
    std::vector<std::string> homeArgs;
    if (c.home) {
        homeArgs = {"--home", *c.home};
    }
    RunSettings run{locateProgramFolder(exeFolder, homeArgs), {}};
    Settings& s = run.settings;
    ReadParamIni(s, run.programFolder, false);
    if (c.port) {
        s.gintPortAuto = 0;
        s.gintPortNo = static_cast<int16_t>(*c.port);
    }
    s.glngSpeed = c.speed.value_or(s.glngSpeed);
    s.gintLineType = c.lineType.value_or(s.gintLineType);
    s.gintDataLen = c.dataLen.value_or(s.gintDataLen);
    s.gintParity = c.parity.value_or(s.gintParity);
    s.gintStopBit = c.stopBit.value_or(s.gintStopBit);
    s.gintIdleMode = c.idleMode.value_or(s.gintIdleMode);
    return run;
}

std::string ExeFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : utf8Path(self.parent_path());
}
