#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

// The speeds the unit knows, in the order of their codes (0x00 150 .. 0x0E 115200).
inline constexpr std::array<int32_t, 15> kUnitSpeeds{
    150, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 56000, 57600, 76800, 115200};

// A speed a setting can hold: one the unit knows, or 0, the speed of new settings that
// becomes 9600 at the first sending.
[[nodiscard]] constexpr bool isSettingSpeed(int32_t speed) {
    return speed == 0 ||
           std::find(kUnitSpeeds.begin(), kUnitSpeeds.end(), speed) != kUnitSpeeds.end();
}
// An idle scale a setting can hold: none, 1 s, 100 ms or 10 ms.
[[nodiscard]] constexpr bool isIdleScale(int16_t v) {
    return v == 0 || v == 1 || v == 10 || v == 100;
}

// Every persistent setting of VXParam.ini, one member per key, with its width and default.
// The member initialisers are the defaults that ReadParamIni and SetDefaultColor apply.
struct Settings {
    // Mode_Inf
    int16_t gintDispMode = 0;   // 0 ASCII, 1 hex, 2 Shift-JIS
    int16_t gintIdleMode = 0;   // 0 none, 1 = 1 s, 10 = 100 ms, 100 = 10 ms
    int16_t gintTimeStamp = 0;  // 1: time stamps on
    int16_t gintScroll = 0;     // 0 page clear, N > 0 scroll by N lines
    int16_t gintFontSize = 1;   // 0 large, 1 medium, 2 small
    int16_t gintLineState = 0;  // 1: line-state bar shown
    int16_t gintResizeMode = 0;
    int16_t gintTextSaveMode = 0;
    std::array<int16_t, 2> gintTextSaveLen{0, 50};
    int16_t gintASCIISaveMode = 0;
    int16_t gintFrameList = 0;  // 1: the frame list shown below the grid
    // Comm_Inf
    int16_t gintLineType = 0;  // 0 RS-232C, 1 RS-422/485
    int32_t glngSpeed = 0;     // bit/s
    int16_t gintDataLen = 0;   // 0 seven bits, 1 eight (a file's other values read as eight)
    int16_t gintStopBit = 0;   // 0 one, 1 one and a half, 2 two
    int16_t gintParity = 0;    // 0 none, 1 odd, 2 even
    // VX_Inf
    int16_t gintPortAuto = 1;
    int16_t gintPortNo = 0;
    // Buffer_Inf
    int32_t glngBufSize = 1000;
    std::string gstrSaveDir;
    int16_t gintMaxFiles = 0;
    int16_t gintFileDate = 0;
    // Color_Inf (red + 256 green + 65536 blue)
    int32_t glngColSD = 14737663;
    int32_t glngColRD = 16777192;
    int32_t glngColIdle = 12648384;
    int32_t glngColTmst = 12648447;
    int32_t glngColErr = 8421631;
    // Window_Inf
    int16_t gintWinState = 2;
    int32_t glngWinHeight = 6000;
    int32_t glngWinWidth = 9500;
    // Print_Inf
    int16_t gintPrintOrient = 2;
};
