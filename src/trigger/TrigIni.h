#pragma once
#include <string>

#include "trigger/Triggers.h"

// VXTrig.ini in the program folder.
std::string trigIniPath(const std::string& programFolder);

// Reads the five sections Trig1..Trig5 of VXTrig.ini into t. The default of every key is the
// value t holds, written as WriteTrigIni writes it; a missing key (or one whose value contains
// "NoString") is written back with that default. Numbers are the leading number of the text,
// rounded halves to even; a number that does not fit 16 bits leaves the field as it was.
// ChrLen is read before ChrCode and limited to 0..11, the code storage, and held as decimal
// text; ChrCode gives two hexadecimal digits per code, missing digits reading as 0. The byte
// counts MonitorStop, SaveStart and SaveStop are limited to 0..Triggers::kMaxByteCount.
void ReadTrigIni(Triggers& t, const std::string& programFolder);

// Writes the sixteen keys of each of Trig1..Trig5 from t. False when the file could not be
// written (it is then left as it was).
bool WriteTrigIni(const Triggers& t, const std::string& programFolder);
