#pragma once
#include <array>
#include <cstdint>

#include "base/Clock.h"
#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "capture/Capture.h"
#include "trigger/TriggerChecks.h"
#include "trigger/Triggers.h"

// Decides when the five triggers fire and carries out their actions.
//
// A monitor stop or save stop arms a pending request in RunState (gintStopReq / glngStopPos,
// gintSaveStopReq / glngSaveStopPos): a buffer position that the decoder completes after the
// first data record whose storing takes glngDatLen beyond it. A save start switches
// gintAutoSave on at once and puts the newest history bytes at the start of the auto-save
// block; a count adds 1 up to 999999.
//
// Match progress, time latches and pending requests survive starts, stops and edits of the
// definitions; nothing here is saved.
class TriggerEngine final : public TriggerChecks, public DecoderObserver {
  public:
    static constexpr int32_t kMaxTrigCount = 999999;

    TriggerEngine(Triggers& triggers, RunState& run, Capture& capture, const Clock& clock)
        : triggers_(triggers), run_(run), capture_(capture), clock_(clock) {}

    // Advances the string matches of one direction; a completed string fires with the
    // buffer distance from its first code to this byte, and matching starts afresh with the
    // next byte (the byte that breaks a match is not tried as a first code). A string of
    // length 0 fires on every byte equal to its first stored code. No allocation.
    void TrigCheckChr(int direction, uint8_t byte) override;
    // Fires the error triggers whose mask shares a bit with errorBits.
    void TrigCheckErr(int errorBits) override;
    // Fires the line-state triggers that wait for this edge on this line.
    void TrigCheckLine(int line, int edge) override;
    // Fires the time triggers whose HHMM equals the clock's, once per minute reached: a
    // trigger fires again only after a check has seen another minute.
    void TrigCheckTime() override;

    // Carries out the action of trigger n. extra is the buffer distance before the event that
    // a save start also includes (the span of a matched string).
    void TrigAction(int n, int32_t extra);

    // String-match progress per trigger and direction: codes matched so far, and glngDatLen
    // when the first code of the current partial match was seen.
    std::array<int16_t, Triggers::kCount> gintChrPosSD{};
    std::array<int16_t, Triggers::kCount> gintChrPosRD{};
    std::array<int32_t, Triggers::kCount> glngChrTopSD{};
    std::array<int32_t, Triggers::kCount> glngChrTopRD{};
    // 1 while the clock still shows the minute at which the time trigger last fired.
    std::array<int16_t, Triggers::kCount> gintTimeHit{};

  private:
    // glngDatLen + 2 x count, the doubling in 16 bits as the counts are defined.
    [[nodiscard]] int32_t stopTarget(int16_t count) const;
    // Lists the string triggers again for the event types as they are now.
    void listStringTriggers();
    // TrigCheckChr for the listed string triggers.
    void matchStrings(int direction, uint8_t byte);

    // The event types the list below was made for; a byte checked after any of them changed
    // lists the string triggers again, so that the common case, no string trigger, costs one
    // comparison a byte.
    std::array<int16_t, Triggers::kCount> listedTypes_{};
    std::array<int8_t, Triggers::kCount> stringTriggers_{};  // in trigger order
    int stringCount_ = 0;

    Triggers& triggers_;
    RunState& run_;
    Capture& capture_;
    const Clock& clock_;
};
