// The virtual unit's line receiver over 100,000 events of the flood scenario (full line rate
// both ways), against the pass-through of the same events at equal settings as the baseline.
#include <benchmark/benchmark.h>

#include <vector>

#include "LineReceiver.h"
#include "Scenario.h"

namespace {

constexpr size_t kEvents = 100'000;

LineSettings lineAt(uint32_t speed) {
    LineSettings line;
    line.speed = speed;
    return line;
}

// truth and receiver speeds: equal (the baseline), 1.5 times, half, and 768 true characters
// in one of the receiver's.
void BM_LineReceiver(benchmark::State& state) {
    const LineSettings truth = lineAt(static_cast<uint32_t>(state.range(0)));
    const LineSettings receiver = lineAt(static_cast<uint32_t>(state.range(1)));
    std::vector<StreamEvent> events;
    const auto flood = Scenario::create("flood", truth, 1);
    for (size_t i = 0; i < kEvents; ++i) {
        events.push_back(flood->next());
    }
    std::vector<StreamEvent> out;
    for (auto _ : state) {
        LineReceiver decoder(truth, receiver);
        for (const StreamEvent& e : events) {
            decoder.push(e, out);
            out.clear();
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kEvents));
}
BENCHMARK(BM_LineReceiver)
    ->Args({9600, 9600})
    ->Args({9600, 14400})
    ->Args({19200, 9600})
    ->Args({115200, 150})
    ->Unit(benchmark::kMillisecond);

}  // namespace
