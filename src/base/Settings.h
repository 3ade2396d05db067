#pragma once
#include <array>
#include <cstdint>
#include <string>

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
    // Comm_Inf
    int16_t gintLineType = 0;  // 0 RS-232C, 1 RS-422/485
    int32_t glngSpeed = 0;     // bit/s
    int16_t gintDataLen = 0;   // 0 seven bits, other eight
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
