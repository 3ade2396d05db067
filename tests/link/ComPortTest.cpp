#include "link/ComPort.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>

#include <filesystem>

namespace {

// The full name Windows makes of a path, as the file functions see it.
std::wstring fullName(const std::string& path) {
    const std::wstring wide = std::filesystem::path(path).wstring();
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
    return std::wstring(full, length < MAX_PATH ? length : 0);
}

}  // namespace
#endif

// Ports 1 to 16, which the automatic search tries, by their device paths; a number below 1 is
// no port. On Windows the system's own path rules show why: each device path names the device
// itself, while the short name "COM10" and above would be a file in the current folder.
TEST(ComPort, EveryPortIsNamedByItsDevicePath) {
    EXPECT_EQ(comPortLocation(0), "");
    EXPECT_EQ(comPortLocation(-3), "");
    EXPECT_EQ(comPortLocation(1), "\\\\.\\COM1");
    EXPECT_EQ(comPortLocation(10), "\\\\.\\COM10");
    for (int n = 1; n <= 16; ++n) {
        const std::string shortName = "COM" + std::to_string(n);
        EXPECT_EQ(comPortLocation(n), "\\\\.\\" + shortName);
#ifdef _WIN32
        const std::wstring device = L"\\\\.\\COM" + std::to_wstring(n);
        EXPECT_EQ(fullName(comPortLocation(n)), device) << n;
        EXPECT_EQ(fullName(shortName) == device, n <= 9) << n;
#endif
    }
}
