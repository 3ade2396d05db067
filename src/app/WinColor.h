#pragma once
#include <QColor>
#include <cstdint>

// Colours are kept as Windows colour values: red + 256 green + 65536 blue.
inline QColor toQColor(int32_t value) {
    return {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF};
}

inline int32_t fromQColor(const QColor& c) {
    return c.red() + 256 * c.green() + 65536 * c.blue();
}
