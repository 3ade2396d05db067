#pragma once
#include "base/Clock.h"

// A clock that only moves when a test moves it.
class FakeClock final : public Clock {
  public:
    [[nodiscard]] DateTime Now() const override { return now; }

    void SetTime(int h, int m, int s, int ms = 0) {
        now.hour = h;
        now.minute = m;
        now.second = s;
        now.millisecond = ms;
    }
    // Moves the time of day forward by ms milliseconds (within the day).
    void Advance(int ms) {
        long total = ((now.hour * 60L + now.minute) * 60L + now.second) * 1000L + now.millisecond;
        total = (total + ms) % 86'400'000L;
        now.millisecond = static_cast<int>(total % 1000);
        now.second = static_cast<int>(total / 1000 % 60);
        now.minute = static_cast<int>(total / 60'000 % 60);
        now.hour = static_cast<int>(total / 3'600'000);
    }

    DateTime now;
};
