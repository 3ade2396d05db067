#pragma once
#include <QString>
#include <string>

// The program keeps its texts in UTF-8 std::strings; Qt wants QStrings.
inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
