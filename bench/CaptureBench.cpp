// Capture-path benchmarks over one realistic 4 MB stream, so results compare as ratios to
// the memcpy baseline of the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchStreams.h"
#include "analysis/FrameIndex.h"
#include "base/Clock.h"
#include "capture/Capture.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "link/Decoder.h"
#include "trigger/TriggerEngine.h"

namespace {

struct NullHooks : DecoderObserver, TriggerChecks, CommandSink {
    void TrigCheckChr(int, uint8_t) override {}
    void TrigCheckErr(int) override {}
    void TrigCheckTime() override {}
    void queueCommand(const std::string&) override {}
    void enableSend() override {}
};

// The stream as the serial port hands it on: batches of 4 kB.
void feedInBatches(Decoder& decoder, const std::vector<uint8_t>& src) {
    constexpr size_t kBatch = 4096;
    for (size_t pos = 0; pos < src.size(); pos += kBatch) {
        decoder.onReceive(src.data() + pos, std::min(kBatch, src.size() - pos));
    }
}

void BM_Memcpy4MB(benchmark::State& state) {
    const auto& src = bench::Stream();
    std::vector<uint8_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_Memcpy4MB)->Unit(benchmark::kMillisecond);

void BM_Decode4MB(benchmark::State& state) {
    const auto& src = bench::Stream();
    RunState run;
    Settings settings;
    Capture capture(run);
    capture.AllocBuffer(4000);
    NullHooks hooks;
    SystemClock clock;
    Decoder decoder(run, capture, settings, DecoderObservers{&hooks}, hooks, clock);
    run.gintRun = 1;
    run.gintRireki = 1;
    for (auto _ : state) {
        state.PauseTiming();
        capture.ClearDat();
        state.ResumeTiming();
        feedInBatches(decoder, src);
        benchmark::DoNotOptimize(capture.glngDatLen());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_Decode4MB)->Unit(benchmark::kMillisecond);

// The live frame list's part of the receive path: after each batch the records it stored are
// framed in place in the buffer (as the frame list does while it is shown).
struct LiveFraming final : DecoderObserver {
    explicit LiveFraming(const Capture& c) : capture(c) {}
    void batchDone() override {
        index.feed({capture.gbyteDat().data(), static_cast<size_t>(capture.glngDatLen())},
                   capture.droppedBytes());
    }
    const Capture& capture;
    FrameIndex index;
};

// BM_Decode4MB with live framing by protocol 0 idle, 1 modbus-rtu, 2 lines, the line at
// 115200 bit/s 8N1 with both directions at full rate (the stream's bytes change direction
// at random, so the idle split makes a frame of every one or two bytes).
void BM_DecodeFramed4MB(benchmark::State& state) {
    static const char* const kProtocols[] = {"idle", "modbus-rtu", "lines"};
    const auto& src = bench::Stream();
    RunState run;
    Settings settings;
    settings.glngSpeed = 115200;
    settings.gintDataLen = 1;
    Capture capture(run);
    capture.AllocBuffer(4000);
    NullHooks hooks;
    LiveFraming framing(capture);
    SystemClock clock;
    Decoder decoder(run, capture, settings, DecoderObservers{&hooks, &framing}, hooks, clock);
    run.gintRun = 1;
    run.gintRireki = 1;
    const FrameOptions options = frameOptionsNamed(kProtocols[state.range(0)], {});
    size_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        capture.ClearDat();
        framing.index.reset(lineTimingOf(headerOf(settings)), options);
        state.ResumeTiming();
        feedInBatches(decoder, src);
        frames = framing.index.frames().size();
        benchmark::DoNotOptimize(frames);
    }
    state.SetLabel(std::string(kProtocols[state.range(0)]) + ", " + std::to_string(frames) +
                   " frames");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_DecodeFramed4MB)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The live view's part of the trigger path: each pair goes to the string or error triggers.
struct TriggerFeed final : DecoderObserver {
    explicit TriggerFeed(TriggerChecks& t) : triggers(t) {}
    void DispMonitor(uint8_t first, uint8_t second) override {
        if ((second & 0x10) != 0 || (first & 0x10) != 0) {
            triggers.TrigCheckErr((second & 0x10) != 0 ? 2 : 1);
        } else {
            triggers.TrigCheckChr(first & 0x20,
                                  static_cast<uint8_t>((first & 0x0F) << 4 | (second & 0x0F)));
        }
    }
    TriggerChecks& triggers;
};

// Decodes the stream live with every pair fed to triggers: null checks (the baseline) or the
// engine with five string triggers of eight codes, which count when they fire.
void decodeWithTriggers(benchmark::State& state, bool engineOn) {
    const auto& src = bench::Stream();
    RunState run;
    Settings settings;
    Capture capture(run);
    capture.AllocBuffer(4000);
    NullHooks hooks;
    SystemClock clock;
    Triggers triggers;
    triggers.gintTrigType.fill(1);
    triggers.gstrChrLen.fill(std::to_string(8));
    triggers.gintAction.fill(3);
    for (int n = 0; n < Triggers::kCount; ++n) {
        for (int j = 0; j < 8; ++j) {
            triggers.gbyteChrCode[n][j] = static_cast<uint8_t>(0x30 + n + j);
        }
    }
    TriggerEngine engine(triggers, run, capture, clock);
    TriggerFeed feed(engineOn ? static_cast<TriggerChecks&>(engine) : hooks);
    Decoder decoder(run, capture, settings, DecoderObservers{&feed}, hooks, clock);
    run.gintRun = 1;
    for (auto _ : state) {
        state.PauseTiming();
        capture.ClearDat();
        state.ResumeTiming();
        feedInBatches(decoder, src);
        benchmark::DoNotOptimize(triggers.glngTrigCount.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_DecodeLiveNullTriggers4MB(benchmark::State& state) {
    decodeWithTriggers(state, false);
}
BENCHMARK(BM_DecodeLiveNullTriggers4MB)->Unit(benchmark::kMillisecond);

void BM_DecodeLiveStringTriggers4MB(benchmark::State& state) {
    decodeWithTriggers(state, true);
}
BENCHMARK(BM_DecodeLiveStringTriggers4MB)->Unit(benchmark::kMillisecond);

void BM_CopyDat4MB(benchmark::State& state) {
    bench::CopyDatOf(state, bench::StoredCapture());
}
BENCHMARK(BM_CopyDat4MB)->Unit(benchmark::kMillisecond);

}  // namespace
