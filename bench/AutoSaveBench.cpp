// How long the byte that fills a 4 MB auto-save block holds the receive path: the block file
// (header, 4 MB, flushed to the disk, renamed), LTime.txt and the rotation, against the floor
// of any durable write of the same bytes (write, fsync, close) and a memcpy of them. Files go
// to a folder under the current folder, so run it where the data folder would be (not on a
// tmpfs, which has no disk to wait for).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "BenchStreams.h"
#include "base/Clock.h"
#include "capture/Capture.h"
#include "files/AutoSave.h"

namespace {

// A folder of its own under the current folder, removed at the end.
struct BenchFolder {
    BenchFolder() { std::filesystem::create_directories(path); }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path = std::filesystem::current_path() / "vexlo-autosave-bench";
};

void BM_Memcpy4MB(benchmark::State& state) {
    const auto& src = bench::Stream();
    std::vector<uint8_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_Memcpy4MB)->Unit(benchmark::kMillisecond);

void BM_DurableWrite4MB(benchmark::State& state) {
    const auto& src = bench::Stream();
    const BenchFolder folder;
    const std::string name = (folder.path / "plain.bin").string();
    for (auto _ : state) {
        FILE* f = std::fopen(name.c_str(), "wb");
        std::fwrite(src.data(), 1, src.size(), f);
        std::fflush(f);
        fsync(fileno(f));
        std::fclose(f);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_DurableWrite4MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The StoreByte call that fills the block, with three files kept and the names taken from
// LTime.txt: everything the receive path waits for.
void BM_AutoSaveBlock4MB(benchmark::State& state) {
    const auto& src = bench::Stream();
    const BenchFolder folder;
    const SystemClock clock;
    Settings settings;
    settings.gstrSaveDir = folder.path.string();
    settings.gintMaxFiles = 3;
    settings.gintFileDate = 0;
    RunState run;
    run.gintAutoSave = 1;
    Capture capture(run);
    capture.AllocBuffer(static_cast<int32_t>(bench::kStreamSize / 1000));
    AutoSave autoSave(settings, run, capture, clock, folder.path.string());
    capture.setAutoSaveSink(&autoSave);
    double worstMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A block one byte short of full: the next byte stored writes it.
        const int32_t last = capture.glngBufKeep() - 1;
        run.gintAutoSave = 0;
        for (int32_t i = 0; i < last; ++i) {
            capture.StoreByte(src[static_cast<size_t>(i)]);
        }
        capture.copyHistoryToAutoSave(last);
        run.gintAutoSave = 1;
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        capture.StoreByte(src[static_cast<size_t>(last)]);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        worstMs = std::max(worstMs, took.count());
    }
    state.counters["worst_ms"] = worstMs;
    if (autoSave.failing()) {
        state.SkipWithError("the block files could not be written");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_AutoSaveBlock4MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
