#pragma once
#include <cmath>
#include <concepts>
#include <limits>
#include <optional>
#include <string_view>

// The number at the start of a text, as every numeric settings key is read: leading blanks
// are skipped, then the longest number is taken: an optional sign, digits with at most one
// decimal point and an optional exponent (1.5E3), or "&H" followed by hexadecimal digits or
// "&O" followed by octal digits (letters in either case; these never carry a sign and are
// read as unsigned values). A text without a number gives 0. A number too large for a double
// gives an infinity, which no integer conversion accepts.
double Val(std::string_view text);

// Rounds v to the nearest integer, halves to the even neighbour (2.5 gives 2, 1.5 gives 2).
// Nothing when the result does not fit T or v is not a number.
template <std::integral T>
std::optional<T> roundHalfEven(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max()))) {
        return std::nullopt;
    }
    return static_cast<T>(r);
}
