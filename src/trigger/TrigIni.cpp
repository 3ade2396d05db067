#include "trigger/TrigIni.h"

#include <algorithm>

#include "base/Val.h"
#include "files/IniFile.h"
#include "files/ProgramFolder.h"

namespace {

constexpr const char* kLineKeys[Triggers::kLines] = {"RS", "CS", "ER", "DR", "CD", "CI"};

std::string sectionName(int n) {
    return "Trig" + std::to_string(n + 1);
}

void readInt(IniFile& ini, const std::string& section, const char* key, int16_t& field) {
    const std::string text = GetIni(section, key, std::to_string(field), ini);
    if (const auto v = roundHalfEven<int16_t>(Val(text))) {
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

std::string trigIniPath(const std::string& programFolder) {
    return joinPath(programFolder, "VXTrig.ini");
}

void ReadTrigIni(Triggers& t, const std::string& programFolder) {
    IniFile ini(trigIniPath(programFolder));
    ini.load();
    for (int n = 0; n < Triggers::kCount; ++n) {
        const std::string section = sectionName(n);
        readInt(ini, section, "TrigType", t.gintTrigType[n]);
        readInt(ini, section, "ChrType", t.gintChrType[n]);
        t.gstrChrLen[n] = GetIni(section, "ChrLen", t.gstrChrLen[n], ini);
        t.gstrChrLen[n] = std::to_string(t.chrCount(n));
        const std::string codes = GetIni(section, "ChrCode", t.chrCodeText(n), ini);
        const int count = t.chrCount(n);
        for (int j = 0; j < count; ++j) {
            t.gbyteChrCode[n][j] = Triggers::hexCode(codes, j);
        }
        t.gstrTime[n] = GetIni(section, "Time", t.gstrTime[n], ini);
        forEachLaterInt(
            t, n, [&](const char* key, int16_t& field) { readInt(ini, section, key, field); });
        for (int16_t* bytes : {&t.gintMonitorStop[n], &t.gintSaveStart[n], &t.gintSaveStop[n]}) {
            *bytes = std::clamp<int16_t>(*bytes, 0, Triggers::kMaxByteCount);
        }
    }
    ini.save();
}

bool WriteTrigIni(const Triggers& t, const std::string& programFolder) {
    IniFile ini(trigIniPath(programFolder));
    ini.load();
    for (int n = 0; n < Triggers::kCount; ++n) {
        const std::string section = sectionName(n);
        PutIni(section, "TrigType", std::to_string(t.gintTrigType[n]), ini);
        PutIni(section, "ChrType", std::to_string(t.gintChrType[n]), ini);
        PutIni(section, "ChrLen", t.gstrChrLen[n], ini);
        PutIni(section, "ChrCode", t.chrCodeText(n), ini);
        PutIni(section, "Time", t.gstrTime[n], ini);
        forEachLaterInt(t, n, [&](const char* key, int16_t field) {
            PutIni(section, key, std::to_string(field), ini);
        });
    }
    return ini.save();
}
