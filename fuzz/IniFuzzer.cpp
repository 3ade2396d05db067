// VXParam.ini and VXTrig.ini of any content, read as at start-up (both files hold the same
// bytes, so one input reaches the sections of either).
// Beyond not crashing:
// - a read writes back what was missing, after which the file is complete: a second read
//   changes nothing in the file and gives the same settings;
// - a trigger's string length is always one its code array can hold.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "files/ParamIni.h"
#include "trigger/TrigIni.h"

namespace {

namespace fs = std::filesystem;

// Every setting the file holds.
auto Fields(const Settings& s) {
    return std::tie(s.gintDispMode, s.gintIdleMode, s.gintTimeStamp, s.gintScroll, s.gintFontSize,
                    s.gintLineState, s.gintResizeMode, s.gintTextSaveMode, s.gintTextSaveLen,
                    s.gintASCIISaveMode, s.gintLineType, s.glngSpeed, s.gintDataLen, s.gintStopBit,
                    s.gintParity, s.gintPortAuto, s.gintPortNo, s.glngBufSize, s.gstrSaveDir,
                    s.gintMaxFiles, s.gintFileDate, s.glngColSD, s.glngColRD, s.glngColIdle,
                    s.glngColTmst, s.glngColErr, s.gintWinState, s.glngWinHeight, s.glngWinWidth,
                    s.gintPrintOrient);
}

auto Fields(const Triggers& t) {
    return std::tie(t.gintTrigType, t.gintChrType, t.gstrChrLen, t.gbyteChrCode, t.gstrTime,
                    t.gintErrType, t.gintLineEdge, t.gintAction, t.gintMonitorStop, t.gintSaveStart,
                    t.gintSaveStop);
}

void CheckTriggers(const Triggers& t) {
    for (int n = 0; n < Triggers::kCount; ++n) {
        FUZZ_CHECK(t.chrCount(n) >= 0 && t.chrCount(n) <= Triggers::kCodes);
        FUZZ_CHECK(t.gstrChrLen[n] == std::to_string(t.chrCount(n)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path folder = FuzzFolder() / "program";
    static const std::string home = (fs::create_directories(folder), folder.string());
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string paramPath = paramIniPath(home);
    const std::string trigPath = trigIniPath(home);
    WriteFuzzFile(paramPath, text);
    WriteFuzzFile(trigPath, text);

    Settings first;
    ReadParamIni(first, home);
    const std::string completed = ReadFuzzFile(paramPath);
    Settings second;
    ReadParamIni(second, home);
    FUZZ_CHECK(ReadFuzzFile(paramPath) == completed);
    FUZZ_CHECK(Fields(first) == Fields(second));

    Triggers t1;
    ReadTrigIni(t1, home);
    CheckTriggers(t1);
    const std::string trigCompleted = ReadFuzzFile(trigPath);
    Triggers t2;
    ReadTrigIni(t2, home);
    CheckTriggers(t2);
    FUZZ_CHECK(ReadFuzzFile(trigPath) == trigCompleted);
    FUZZ_CHECK(Fields(t1) == Fields(t2));
    return 0;
}
