#include "link/QtGapTimers.h"

#include "link/GapTimers.h"

QtGapTimers::QtGapTimers(RunState& run, std::function<void()> onIdleTick, QObject* parent)
    : run_(run), idleTick_(std::move(onIdleTick)) {
    // The timers are destroyed with this object, before a parent that outlives it.
    timIdle_.setParent(parent);
    timStamp_.setParent(parent);
    timIdle_.setObjectName(QStringLiteral("timIdle"));
    timIdle_.setInterval(gap::kIdleIntervalUnsetMs);
    timStamp_.setObjectName(QStringLiteral("timStamp"));
    timStamp_.setInterval(gap::kStampIntervalMs);
    timStamp_.setSingleShot(true);
    QObject::connect(&timIdle_, &QTimer::timeout, [this] { idleTick(); });
    QObject::connect(&timStamp_, &QTimer::timeout, [this] { stampTick(); });
}

void QtGapTimers::applyIdleScale(int idleMode) {
    if (idleMode == 0) {
        timIdle_.stop();
    } else if (const auto ms = gap::idleIntervalMs(idleMode)) {
        timIdle_.start(*ms);
    }
}

void QtGapTimers::stampTick() {
    gap::raiseStampRequest(run_);
    timStamp_.stop();
}
