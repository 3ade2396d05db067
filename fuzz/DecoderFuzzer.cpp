// The receive handler with any bytes from the unit, in either phase, split into batches
// anywhere. Beyond not crashing it must keep its promises:
// - during a run the stored bytes and the calls they cause do not depend on the split;
// - the buffer holds only whole, well-formed records, whatever arrives;
// - a buffer that drops its oldest bytes keeps the newest, and auto-save loses nothing;
// - a reply never grows without bound and a refused start is tried at most four times.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "e2e/StoredRecords.h"
#include "link/Decoder.h"
#include "support/FakeClock.h"
#include "support/RecordingObserver.h"

namespace {

// Batch sizes and request choices drawn from a seed, so that an input always runs the same.
class Draw {
  public:
    explicit Draw(uint32_t seed) : state_(seed | 1U) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

  private:
    uint32_t state_;
};

// One decoder with its capture and everything around it.
struct Link {
    explicit Link(int32_t bufSize) { capture.AllocBuffer(bufSize); }

    void Feed(const std::vector<uint8_t>& stream, size_t from, size_t n) {
        decoder.onReceive(stream.data() + from, n);
    }
    [[nodiscard]] std::vector<uint8_t> Stored() const {
        return {capture.gbyteDat().begin(), capture.gbyteDat().begin() + capture.glngDatLen()};
    }
    // The calls that follow from the stream alone: pairs drawn, lamps, line triggers, stops
    // (not the timers and the queue, which every batch touches).
    [[nodiscard]] std::vector<std::string> FromStream() const {
        std::vector<std::string> out;
        for (const std::string& c : hooks.calls) {
            for (const char* kind : {"disp ", "green ", "gray ", "trig", "stop "}) {
                if (c.rfind(kind, 0) == 0) {
                    out.push_back(c);
                }
            }
        }
        return out;
    }

    RunState run;
    Capture capture{run};
    Settings settings;
    FakeClock clock;
    RecordingObserver hooks{run, capture};
    Decoder decoder{run, capture, settings, DecoderObservers{&hooks}, hooks, clock};
};

// Large enough that no input the fuzzer makes fills it; 1 makes it shift every 1000 bytes.
constexpr int32_t kBigBuffer = 48;
constexpr size_t kMaxStream = 4096;

bool WellFormed(const std::vector<uint8_t>& bytes) {
    return ParseStored({reinterpret_cast<const char*>(bytes.data()), bytes.size()}).fault.empty();
}

// A run in progress, the whole stream in one batch against the same stream in pieces into a
// small buffer with auto-save on.
void SplitDoesNotMatter(const std::vector<uint8_t>& stream, Draw& draw, uint32_t largest) {
    Link whole(kBigBuffer);
    Link split(1);
    whole.run.gintRun = 1;
    split.run.gintRun = 1;
    split.run.gintAutoSave = 1;
    whole.Feed(stream, 0, stream.size());
    for (size_t pos = 0; pos < stream.size();) {
        const size_t n = std::min<size_t>(1 + draw.Below(largest), stream.size() - pos);
        split.Feed(stream, pos, n);
        pos += n;
    }

    const std::vector<uint8_t> all = whole.Stored();
    FUZZ_CHECK(WellFormed(all));
    FUZZ_CHECK(whole.FromStream() == split.FromStream());
    // Every stored byte went into an auto-save block or is in the open one.
    std::vector<uint8_t> saved = split.hooks.saved;
    saved.insert(saved.end(), split.capture.gbyteAutoDat().begin(),
                 split.capture.gbyteAutoDat().begin() + split.capture.glngAutoLen());
    FUZZ_CHECK(saved == all);
    // The small buffer holds the newest bytes.
    const std::vector<uint8_t> kept = split.Stored();
    FUZZ_CHECK(kept.size() <= all.size());
    FUZZ_CHECK(std::equal(kept.begin(), kept.end(), all.end() - static_cast<long>(kept.size())));
}

// The state a batch may find the program in, taken from the end of the input.
struct StartState {
    explicit StartState(FuzzedDataProvider& fdp)
        : smallBuffer(fdp.ConsumeBool()),
          running(fdp.ConsumeBool()),
          rireki(fdp.ConsumeBool()),
          probe(fdp.ConsumeBool()),
          startTry(fdp.ConsumeIntegralInRange<int16_t>(0, Decoder::kMaxStartTries)),
          line(fdp.ConsumeIntegral<uint8_t>()),
          timeStamp(fdp.ConsumeIntegralInRange<int16_t>(0, 1)),
          idleMode(fdp.PickValueInArray<int16_t>({0, 1, 10, 100})),
          lineState(fdp.ConsumeIntegralInRange<int16_t>(0, 1)),
          seconds(fdp.ConsumeIntegralInRange(0, 86'399)) {}

    bool smallBuffer, running, rireki, probe;
    int16_t startTry;
    uint8_t line;  // the last line state: none when bit 6 is clear
    int16_t timeStamp, idleMode, lineState;
    int seconds;  // time of day
};

// Any such state, with idle and time-stamp requests, trigger stops and auto-save switched on
// between batches.
void AnyState(const StartState& start, const std::vector<uint8_t>& stream, Draw& draw,
              uint32_t largest) {
    Link link(start.smallBuffer ? 1 : kBigBuffer);
    RunState& run = link.run;
    run.gintRun = start.running ? 1 : 0;
    run.gintRireki = start.rireki ? 1 : 0;
    run.gintStartTry = start.startTry;
    link.decoder.lintProbe = start.probe ? 1 : 0;
    link.decoder.lbyteLine = (start.line & 0x40) != 0 ? start.line & 0x7F : 0;
    link.settings.gintTimeStamp = start.timeStamp;
    link.settings.gintIdleMode = start.idleMode;
    link.settings.gintLineState = start.lineState;
    link.clock.SetTime(start.seconds / 3600, start.seconds / 60 % 60, start.seconds % 60);

    for (size_t pos = 0; pos < stream.size();) {
        const uint32_t choice = draw.Next();
        if ((choice & 0x7) == 0) {
            run.gintIdleReq = -1;
            for (int k = 0; k < 6; ++k) {
                // Mostly digits; any character now and then, as a broken count would give.
                const uint32_t c = draw.Next();
                run.gstrIdle[k] = static_cast<char>(c % 8 == 0 ? c >> 8 : '0' + c % 10);
            }
        }
        if ((choice & 0x38) == 0) {
            run.gintStampReq = -1;
            link.clock.Advance(static_cast<int>(draw.Below(3'600'000)));
        }
        if ((choice & 0x1C0) == 0) {
            run.gintStopReq = -1;
            run.glngStopPos = link.capture.glngDatLen() + static_cast<int32_t>(draw.Below(64));
        }
        if ((choice & 0xE00) == 0) {
            run.gintAutoSave = 1;
            run.gintSaveStopReq = -1;
            run.glngSaveStopPos = link.capture.glngDatLen() + static_cast<int32_t>(draw.Below(64));
        }
        const size_t n = std::min<size_t>(1 + draw.Below(largest), stream.size() - pos);
        link.Feed(stream, pos, n);
        pos += n;
        FUZZ_CHECK(link.decoder.lstrRecv.size() <= 256);
        FUZZ_CHECK(run.gintStartTry >= 0 && run.gintStartTry <= Decoder::kMaxStartTries);
        FUZZ_CHECK(link.capture.glngDatLen() >= 0 &&
                   link.capture.glngDatLen() <
                       link.capture.glngBufKeep() + link.capture.glngBufSpare());
    }
    // A buffer that never shifted starts at a record; every record in it must be whole.
    if (link.capture.glngDatLen() < link.capture.glngBufKeep()) {
        FUZZ_CHECK(WellFormed(link.Stored()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const bool anyState = fdp.ConsumeBool();
    Draw draw(fdp.ConsumeIntegral<uint32_t>());
    const uint32_t largest = fdp.ConsumeBool() ? 8 : 4096;
    const StartState start(fdp);
    const std::vector<uint8_t> stream = fdp.ConsumeRemainingBytes<uint8_t>();
    if (stream.size() > kMaxStream) {
        return 0;
    }
    if (anyState) {
        AnyState(start, stream, draw, largest);
    } else {
        SplitDoesNotMatter(stream, draw, largest);
    }
    return 0;
}
