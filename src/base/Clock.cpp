#include "base/Clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

float Clock::timer() const {
    const DateTime t = now();
    return static_cast<float>(t.hour * 3600 + t.minute * 60 + t.second) +
           static_cast<float>(t.millisecond) / 1000.0f;
}

std::string Clock::timeText() const {
    const DateTime t = now();
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d", t.hour, t.minute, t.second);
    return text;
}

DateTime SystemClock::now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    // The local time of a second is worked out once: the conversion looks up the time zone's
    // rules each time, which costs microseconds, and a busy line asks hundreds of times a
    // second.
    thread_local std::time_t convertedSecs = -1;
    thread_local std::tm local{};
    if (secs != convertedSecs) {
#ifdef _WIN32
        localtime_s(&local, &secs);
#else
        localtime_r(&secs, &local);
#endif
        convertedSecs = secs;
    }
    DateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.millisecond =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}
