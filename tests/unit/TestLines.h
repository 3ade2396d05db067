#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "LineSettings.h"

// A line at speed with an S02 format byte (0x10 8N1, 0x02 7E1, 0x1A 8E2...).
inline LineSettings lineOf(uint32_t speed, int format) {
    LineSettings line;
    line.speed = speed;
    EXPECT_TRUE(line.applyFormat(format));
    return line;
}
