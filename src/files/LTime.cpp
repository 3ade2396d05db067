#include "files/LTime.h"

#include <cstdio>

#include "files/AtomicFile.h"
#include "files/ProgramFolder.h"

std::string TwelveDigitTime(const DateTime& t) {
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
    const std::string text = TwelveDigitTime(clock.Now()) + lineEnd;
    return WriteFileAtomic(JoinPath(programFolder, "LTime.txt"), text) ? 0 : -1;
}
