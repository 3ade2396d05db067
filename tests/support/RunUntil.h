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

// Lets events run for ms, with no wake-up of its own in between (for measuring the program's
// own use of the processor while it waits).
inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
