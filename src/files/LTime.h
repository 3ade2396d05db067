#pragma once
#include <string>

#include "base/Clock.h"

// LTime.txt in the program folder holds the time the current auto-save block started, as
// twelve digits yymmddhhmmss.

// The time as twelve digits yymmddhhmmss.
[[nodiscard]] std::string twelveDigitTime(const DateTime& t);

// Replaces LTime.txt with the current time and a line end: 0 on success, -1 on failure.
int WriteLTime(const std::string& programFolder, const Clock& clock);

// The first item of LTime.txt (up to a comma or the end of the first line, blanks and quotes
// trimmed). A missing or unreadable file, or an item that is not twelve digits (it becomes
// part of a file name, so nothing else is taken), gives the current time instead.
[[nodiscard]] std::string ReadLTime(const std::string& programFolder, const Clock& clock);
