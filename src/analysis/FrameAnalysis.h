#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/Modbus.h"
#include "analysis/Protocol.h"
#include "capture/RecordClock.h"

// Frames of a capture and the times between them, on the capture's timeline (RecordClock, as
// the pcap export rebuilds it).
//
// A frame is a run of data bytes of one direction. A new frame begins at a change of direction
// and at an idle record whose time (count x idle step) is at least the gap; bytes with parity
// or framing errors stay in their frame and are counted; line-state and time-stamp records do
// not split. With Modbus on, each run is further split into Modbus RTU frames and noise (see
// modbus::nextFrame).
//
// The records are read once, in pieces of any size, and each frame is handed on as soon as it
// is complete: memory does not grow with the capture (only with its longest run of bytes of one
// direction, which is held until it ends).

struct FrameOptions {
    int64_t gapMicros = 0;  // 0: every idle record splits
    bool modbus = false;
    // Frames by this definition instead: each direction is framed on its own, a change of
    // direction or an idle record ends no frame, and an idle gap of at least the protocol's
    // Timeout ends the open frames of both directions (which are marked timeout).
    std::optional<proto::Protocol> protocol;

    // The name of the protocol: "idle", "modbus-rtu" or the definition's.
    [[nodiscard]] std::string protocolName() const {
        return protocol ? protocol->name : modbus ? "modbus-rtu" : "idle";
    }
    // Whether frames carry a check and may be noise.
    [[nodiscard]] bool checked() const { return modbus || protocol; }
};

struct Frame {
    static constexpr int64_t kUnknown = std::numeric_limits<int64_t>::min();

    int64_t startMicros = 0;  // from the first record to the start of the first byte
    int64_t offset = 0;       // where the first byte's data record begins in the records
    int64_t firstWord = 0;    // display words (as CopyDat makes them) of the first and last byte
    int64_t lastWord = 0;
    // Idle time since the previous frame ended: kUnknown for the first frame and when idle
    // records of unknown length lie between.
    int64_t gapMicros = kUnknown;
    // Time since the previous frame that is not noise ended, when that one was of the other
    // direction and this one is no noise; else kUnknown (as when idle of unknown length lies
    // between).
    int64_t replyMicros = kUnknown;
    int32_t bytes = 0;
    int32_t errors = 0;  // bytes with a parity or framing error
    std::optional<modbus::Frame> modbus;
    bool sd = false;
    proto::CheckState check = proto::CheckState::None;
    proto::Problem problem = proto::Problem::None;

    [[nodiscard]] std::optional<int64_t> gap() const { return known(gapMicros); }
    [[nodiscard]] std::optional<int64_t> reply() const { return known(replyMicros); }
    [[nodiscard]] bool noise() const { return problem == proto::Problem::Noise; }

  private:
    static std::optional<int64_t> known(int64_t v) {
        return v == kUnknown ? std::nullopt : std::optional<int64_t>(v);
    }
};

static_assert(sizeof(Frame) <= 72, "an index of frames keeps a few tens of bytes a frame");

// The analysis of records that come in pieces: add() takes the whole records at the front of
// each piece and returns the bytes it took (a record cut off by the end comes again at the
// front of the next piece), finish() ends the last frame. Each frame goes to the sink with its
// bytes (valid during the call only).
class FrameAnalyser {
  public:
    using Sink = std::function<void(const Frame&, std::span<const uint8_t> bytes)>;

    FrameAnalyser(const LineTiming& line, const FrameOptions& options, Sink sink);
    ~FrameAnalyser();
    FrameAnalyser(const FrameAnalyser&) = delete;
    FrameAnalyser& operator=(const FrameAnalyser&) = delete;

    size_t add(const uint8_t* bytes, size_t len);
    // The line has been quiet for micros since the last byte added: the open frames end as an
    // idle record of that length would end them, before it is stored.
    void quiet(int64_t micros);
    void finish();
    // The length of one idle step in microseconds; 0 under an unknown idle scale.
    [[nodiscard]] int64_t idleStep() const;

  private:
    class Walk;
    std::unique_ptr<Walk> walk_;
};

// The index of the frames of a capture: each frame's place in the records and its fields,
// never its bytes (a few tens of bytes a frame).
struct FrameList {
    int64_t idleStepMicros = 0;  // 0: the idle scale is unknown
    bool modbus = false;
    bool checked = false;  // framed by a protocol with checks (FrameOptions::checked)
    std::string protocol = "idle";
    std::deque<Frame> frames;
};

// The options of the protocol named name: a built-in one, else a definition of protocols of
// that name, else the idle split.
[[nodiscard]] FrameOptions frameOptionsNamed(const std::string& name,
                                             const proto::ProtocolFile& protocols,
                                             int64_t gapMicros = 0);

// The index of the frames of the first len record bytes, into out.
void analyseFrames(const uint8_t* bytes, size_t len, const LineTiming& line,
                   const FrameOptions& options, FrameList& out);

// Appends to out the values of the data records among the first len record bytes, until out
// holds want bytes: read from a frame's offset on, they are the frame's bytes. Returns the
// record bytes read, so that records read in pieces can go on from there.
size_t appendDataBytes(const uint8_t* records, size_t len, size_t want, std::vector<uint8_t>& out);
