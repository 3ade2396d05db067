#include "base/VersionText.h"

const AppVersion kAppVersion{VEXLO_VERSION_MAJOR, VEXLO_VERSION_MINOR, VEXLO_VERSION_PATCH};

std::string versionLines(const AppVersion& version, std::string_view unitVer) {
    std::string text = "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ " + std::to_string(version.major) + "." +
                       std::to_string(version.minor) + "." + std::to_string(version.revision) +
                       "\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ ";
    if (unitVer.empty()) {
        return text + "???";
    }
    for (size_t i = 0; i < unitVer.size(); ++i) {
        if (i > 0) {
            text += '.';
        }
        const char c = unitVer[i];
        text += c >= 0x20 && c <= 0x7E ? c : '?';
    }
    return text;
}
