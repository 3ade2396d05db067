#include "files/ParamIni.h"

#include <type_traits>

#include "base/Val.h"
#include "files/IniFile.h"
#include "files/LogFile.h"
#include "files/ProgramFolder.h"

namespace {

// Calls visit(section, key, variable) for every key of the file, in file order.
template <class S, class Visit>
void forEachKey(S& s, Visit&& visit) {
    visit("Mode_Inf", "DispMode", s.gintDispMode);
    visit("Mode_Inf", "IdleMode", s.gintIdleMode);
    visit("Mode_Inf", "TimeStamp", s.gintTimeStamp);
    visit("Mode_Inf", "Scroll", s.gintScroll);
    visit("Mode_Inf", "FontSize", s.gintFontSize);
    visit("Mode_Inf", "LineState", s.gintLineState);
    visit("Mode_Inf", "ResizeMode", s.gintResizeMode);
    visit("Mode_Inf", "TextSaveMode", s.gintTextSaveMode);
    visit("Mode_Inf", "TextSaveLen1", s.gintTextSaveLen[0]);
    visit("Mode_Inf", "TextSaveLen2", s.gintTextSaveLen[1]);
    visit("Mode_Inf", "ASCIISaveMode", s.gintASCIISaveMode);
    visit("Mode_Inf", "FrameList", s.gintFrameList);
    visit("Comm_Inf", "Type", s.gintLineType);
    visit("Comm_Inf", "Speed", s.glngSpeed);
    visit("Comm_Inf", "DataLength", s.gintDataLen);
    visit("Comm_Inf", "StopBit", s.gintStopBit);
    visit("Comm_Inf", "Parity", s.gintParity);
    visit("VX_Inf", "Auto", s.gintPortAuto);
    visit("VX_Inf", "Port", s.gintPortNo);
    visit("Buffer_Inf", "Size", s.glngBufSize);
    visit("Buffer_Inf", "Dir", s.gstrSaveDir);
    visit("Buffer_Inf", "MaxFiles", s.gintMaxFiles);
    visit("Buffer_Inf", "FileDate", s.gintFileDate);
    visit("Color_Inf", "SD", s.glngColSD);
    visit("Color_Inf", "RD", s.glngColRD);
    visit("Color_Inf", "IDLE", s.glngColIdle);
    visit("Color_Inf", "TMST", s.glngColTmst);
    visit("Color_Inf", "ERR", s.glngColErr);
    visit("Window_Inf", "State", s.gintWinState);
    visit("Window_Inf", "Height", s.glngWinHeight);
    visit("Window_Inf", "Width", s.glngWinWidth);
    visit("Print_Inf", "Orientation", s.gintPrintOrient);
}

template <class T>
void readKey(IniFile& ini, const char* section, const char* key, T& variable) {
    const std::string text = GetIni(section, key, std::to_string(variable), ini);
    if (const auto v = roundHalfEven<T>(Val(text))) {
        variable = *v;
    }
}

void readKey(IniFile& ini, const char* section, const char* key, std::string& variable) {
    variable = GetIni(section, key, variable, ini);
}

}  // namespace

std::string paramIniPath(const std::string& programFolder) {
    return joinPath(programFolder, "VXParam.ini");
}

void ReadParamIni(Settings& s, const std::string& programFolder, bool writeBack) {
    Settings defaults;
    defaults.gintLineType = s.gintLineType;
    defaults.glngSpeed = s.glngSpeed;
    defaults.gintDataLen = s.gintDataLen;
    defaults.gintStopBit = s.gintStopBit;
    defaults.gintParity = s.gintParity;
    defaults.gintPortNo = s.gintPortNo;
    defaults.gstrSaveDir = defaultDataFolder(programFolder);
    s = defaults;

    IniFile ini(paramIniPath(programFolder));
    ini.load();
    forEachKey(s, [&ini](const char* section, const char* key, auto& variable) {
        readKey(ini, section, key, variable);
    });
    if (s.gintWinState == 1) {
        s.gintWinState = 0;
    }
    if (writeBack) {
        ini.save();
    }
}

bool WriteParamIni(const Settings& s, const std::string& programFolder) {
    IniFile ini(paramIniPath(programFolder));
    ini.load();
    Settings kept = s;
    if (kept.gintWinState == 1) {
        kept.gintWinState = 0;
    }
    keepInRange(kept);
    forEachKey(kept, [&ini]<class T>(const char* section, const char* key, const T& variable) {
        if constexpr (std::is_same_v<T, std::string>) {
            PutIni(section, key, variable, ini);
        } else {
            PutIni(section, key, std::to_string(variable), ini);
        }
    });
    return ini.save();
}

void keepInRange(Settings& s) {
    applyHeader(headerOf(s), s);
}

void SetDefaultColor(Settings& s) {
    const Settings defaults;
    s.glngColSD = defaults.glngColSD;
    s.glngColRD = defaults.glngColRD;
    s.glngColErr = defaults.glngColErr;
    s.glngColTmst = defaults.glngColTmst;
    s.glngColIdle = defaults.glngColIdle;
}
