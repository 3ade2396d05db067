#pragma once
#include <string>

// Local date and time of day.
struct DateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The PC clock. The app uses the system clock; tests inject a fake.
class Clock {
  public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual DateTime now() const = 0;

    // Seconds since midnight in single precision, like the classic Timer function.
    [[nodiscard]] float timer() const;
    // The time of day as six digits HHMMSS.
    [[nodiscard]] std::string timeText() const;
};

class SystemClock final : public Clock {
  public:
    [[nodiscard]] DateTime now() const override;
};
