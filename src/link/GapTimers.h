#pragma once
#include <cstdint>
#include <optional>

#include "base/Clock.h"
#include "base/RunState.h"
#include "base/Settings.h"

// The rules of the two timers that measure the gaps in the traffic for the decoder, the same
// for the program, every headless run and the line-settings search. QtGapTimers runs them on
// Qt timers.
//
// timIdle ticks once per idle unit of the idle scale (gintIdleMode) while no byte arrives;
// each tick measures the gap since gsngIdleStart, keeps the count in gstrIdle and raises
// gintIdleReq, so that the decoder stores the count before the next data byte.
// timStamp ticks once, after kStampIntervalMs without any byte, and raises gintStampReq, so
// that the decoder stores the time of day before the first data byte of the next batch.
// The decoder stops both at the start of every batch and starts them again at its end
// (DecoderObserver::setIdleTimer, setStampTimer).
namespace gap {

// timStamp's interval; it stops at its first tick.
inline constexpr int kStampIntervalMs = 1000;
// timIdle's interval before any idle scale has been applied.
inline constexpr int kIdleIntervalUnsetMs = 25;
// Largest idle count six digits hold: a longer gap keeps showing and storing this.
inline constexpr int32_t kMaxIdleCount = 999999;

// timIdle's interval for an idle scale: one idle unit, 1000, 100 or 10 ms for the scales 1,
// 10 and 100; nothing for 0 (no idle display: timIdle stays off) or any other value.
[[nodiscard]] std::optional<int> idleIntervalMs(int idleMode);

// (now - start) x idleMode in single precision, rounded half to even. A gap that crosses
// midnight, where the clock starts again from 0, counts on past it; the result is kept in
// 0 .. kMaxIdleCount.
[[nodiscard]] int32_t idleCount(float now, float start, int idleMode);

// timIdle's tick: the count of the gap so far into gstrIdle, and the idle request raised.
// Only while the unit is monitoring (gintRun 1); returns the count, or -1 when nothing was
// done.
int32_t raiseIdleRequest(const Settings& settings, RunState& run, const Clock& clock);

// timStamp's tick: the time-stamp request raised (gintStampReq pending). The time stored is
// the one at which the next data arrives, not the time of the tick.
void raiseStampRequest(RunState& run);

}  // namespace gap
