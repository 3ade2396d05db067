// Frame analysis of the shared 4 MB capture; its baseline is BM_CopyDat4MB (CaptureBench.cpp)
// in the same run, the conversion every opened capture goes through: the analysis should
// take at most three times as long. The stream changes direction at random, so nearly every
// byte or two is a frame of its own: the worst case for the frame list.
#include <benchmark/benchmark.h>

#include "BenchStreams.h"
#include "analysis/FrameAnalysis.h"

namespace {

void analyse(benchmark::State& state, bool modbus) {
    const auto& src = bench::StoredCapture();
    const PcapLine line{115200, 1, 0, 0, 100};
    for (auto _ : state) {
        const FrameList list =
            AnalyseFrames(src.data(), static_cast<int32_t>(src.size()), line, {0, modbus});
        benchmark::DoNotOptimize(list.frames.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_FrameAnalysis4MB(benchmark::State& state) {
    analyse(state, false);
}
BENCHMARK(BM_FrameAnalysis4MB)->Unit(benchmark::kMillisecond);

void BM_FrameAnalysisModbus4MB(benchmark::State& state) {
    analyse(state, true);
}
BENCHMARK(BM_FrameAnalysisModbus4MB)->Unit(benchmark::kMillisecond);

}  // namespace
