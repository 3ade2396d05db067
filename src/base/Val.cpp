#include "base/Val.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <system_error>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "&H1F" or "&O17" from position i (which holds the '&'); 0 when no digit follows.
double prefixedNumber(std::string_view t, size_t i) {
    if (i + 1 >= t.size()) {
        return 0;
    }
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i + 1])));
    const int base = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
    double v = 0;
    for (i += 2; base != 0 && i < t.size(); ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i])));
        int d = -1;
        if (isDigit(c)) {
            d = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        }
        if (d < 0 || d >= base) {
            break;
        }
        v = v * base + d;
    }
    return v;
}

}  // namespace

double Val(std::string_view t) {
    size_t i = 0;
    while (i < t.size() && isBlank(t[i])) {
        ++i;
    }
    if (i < t.size() && t[i] == '&') {
        return prefixedNumber(t, i);
    }
    const size_t start = i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    // Decimal position of the first significant digit, to tell an overflow from an
    // underflow when the number is out of the range of a double.
    long magnitude = 0;
    bool significant = false, point = false, digits = false;
    for (; i < t.size() && (isDigit(t[i]) || (t[i] == '.' && !point)); ++i) {
        if (t[i] == '.') {
            point = true;
            continue;
        }
        digits = true;
        if (t[i] != '0') {
            significant = true;
        }
        if (significant && !point) {
            ++magnitude;
        } else if (!significant && point) {
            --magnitude;
        }
    }
    if (!digits) {
        return 0;
    }
    size_t end = i;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        size_t j = i + 1;
        bool negative = false;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) {
            negative = t[j] == '-';
            ++j;
        }
        if (j < t.size() && isDigit(t[j])) {
            long exponent = 0;
            for (; j < t.size() && isDigit(t[j]); ++j) {
                exponent = std::min(exponent * 10 + (t[j] - '0'), 100000L);
            }
            magnitude += negative ? -exponent : exponent;
            end = j;
        }
    }
    // from_chars takes neither a leading '+' nor the classic locale-dependent forms.
    std::string number(t.substr(start, end - start));
    const bool minus = !number.empty() && number[0] == '-';
    if (!number.empty() && (number[0] == '+' || number[0] == '-')) {
        number.erase(0, 1);
    }
    double v = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
    if (ec == std::errc::result_out_of_range) {
        v = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc()) {
        v = 0;
    }
    return minus ? -v : v;
}
