#pragma once
#include <cstdint>

#include "base/Clock.h"
#include "base/RunState.h"
#include "base/Settings.h"

// The idle count of a gap in the traffic, the same for the program and every headless
// command. Each tick of the idle timer measures the gap since gsngIdleStart in units of the
// idle scale, keeps the count in gstrIdle and raises gintIdleReq, so that the decoder stores
// the count before the next data byte.
namespace idle {

// Largest count six digits hold: a longer gap keeps showing and storing this.
constexpr int32_t kMaxCount = 999999;

// (now - start) x idleMode in single precision, rounded half to even. A gap that crosses
// midnight, where the clock starts again from 0, counts on past it; the result is kept in
// 0 .. kMaxCount.
[[nodiscard]] int32_t count(float now, float start, int idleMode);

// The tick: the count of the gap so far into gstrIdle, and the request raised. Only while the
// unit is monitoring (gintRun 1); returns the count, or -1 when nothing was done.
int32_t raiseRequest(const Settings& settings, RunState& run, const Clock& clock);

}  // namespace idle
