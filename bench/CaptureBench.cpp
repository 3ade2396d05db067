// Capture-path benchmarks over one realistic 4 MB stream, so results compare as ratios to
// the memcpy baseline of the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchStreams.h"
#include "capture/Capture.h"
#include "core/Clock.h"
#include "link/Decoder.h"

namespace {

struct NullHooks : LiveView,
                   RunControl,
                   LineIndicators,
                   LineTriggers,
                   IdleTimers,
                   CommandSink,
                   Prompts {
    void DispMonitor(uint8_t, uint8_t) override {}
    void DispTimeStamp(const std::string&) override {}
    void RunStop() override {}
    void MenuEnable() override {}
    void AutoSaveFlush() override {}
    void SetLineLamp(int, bool) override {}
    void TrigCheckLine(int, int) override {}
    void SetIdleTimer(bool) override {}
    void SetStampTimer(bool) override {}
    void QueueCommand(const std::string&) override {}
    void EnableSend() override {}
    Answer Message(const std::string&, const std::string&, Icon, Buttons) override {
        return Answer::Ok;
    }
    std::optional<std::string> OpenFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return {};
    }
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return {};
    }
    std::optional<int32_t> ChooseColor(int32_t) override { return {}; }
};

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
    Decoder decoder(run, capture, settings,
                    DecoderHooks{hooks, hooks, hooks, hooks, hooks, hooks, hooks, clock});
    run.gintRun = 1;
    run.gintRireki = 1;
    constexpr size_t kBatch = 4096;
    for (auto _ : state) {
        capture.glngDatLen = 0;
        for (size_t pos = 0; pos < src.size(); pos += kBatch) {
            decoder.OnReceive(src.data() + pos, std::min(kBatch, src.size() - pos));
        }
        benchmark::DoNotOptimize(capture.glngDatLen);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_Decode4MB)->Unit(benchmark::kMillisecond);

void BM_CopyDat4MB(benchmark::State& state) {
    const auto& src = bench::StoredCapture();
    RunState run;
    Capture capture(run);
    capture.AllocBuffer(4000);
    GridState grid;
    for (auto _ : state) {
        capture.CopyDat(src.data(), static_cast<int32_t>(src.size()), grid, false);
        benchmark::DoNotOptimize(capture.glngDispLen);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_CopyDat4MB)->Unit(benchmark::kMillisecond);

}  // namespace
