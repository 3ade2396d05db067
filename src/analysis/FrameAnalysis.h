#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/Modbus.h"
#include "files/PcapExport.h"

// Frames of a capture and the times between them, on the pcap export's rebuilt clock.
//
// A frame is a run of data bytes of one direction. A new frame begins at a change of direction
// and at an idle record whose time (count x idle step) is at least the gap; bytes with parity
// or framing errors stay in their frame and are counted; line-state and time-stamp records do
// not split. With Modbus on, each run is further split into Modbus RTU frames (see
// modbus::nextFrame).

struct FrameOptions {
    int64_t gapMicros = 0;  // 0: every idle record splits
    bool modbus = false;
};

struct Frame {
    int64_t startMicros = 0;  // from the first record to the start of the first byte
    // Idle time since the previous frame ended; nothing for the first frame.
    std::optional<int64_t> gapMicros;
    int32_t firstByte = 0;  // index of the first byte in FrameList::data
    int32_t bytes = 0;
    int32_t errors = 0;     // bytes with a parity or framing error
    int32_t firstWord = 0;  // display words (as CopyDat makes them) of the first and last byte
    int32_t lastWord = 0;
    std::optional<modbus::Frame> modbus;
    bool sd = false;
    bool afterOther = false;  // the previous frame was of the other direction

    // The gap when the previous frame was of the other direction, else nothing.
    [[nodiscard]] std::optional<int64_t> replyMicros() const {
        return afterOther ? gapMicros : std::nullopt;
    }
};

struct FrameList {
    int64_t idleStepMicros = 0;  // 0: the idle scale is unknown
    bool modbus = false;
    std::vector<uint8_t> data;  // the bytes of every frame, in order
    std::vector<Frame> frames;

    [[nodiscard]] std::span<const uint8_t> bytesOf(const Frame& f) const {
        return {data.data() + f.firstByte, static_cast<size_t>(f.bytes)};
    }
};

// The frames of the first len stored record bytes, into out (its memory is kept for the next
// analysis, as CopyDat keeps the display words).
void analyseFrames(const uint8_t* bytes, int32_t len, const PcapLine& line,
                   const FrameOptions& options, FrameList& out);
