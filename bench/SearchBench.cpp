// String search over the display words of a 4 MB capture (about 2M words), against memmem of
// the same four bytes over the raw 4 MB in the same run. The pattern is absent, so every
// search walks all the words.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "capture/Capture.h"
#include "search/StringSearch.h"
#include "search/TimeSearch.h"

namespace {

constexpr size_t kCaptureSize = 4'000'000;
const std::vector<int16_t> kPattern{0x41, 0x42, 0x43, 0x44};

// Stored records: data pairs of random bytes in both directions, a line-state change now
// and then, an idle record and a time stamp every 4 KB.
const std::vector<uint8_t>& Stored() {
    static const std::vector<uint8_t> stored = [] {
        std::mt19937 rng(17);
        std::vector<uint8_t> s;
        s.reserve(kCaptureSize + 8);
        while (s.size() < kCaptureSize) {
            if (s.size() % 4096 < 2) {
                s.insert(s.end(), {0x20, 0, 1, 23, 0x30, 12, 34, 56});
            } else if (rng() % 200 == 0) {
                s.insert(s.end(), {static_cast<uint8_t>(0x40 | (rng() & 0x3F)), 0x30});
            } else {
                const auto v = static_cast<uint8_t>(rng());
                const uint8_t dir = (rng() % 2) != 0 ? 0x20 : 0;
                s.insert(s.end(), {static_cast<uint8_t>(0x80 | dir | v >> 4),
                                   static_cast<uint8_t>(0xC0 | (v & 0x0F))});
            }
        }
        s.resize(kCaptureSize);
        return s;
    }();
    return stored;
}

const Capture& Converted() {
    static RunState run;
    static const Capture capture = [] {
        Capture c(run);
        c.CopyDat(Stored().data(), static_cast<int32_t>(Stored().size()));
        return c;
    }();
    return capture;
}

void BM_MemmemBaseline(benchmark::State& state) {
    const std::vector<uint8_t>& raw = Stored();
    const uint8_t needle[] = {0x41, 0x42, 0x43, 0x44};
    for (auto _ : state) {
        const void* hit = memmem(raw.data(), raw.size(), needle, sizeof needle);
        benchmark::DoNotOptimize(hit);
        if (hit != nullptr) {
            state.SkipWithError("pattern present in the raw bytes");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * raw.size()));
}
BENCHMARK(BM_MemmemBaseline)->Unit(benchmark::kMicrosecond);

template <bool kDown>
void SearchAll(benchmark::State& state) {
    const std::span<const int16_t> words = dispWords(Converted());
    SearchString s;
    s.gintSearchDat = kPattern;
    s.gintSearchType = SearchString::kHex;
    std::vector<int32_t> pos;
    int16_t type = 0;
    for (auto _ : state) {
        const int16_t found =
            kDown ? SearchDownMoji(words, s, 0, type, pos)
                  : SearchUpMoji(words, s, static_cast<int32_t>(words.size()), type, pos);
        benchmark::DoNotOptimize(found);
        if (found != 0) {
            state.SkipWithError("pattern present in the words");
        }
    }
    state.counters["words"] = static_cast<double>(words.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Stored().size()));
}

void BM_SearchDown2M(benchmark::State& state) {
    SearchAll<true>(state);
}
BENCHMARK(BM_SearchDown2M)->Unit(benchmark::kMicrosecond);

void BM_SearchUp2M(benchmark::State& state) {
    SearchAll<false>(state);
}
BENCHMARK(BM_SearchUp2M)->Unit(benchmark::kMicrosecond);

// Time search past every stamp (about 1000): all are earlier than 23:59:59.
void BM_SearchTime2M(benchmark::State& state) {
    const std::span<const int16_t> words = dispWords(Converted());
    int32_t pos = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SearchTime(words, "235959", pos));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Stored().size()));
}
BENCHMARK(BM_SearchTime2M)->Unit(benchmark::kMicrosecond);

}  // namespace
