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
