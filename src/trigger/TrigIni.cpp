#include "trigger/TrigIni.h"

#include <algorithm>

#include "files/IniFile.h"
#include "files/ProgramFolder.h"
#include "files/Val.h"

namespace {

constexpr const char* kLineKeys[Triggers::kLines] = {"RS", "CS", "ER", "DR", "CD", "CI"};

std::string sectionName(int n) {
    return "Trig" + std::to_string(n + 1);
}

// The first ChrCount codes of trigger n, two uppercase hexadecimal digits each.
std::string chrCodeText(const Triggers& t, int n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    const int count = t.ChrCount(n);
    for (int j = 0; j < count; ++j) {
        text += kHex[t.gbyteChrCode[n][j] >> 4];
        text += kHex[t.gbyteChrCode[n][j] & 0xF];
    }
    return text;
}

void readInt(IniFile& ini, const std::string& section, const char* key, int16_t& field) {
    const std::string text = GetIni(section, key, std::to_string(field), ini);
    if (const auto v = RoundHalfEven<int16_t>(Val(text))) {
        field = *v;
    }
}

// Calls visit(key, field) for the numeric keys after Time, in file order.
template <class T, class Visit>
void forEachLaterInt(T& t, int n, Visit&& visit) {
    visit("ErrType", t.gintErrType[n]);
    for (int line = 0; line < Triggers::kLines; ++line) {
        visit(kLineKeys[line], t.gintLineEdge[line][n]);
    }
    visit("Action", t.gintAction[n]);
    visit("MonitorStop", t.gintMonitorStop[n]);
    visit("SaveStart", t.gintSaveStart[n]);
    visit("SaveStop", t.gintSaveStop[n]);
}

}  // namespace

std::string TrigIniPath(const std::string& programFolder) {
    return JoinPath(programFolder, "VXTrig.ini");
}

void ReadTrigIni(Triggers& t, const std::string& programFolder) {
    IniFile ini(TrigIniPath(programFolder));
    ini.Load();
    for (int n = 0; n < Triggers::kCount; ++n) {
        const std::string section = sectionName(n);
        readInt(ini, section, "TrigType", t.gintTrigType[n]);
        readInt(ini, section, "ChrType", t.gintChrType[n]);
        t.gstrChrLen[n] = GetIni(section, "ChrLen", t.gstrChrLen[n], ini);
        t.gstrChrLen[n] = std::to_string(t.ChrCount(n));
        const std::string codes = GetIni(section, "ChrCode", chrCodeText(t, n), ini);
        const int count = t.ChrCount(n);
        for (int j = 0; j < count; ++j) {
            const size_t at = std::min(codes.size(), static_cast<size_t>(2 * j));
            t.gbyteChrCode[n][j] = static_cast<uint8_t>(Val("&H" + codes.substr(at, 2)));
        }
        t.gstrTime[n] = GetIni(section, "Time", t.gstrTime[n], ini);
        forEachLaterInt(
            t, n, [&](const char* key, int16_t& field) { readInt(ini, section, key, field); });
        for (int16_t* count : {&t.gintMonitorStop[n], &t.gintSaveStart[n], &t.gintSaveStop[n]}) {
            *count = std::clamp<int16_t>(*count, 0, Triggers::kMaxByteCount);
        }
    }
    ini.Save();
}

bool WriteTrigIni(const Triggers& t, const std::string& programFolder) {
    IniFile ini(TrigIniPath(programFolder));
    ini.Load();
    for (int n = 0; n < Triggers::kCount; ++n) {
        const std::string section = sectionName(n);
        PutIni(section, "TrigType", std::to_string(t.gintTrigType[n]), ini);
        PutIni(section, "ChrType", std::to_string(t.gintChrType[n]), ini);
        PutIni(section, "ChrLen", t.gstrChrLen[n], ini);
        PutIni(section, "ChrCode", chrCodeText(t, n), ini);
        PutIni(section, "Time", t.gstrTime[n], ini);
        forEachLaterInt(t, n, [&](const char* key, int16_t field) {
            PutIni(section, key, std::to_string(field), ini);
        });
    }
    return ini.Save();
}
