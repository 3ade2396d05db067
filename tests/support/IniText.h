#pragma once
#include <string>
#include <string_view>

#include "files/IniFile.h"

// text (lines ending in LF) as a new INI file holds it: with the platform's line ends.
inline std::string newIniText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += IniFile::kNewFileEol;
        } else {
            out += c;
        }
    }
    return out;
}
