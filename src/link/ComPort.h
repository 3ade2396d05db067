#pragma once
#include <string>

// The Windows device path of serial port n: "\\.\COM<n>". Windows opens "COM1" to "COM9" by
// their short names as well, but takes "COM10" and above for file names in the current
// folder; the device path opens every port. Empty for a number below 1.
[[nodiscard]] std::string comPortLocation(int n);
