#pragma once
#include <string>

#include "LineSettings.h"

// Puts the serial device fd in raw mode at the line's speed and character format, any
// speed of the line included (not only the ones with a B constant), with parity and
// framing errors marked in its input (PARMRK, INPCK: see ParmrkReader) and without flow
// control. 1.5 stop bits are sent as 2, the nearest the hardware has. An error text, or
// an empty one.
std::string configureDevice(int fd, const LineSettings& line);
