#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The program's version: major, minor and revision (file version major.minor.0.revision).
struct AppVersion {
    int16_t major;
    int16_t minor;
    int16_t revision;
};
extern const AppVersion kAppVersion;

// The two lines of the version window: "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1", a line break, then
// "ﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ " and the unit's version characters separated by points (123 gives
// 1.2.3), or "???" when no unit has been found (unitVer empty). A character of the unit's
// reply that is not printable ASCII shows as '?'.
std::string versionLines(const AppVersion& version, std::string_view unitVer);
