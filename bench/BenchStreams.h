#pragma once
// The 4 MB streams that the benchmarks share, so their results compare as ratios.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "capture/Capture.h"

namespace bench {

inline constexpr size_t kStreamSize = 4'000'000;

// Mostly data pairs in both directions, with some line-state changes.
inline const std::vector<uint8_t>& Stream() {
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
inline const std::vector<uint8_t>& StoredCapture() {
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

// CopyDat of src into one capture's display words, the baseline of the 4 MB benchmarks.
inline void CopyDatOf(benchmark::State& state, const std::vector<uint8_t>& src) {
    RunState run;
    Capture capture(run);
    capture.AllocBuffer(4000);
    for (auto _ : state) {
        capture.CopyDat(src.data(), static_cast<int32_t>(src.size()));
        benchmark::DoNotOptimize(capture.glngDispLen());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

}  // namespace bench
