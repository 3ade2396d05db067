#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

// Display words for search tests, written as the records they stand for.
namespace sw {

using Words = std::vector<int16_t>;

inline Words Sd(std::initializer_list<int> bytes) {
    Words w;
    for (const int b : bytes) {
        w.push_back(static_cast<int16_t>(0x100 | b));
    }
    return w;
}
inline Words Rd(std::initializer_list<int> bytes) {
    Words w;
    for (const int b : bytes) {
        w.push_back(static_cast<int16_t>(b));
    }
    return w;
}
inline Words Stamp(int h, int m, int s) {
    return {static_cast<int16_t>(0x3000 + h), static_cast<int16_t>(m * 100 + s)};
}
inline Words Idle(int count) {
    return {static_cast<int16_t>(0x2000 + count / 10000), static_cast<int16_t>(count % 10000)};
}

// The words of the parts, one after the other.
inline Words Cat(std::initializer_list<Words> parts) {
    Words all;
    for (const Words& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

}  // namespace sw
