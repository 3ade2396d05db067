#pragma once
#include <string>

#include "base/Settings.h"

// VXParam.ini in the program folder.
std::string paramIniPath(const std::string& programFolder);

// Reads VXParam.ini into s at start-up. Every setting is first set to its default (the line
// settings of Comm_Inf and gintPortNo keep the values they hold), gstrSaveDir to the default
// data folder of programFolder; then each key is read in file order and every missing key
// is written back with its default. A numeric value is the leading number of its text
// rounded to the variable's width; a number out of that width keeps the default. A stored
// window state of 1 (minimized) is read as 0. Failures are not reported; the settings keep
// their defaults. With writeBack false the file is only read (a tool that borrows the
// program's settings leaves them as they are).
void ReadParamIni(Settings& s, const std::string& programFolder, bool writeBack = true);

// Writes every key of s to VXParam.ini, seven sections in file order; a window state of 1
// is written as 0, and each line or display setting out of its range as keepInRange makes
// it, whatever put it there. False when the file could not be written (it is then left as it
// was).
bool WriteParamIni(const Settings& s, const std::string& programFolder);

// Moves each line and display setting that is out of its range to a value it can hold:
// line type, data bits, time stamp and line state to 0..1 (data bits other than 0 are
// eight), stop bits, parity, display mode and font size to 0..2, the idle scale to the
// nearest of 0, 1, 10, 100, a negative scroll step to 0, and a speed the unit does not know
// to 9600 (as it is sent). A settings file that holds such values is mended when the
// program writes it.
void keepInRange(Settings& s);

// Sets the five cell colours to their defaults.
void SetDefaultColor(Settings& s);
