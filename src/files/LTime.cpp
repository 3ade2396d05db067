#include "files/LTime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "files/AtomicFile.h"
#include "files/ProgramFolder.h"

std::string twelveDigitTime(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", t.year % 100, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

int WriteLTime(const std::string& programFolder, const Clock& clock) {
#ifdef _WIN32
    const char* lineEnd = "\r\n";
#else
    const char* lineEnd = "\n";
#endif
    const std::string text = twelveDigitTime(clock.now()) + lineEnd;
    return writeFileAtomic(joinPath(programFolder, "LTime.txt"), text) ? 0 : -1;
}

std::string ReadLTime(const std::string& programFolder, const Clock& clock) {
    std::ifstream in(nativePath(joinPath(programFolder, "LTime.txt")), std::ios::binary);
    std::string line;
    if (in && std::getline(in, line)) {
        std::string item = line.substr(0, line.find_first_of(",\r"));
        const size_t first = item.find_first_not_of(" \t\"");
        const size_t last = item.find_last_not_of(" \t\"");
        item = first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
        if (item.size() == 12 && std::all_of(item.begin(), item.end(), [](unsigned char ch) {
                return std::isdigit(ch) != 0;
            })) {
            return item;
        }
    }
    return twelveDigitTime(clock.now());
}
