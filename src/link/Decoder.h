#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "base/Clock.h"
#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "link/SerialPort.h"

// The receive handler of the link: the port hands it each batch of bytes from the unit, which
// it turns into command replies (before a run) or stored records (during a run). One batch at
// a time, on the UI thread; constant work per byte and no allocation in the capture phase.
class Decoder final : public PortInput {
  public:
    // The observers, the link's command queue and the clock must outlive the decoder.
    Decoder(RunState& run, Capture& capture, const Settings& settings, DecoderObservers observers,
            CommandSink& commands, const Clock& clock)
        : run_(run),
          capture_(capture),
          settings_(settings),
          observers_(std::move(observers)),
          commands_(commands),
          clock_(clock) {
        lstrRecv.reserve(kMaxReply);
    }

    // CommLV_OnComm with the bytes the port had waiting, in arrival order.
    void onReceive(const uint8_t* data, size_t size) override;

    // Forgets the last line state and greys all six indicators.
    void ResetLineState();

    // A stop that keeps every record: until the unit acknowledges the stop ("OK" and CR after
    // its last capture byte) bytes go on being stored, and the acknowledgement ends the run
    // (gintRun 0). Line-state bytes that may be the start of the reply wait for the byte that
    // tells them apart. Ends with the run.
    void keepUntilStopped() { keepUntilStopped_ = true; }
    // Ends a keep-until-stopped that the unit never acknowledged: bytes held are line states.
    void stopKeeping();

    // The probe reply: "L", the three characters of the version, CR.
    [[nodiscard]] static bool isProbeReply(const std::string& reply) {
        return reply.size() == 5 && reply[0] == 'L' && reply[4] == '\r';
    }

    std::string lstrRecv;   // reply text since the last command
    int16_t lintProbe = 0;  // non-zero while a probe waits: only a probe reply is kept
    uint8_t lbyteLine = 0;  // last accepted line-state byte

    // Seen by tests: a start refused this many times is reported and given up.
    static constexpr int kMaxStartTries = 4;

  private:
    // Replies longer than any the unit sends are not kept in full; a too-long reply can
    // never match "OK" or the probe reply anyway.
    static constexpr size_t kMaxReply = 256;

    size_t replyPhase(const uint8_t* data, size_t size);
    // The bytes used: all of them, unless the unit acknowledged a stop that keeps records.
    size_t capturePhase(const uint8_t* data, size_t size);
    void LineState(uint8_t b);
    void storeDigitPairs(uint8_t tag, const char* six);
    // Keep-until-stopped: a byte below 0x80 during the capture phase. True when it ended the
    // run (the unit's acknowledgement of the stop).
    bool heldByte(uint8_t b);
    void releaseHeld(size_t count);

    RunState& run_;
    Capture& capture_;
    const Settings& settings_;
    DecoderObservers observers_;
    CommandSink& commands_;
    const Clock& clock_;
    bool keepUntilStopped_ = false;
    // Keep-until-stopped: line-state bytes not yet told apart from the reply.
    static constexpr size_t kMaxHeld = 16;
    std::array<uint8_t, kMaxHeld> held_{};
    size_t heldLen_ = 0;
};
