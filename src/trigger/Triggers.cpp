#include "trigger/Triggers.h"

#include <algorithm>

#include "files/Val.h"

bool Triggers::AnySet() const {
    return std::any_of(gintTrigType.begin(), gintTrigType.end(), [](int16_t t) { return t > 0; });
}

int Triggers::ChrCount(int n) const {
    const double v = std::clamp(Val(gstrChrLen[n]), 0.0, static_cast<double>(kCodes));
    return *RoundHalfEven<int>(v);
}
