// Capture-path benchmarks over one realistic 4 MB stream, so results compare as ratios to
// the memcpy baseline of the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "capture/Capture.h"
#include "core/Clock.h"
#include "link/Decoder.h"

namespace {

constexpr size_t kStreamSize = 4'000'000;

// Mostly data pairs in both directions, with some line-state changes.
const std::vector<uint8_t>& Stream() {
    static const std::vector<uint8_t> stream = [] {
        std::mt19937 rng(42);
        std::vector<uint8_t> s;
        s.reserve(kStreamSize);
        while (s.size() + 2 <= kStreamSize) {
            if (rng() % 200 == 0) {
                s.push_back(static_cast<uint8_t>(0x40 | (rng() & 0x3F)));
                continue;
            }
            const uint8_t v = static_cast<uint8_t>(rng());
            const uint8_t dir = (rng() % 2) ? 0x20 : 0;
            s.push_back(static_cast<uint8_t>(0x80 | dir | v >> 4));
            s.push_back(static_cast<uint8_t>(0xC0 | (v & 0x0F)));
        }
        s.resize(kStreamSize, 0x40);
        return s;
    }();
    return stream;
}

// The stored form of the stream, with idle and time-stamp records mixed in.
const std::vector<uint8_t>& StoredCapture() {
    static const std::vector<uint8_t> stored = [] {
        std::vector<uint8_t> out;
        out.reserve(kStreamSize + 4096);
        const auto& s = Stream();
        for (size_t i = 0; i < s.size(); ++i) {
            if (i % 4096 == 0) {
                out.insert(out.end(), {0x20, 0, 1, 23, 0x30, 12, 34, 56});
            }
            out.push_back(s[i]);
            if ((s[i] & 0xC0) == 0x40) {
                out.push_back(0x30);
            }
        }
        out.resize(kStreamSize);
        return out;
    }();
    return stored;
}

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
    const auto& src = Stream();
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
    const auto& src = Stream();
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
        state.PauseTiming();
        capture.ClearDat();
        state.ResumeTiming();
        for (size_t pos = 0; pos < src.size(); pos += kBatch) {
            decoder.OnReceive(src.data() + pos, std::min(kBatch, src.size() - pos));
        }
        benchmark::DoNotOptimize(capture.glngDatLen());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_Decode4MB)->Unit(benchmark::kMillisecond);

void BM_CopyDat4MB(benchmark::State& state) {
    const auto& src = StoredCapture();
    RunState run;
    Capture capture(run);
    capture.AllocBuffer(4000);
    for (auto _ : state) {
        capture.CopyDat(src.data(), static_cast<int32_t>(src.size()));
        benchmark::DoNotOptimize(capture.glngDispLen());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_CopyDat4MB)->Unit(benchmark::kMillisecond);

}  // namespace
