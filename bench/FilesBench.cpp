// Text export against a plain hex dump of the same 4 MB capture into the same sink: the
// export's word texts, fillers and line pairs should cost a small factor of the dump.
#include <benchmark/benchmark.h>

#include <array>

#include "BenchStreams.h"
#include "capture/Capture.h"
#include "files/TextExport.h"

namespace {

// A sink that only counts, so both benchmarks measure the text making.
TextOut::Sink countingSink(size_t& total) {
    return [&total](std::string_view piece) {
        total += piece.size();
        return true;
    };
}

void BM_HexDump4MB(benchmark::State& state) {
    const auto& src = bench::StoredCapture();
    std::array<char[2], 256> hex{};
    for (int b = 0; b < 256; ++b) {
        hex[b][0] = "0123456789ABCDEF"[b >> 4];
        hex[b][1] = "0123456789ABCDEF"[b & 15];
    }
    size_t total = 0;
    for (auto _ : state) {
        TextOut out(countingSink(total));
        for (size_t i = 0; i < src.size(); i += 50) {
            const size_t end = std::min(src.size(), i + 50);
            char line[100];
            size_t n = 0;
            for (size_t j = i; j < end; ++j) {
                line[n++] = hex[src[j]][0];
                line[n++] = hex[src[j]][1];
            }
            out.line(std::string_view(line, n));
        }
        out.flush();
    }
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_HexDump4MB)->Unit(benchmark::kMillisecond);

void BM_TextExport4MB(benchmark::State& state) {
    const auto& src = bench::StoredCapture();
    RunState run;
    Capture capture(run);
    capture.CopyDat(src.data(), static_cast<int32_t>(src.size()));
    const ChrTable chr = MakeChrTable();
    const TextSource words{capture.gintDispDat().data(), capture.glngDispLen(), 1, 0, &chr};
    size_t total = 0;
    for (auto _ : state) {
        TextOut out(countingSink(total));
        writeTextFixed(words, 50, out);
        out.flush();
    }
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_TextExport4MB)->Unit(benchmark::kMillisecond);

}  // namespace
