#pragma once
#include <string>

// s quoted for the shell.
inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (const char ch : s) {
        q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    }
    return q + "'";
}
