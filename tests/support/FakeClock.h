#pragma once
#include "base/Clock.h"

// A clock that only moves when a test moves it.
class FakeClock final : public Clock {
  public:
    [[nodiscard]] DateTime now() const override { return time; }

    void SetTime(int h, int m, int s, int ms = 0) {
        time.hour = h;
        time.minute = m;
        time.second = s;
        time.millisecond = ms;
    }
    // Moves the time of day forward by ms milliseconds (within the day).
    void Advance(int ms) {
        long total =
            ((time.hour * 60L + time.minute) * 60L + time.second) * 1000L + time.millisecond;
        total = (total + ms) % 86'400'000L;
        time.millisecond = static_cast<int>(total % 1000);
        time.second = static_cast<int>(total / 1000 % 60);
        time.minute = static_cast<int>(total / 60'000 % 60);
        time.hour = static_cast<int>(total / 3'600'000);
    }

    DateTime time;
};
