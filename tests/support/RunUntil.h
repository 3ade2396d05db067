#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Lets events run until pred holds or ms have passed; the result of pred.
inline bool RunUntil(const std::function<bool()>& pred, int ms) {
    QTimer tick;  // wakes the wait so that the deadline is seen
    tick.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!pred() && elapsed.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return pred();
}

// Lets events run until value has not changed for quietMs, or ms have passed; whether it came
// to rest.
inline bool RunUntilSteady(const std::function<int64_t()>& value, int quietMs, int ms) {
    int64_t last = value();
    QElapsedTimer still;
    still.start();
    return RunUntil(
        [&] {
            if (const int64_t now = value(); now != last) {
                last = now;
                still.start();
            }
            return still.elapsed() >= quietMs;
        },
        ms);
}
