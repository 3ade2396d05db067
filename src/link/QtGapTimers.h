#pragma once
#include <QTimer>
#include <functional>

#include "base/RunState.h"

class QObject;

// timIdle and timStamp (see GapTimers.h) as QTimers of those names, children of the given
// object so that they can be found by name. One per window or headless run that decodes.
class QtGapTimers {
  public:
    // onIdleTick is what each tick of timIdle does: gap::raiseIdleRequest, and whatever the
    // owner shows of the count. timIdle starts with kIdleIntervalUnsetMs and stopped.
    QtGapTimers(RunState& run, std::function<void()> onIdleTick, QObject* parent = nullptr);

    // Applies an idle scale (gintIdleMode): 0 stops timIdle; 1, 10 and 100 set one idle unit
    // as its interval and (re)start it; any other value leaves it alone.
    void applyIdleScale(int idleMode);
    // The decoder's calls around every batch, and the switches of the view menu: stop, or
    // (re)start for a full interval.
    void setIdleTimer(bool on) { on ? timIdle_.start() : timIdle_.stop(); }
    void setStampTimer(bool on) { on ? timStamp_.start() : timStamp_.stop(); }

    // The ticks, which the timers call; tests call them to let time pass.
    void idleTick() { idleTick_(); }
    // gap::raiseStampRequest, and timStamp stops.
    void stampTick();

  private:
    RunState& run_;
    std::function<void()> idleTick_;
    QTimer timIdle_;
    QTimer timStamp_;
};
