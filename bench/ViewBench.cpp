// Monitor window benchmarks: painting a full grid and the live path. Each has a baseline in the
// same run so the results compare as ratios: filling the same image once, and the rate the
// live view must sustain: the line's 23,040 data pairs a second (115200 bit/s 8N1 carries
// 11,520 characters a second each way), to be met fifty times over.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "app/CoreState.h"
#include "base/Clock.h"
#include "view/frmMonitor.h"

namespace {

// The widgets need an application object; the capture benchmarks of this program do not, so
// it is made on first use, on the offscreen platform unless one was chosen.
QApplication& App() {
    static int argc = 1;
    static char name[] = "vexlo-bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct NullPanels final : MonitorStatus, TriggerChecks {
    void showPanelText(int, const QString&) override {}
    void TrigCheckChr(int, uint8_t) override {}
    void TrigCheckErr(int) override {}
    void TrigCheckTime() override {}
};

// A monitor window, by default of 1920 x 1080 pixels with the smallest cells.
struct Window {
    explicit Window(int16_t fontSize = 2, QSize size = {1920, 1080})
        : monitor(state.monitor(), clock, panels, panels) {
        state.settings.gintFontSize = fontSize;
        monitor.resize(size);
        monitor.show();
        QCoreApplication::processEvents();
        monitor.timResize_Timer();
        QCoreApplication::processEvents();
    }
    QApplication& app = App();  // first member: made before the window
    CoreState state;
    SystemClock clock;
    NullPanels panels;
    frmMonitor monitor;
};

// Writes over more memory than the processor's caches hold, as the tens of milliseconds between
// two live frames do (the reads, the decoding, the display server reading the window's image).
void EvictCaches() {
    static std::vector<uint8_t> other(64 << 20);
    static uint8_t round = 0;
    std::fill(other.begin(), other.end(), ++round);
    benchmark::DoNotOptimize(other.data());
}

// Data pairs in both directions, one in a hundred with a parity error.
std::vector<std::pair<uint8_t, uint8_t>> Pairs(size_t n) {
    std::mt19937 rng(7);
    std::vector<std::pair<uint8_t, uint8_t>> pairs;
    pairs.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const auto v = static_cast<uint8_t>(rng());
        const uint8_t dir = rng() % 2 ? 0x20 : 0;
        const uint8_t parity = rng() % 100 == 0 ? 0x10 : 0;
        pairs.emplace_back(static_cast<uint8_t>(0x80 | dir | parity | v >> 4),
                           static_cast<uint8_t>(0xC0 | (v & 0x0F)));
    }
    return pairs;
}

void BM_FillImage(benchmark::State& state) {
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(0xFFF0F0F0);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillImage)->Unit(benchmark::kMillisecond);

// The whole grid rendered into an image. Argument 0: a 32-bit image, which the cells are
// copied into directly; argument 1: a 24-bit one, where each cell goes through
// QPainter::drawImage and a conversion to 24 bits (an upper bound of what the direct copies
// save).
void BM_PaintFullGrid(benchmark::State& state) {
    Window w;
    std::vector<uint8_t> bytes;
    for (const auto& [a, b] : Pairs(static_cast<size_t>(w.state.grid.lintCell))) {
        bytes.insert(bytes.end(), {a, b});
    }
    w.state.capture.CopyDat(bytes.data(), static_cast<int32_t>(bytes.size()));
    w.monitor.dispRirekiAt(0);
    CellSurface& surface = w.monitor.surface();
    QImage image(surface.size(),
                 state.range(0) == 0 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB888);
    for (auto _ : state) {
        surface.render(&image);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["cells"] = w.state.grid.lintCell;
}
BENCHMARK(BM_PaintFullGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 100,000 pairs through DispMonitor with line scrolling, in batches of 1,024 pairs (2 KB, a
// typical read from the port), each followed by a pass of the event loop that paints what is
// due. Argument 0: frames as the window paces them (at most one per CellSurface::kFrameMs).
// Argument 1: a frame forced after every batch, the cost if each batch were painted.
void BM_LiveDisp(benchmark::State& state) {
    Window w;
    w.state.run.gintRun = 1;
    w.state.settings.gintScroll = 1;
    const bool frameEachBatch = state.range(0) == 1;
    const auto pairs = Pairs(100'000);
    constexpr size_t kBatch = 1024;
    for (auto _ : state) {
        for (size_t i = 0; i < pairs.size(); ++i) {
            w.monitor.live().DispMonitor(pairs[i].first, pairs[i].second);
            if (i % kBatch == kBatch - 1 || i + 1 == pairs.size()) {
                if (frameEachBatch) {
                    w.monitor.surface().flushUpdates();
                }
                QCoreApplication::processEvents();
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pairs.size() * 2));
}
BENCHMARK(BM_LiveDisp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The live path with its painting as the line paces it: the same 100,000 pairs in batches of
// 2 KB (1,024 pairs, 44.4 ms of the line's time), and the frame timer driven by the line's
// time instead of the wall clock: a frame is painted, into the offscreen platform's backing
// image, each time the line's time passes the next frame, paced as the surface paces them
// (CellSurface::frameGapMs after each).
// Arguments: the scroll step (0 page mode, 1 scroll by one line), 1 for the window of the
// live measurement on a screen (1600 x 1000 pixels, medium cells) instead of the smallest
// cells on 1920 x 1080, and 1 for frames that start with cold caches, as live frames do:
// memory larger than the caches is written over before each frame, outside the timing.
// Cold frames cost two to three times warm ones; that, not the work counted in the warm
// figures, is what a live frame costs. line_rate_x is the pairs a second over the line's
// 23,040.
void BM_LiveDispPainted(benchmark::State& state) {
    Window w = state.range(1) == 0 ? Window() : Window(1, {1600, 960});
    w.state.run.gintRun = 1;
    w.state.settings.gintScroll = static_cast<int16_t>(state.range(0));
    const auto pairs = Pairs(100'000);
    constexpr size_t kBatch = 1024;
    constexpr double kLinePairsPerSecond = 23'040;
    const bool cold = state.range(2) == 1;
    int64_t frames = 0;
    for (auto _ : state) {
        double lineMs = 0;
        double nextFrameMs = CellSurface::kFrameMs;
        for (size_t i = 0; i < pairs.size(); i += kBatch) {
            const size_t end = std::min(i + kBatch, pairs.size());
            for (size_t k = i; k < end; ++k) {
                w.monitor.live().DispMonitor(pairs[k].first, pairs[k].second);
            }
            lineMs += static_cast<double>(end - i) * 1000.0 / kLinePairsPerSecond;
            while (nextFrameMs <= lineMs) {
                if (cold) {
                    state.PauseTiming();
                    EvictCaches();
                    state.ResumeTiming();
                }
                w.monitor.surface().flushUpdates();
                nextFrameMs += w.monitor.surface().frameGapMs();
                ++frames;
            }
        }
        QCoreApplication::processEvents();
    }
    const auto total = static_cast<double>(state.iterations() * pairs.size());
    state.counters["line_rate_x"] =
        benchmark::Counter(total / kLinePairsPerSecond, benchmark::Counter::kIsRate);
    state.counters["frames"] =
        static_cast<double>(frames) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LiveDispPainted)
    ->ArgsProduct({{0, 1}, {0, 1}, {0}})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMillisecond);

// What the live path costs before it does anything: the event loop woken by a timer every
// UnixSerialPort::kReadGapMs (5 ms), the pace at which the port reads a busy line, with nothing
// done in the wake-ups. One iteration is one second of wake-ups; its CPU time (of the
// process) over its real time is the share of a core that this pace alone costs on the
// machine, the floor under the live measurement's figures.
void BM_EventLoopWakeups(benchmark::State& state) {
    App();
    const auto gapMs = static_cast<int>(state.range(0));
    int ticks = 0;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks % (1000 / gapMs) == 0) {
            loop.quit();
        } else {
            timer.start(gapMs);
        }
    });
    for (auto _ : state) {
        timer.start(gapMs);
        loop.exec();
    }
    state.counters["wakeups"] = benchmark::Counter(ticks, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EventLoopWakeups)
    ->Arg(5)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
