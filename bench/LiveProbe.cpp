// vexlo-live-probe: the real main window, shown (offscreen unless a platform is chosen), on a
// program folder whose ports/COM<n> is a running vexlo-unit. It starts a run, lets it go on,
// stops it and prints what it measured as key=value lines. bench/measure-live.sh drives it.
//
//   vexlo-live-probe --home DIR --seconds T [--record FILE] [--stall-timer] [--t0-ns N]
//
// --seconds T   how long the run goes on after the unit accepted the start; then the probe
//               waits until nothing has arrived for 300 ms and stops the run
// --record FILE the unit's --record file: compared byte for byte with the capture, which
//               holds its end when the run was longer than the buffer (equal=1, shifted=1)
// --stall-timer a 1 ms timer measures the longest stall of the event loop and the longest
//               time without a new byte in the capture (it costs CPU time of its own)
// --t0-ns N     CLOCK_REALTIME in ns just before the probe was started, for the start-up time
// --block-file FILE  the auto-save block of the capture is on, and every block it hands over
//               (and the open one at the end) is appended to FILE, so that a run far longer
//               than the buffer can be compared whole with the unit's record (bench/soak.sh)
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "app/MDIMonitor.h"
#include "link/QtPortFactory.h"
#include "link/frmComm.h"
#include "support/RunUntil.h"
#include "support/ScriptedPrompts.h"
#include "view/CellSurface.h"
#include "view/frmMonitor.h"

namespace {

struct Args {
    std::string home;
    std::string record;
    double seconds = 5;
    bool stallTimer = false;
    long long t0Ns = 0;
    std::string blockFile;
};

bool Parse(int argc, char** argv, Args& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--stall-timer") {
            args.stallTimer = true;
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        if (name == "--home") {
            args.home = value;
        } else if (name == "--record") {
            args.record = value;
        } else if (name == "--seconds") {
            args.seconds = std::atof(value);
        } else if (name == "--t0-ns") {
            args.t0Ns = std::atoll(value);
        } else if (name == "--block-file") {
            args.blockFile = value;
        } else {
            return false;
        }
    }
    return !args.home.empty() && args.seconds > 0;
}

long long RealtimeNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<long long>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// User and system CPU time of the process so far, in milliseconds.
double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Notes the first paint of any widget of the main window after it was shown.
class FirstPaint final : public QObject {
  public:
    explicit FirstPaint(QWidget& window) : window_(window) {}
    long long ns = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (ns == 0 && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &window_) {
            ns = RealtimeNs();
        }
        return false;
    }

  private:
    QWidget& window_;
};

// While the stall timer runs: the longest interval between two of its 1 ms ticks, and the
// longest time between two changes of the capture length while the stream flows.
struct StallProbe {
    QTimer tick;
    QElapsedTimer sinceTick;
    QElapsedTimer sinceGrowth;
    int32_t lastLen = -1;
    double maxTickNs = 0;
    double maxGrowthGapNs = 0;

    void Start(const Capture& capture) {
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [this, &capture] {
            maxTickNs = std::max(maxTickNs, static_cast<double>(sinceTick.nsecsElapsed()));
            sinceTick.start();
            if (capture.glngDatLen() != lastLen) {
                if (lastLen >= 0) {
                    maxGrowthGapNs =
                        std::max(maxGrowthGapNs, static_cast<double>(sinceGrowth.nsecsElapsed()));
                }
                lastLen = capture.glngDatLen();
                sinceGrowth.start();
            }
        });
        sinceTick.start();
        tick.start(1);
    }
};

// Stands in for the auto-save writer: appends each block the capture hands over to one file.
class BlockFile final : public AutoSaveSink {
  public:
    BlockFile(Capture& capture, const std::string& path)
        : capture_(capture), file_(std::fopen(path.c_str(), "wb")) {
        capture_.setAutoSaveSink(this);
    }
    ~BlockFile() override {
        capture_.setAutoSaveSink(nullptr);
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    BlockFile(const BlockFile&) = delete;
    BlockFile& operator=(const BlockFile&) = delete;

    void AutoSaveBlock() override {
        const auto n = static_cast<size_t>(capture_.glngAutoLen());
        ok_ = ok_ && file_ != nullptr &&
              std::fwrite(capture_.gbyteAutoDat().data(), 1, n, file_) == n;
        bytes_ += static_cast<long long>(n);
        ++blocks_;
        capture_.emptyAutoBlock();
    }
    // Writes the open block and flushes the file.
    void close() {
        AutoSaveBlock();
        ok_ = ok_ && std::fflush(file_) == 0;
    }
    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] long long Bytes() const { return bytes_; }
    [[nodiscard]] long Blocks() const { return blocks_; }

  private:
    Capture& capture_;
    std::FILE* file_;
    bool ok_ = true;
    long long bytes_ = 0;
    long blocks_ = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    Args args;
    if (!Parse(argc, argv, args)) {
        std::fputs(
            "usage: vexlo-live-probe --home DIR --seconds T [--record FILE] [--stall-timer] "
            "[--t0-ns N] [--block-file FILE]\n",
            stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vexlo");
    // The same fonts as the application.
    QFont::insertSubstitution("ＭＳ ゴシック", "IPAGothic");
    QFont uiFont("IPAGothic");
    uiFont.setPointSize(10);
    QApplication::setFont(uiFont);

    SystemClock clock;
    ScriptedPrompts prompts;
    QtPortFactory ports;
    AppContext ctx(clock, prompts, ports, args.home);
    MDIMonitor window(ctx);
    FirstPaint firstPaint(window);
    app.installEventFilter(&firstPaint);
    window.show();
    RunUntil([&] { return firstPaint.ns != 0; }, 5000);
    app.removeEventFilter(&firstPaint);
    if (args.t0Ns > 0 && firstPaint.ns != 0) {
        std::printf("startup_ms=%.1f\n", static_cast<double>(firstPaint.ns - args.t0Ns) / 1e6);
    }

    Capture& capture = ctx.core.capture;
    std::optional<BlockFile> blocks;
    if (!args.blockFile.empty()) {
        blocks.emplace(capture, args.blockFile);
        ctx.core.run.gintAutoSave = 1;
    }
    if (window.RunStart() != 0 || !RunUntil([&] { return ctx.core.run.gintRun == 1; }, 5000)) {
        std::puts("started=0");
        return 1;
    }
    std::puts("started=1");
    const GridState& grid = ctx.core.grid;
    std::printf("platform=%s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("monitor_px=%dx%d\n", window.monitor().width(), window.monitor().height());
    std::printf("cells=%dx%d\n", grid.lintCol, grid.lintRow);
    std::printf("scroll_step=%d\n", ctx.core.settings.gintScroll);
    StallProbe stalls;
    if (args.stallTimer) {
        stalls.Start(capture);
    }
    const double cpuAtStart = CpuMs();
    QElapsedTimer run;
    run.start();
    // The time of the last growth of the capture, seen at each frame of the monitor while the
    // run is measured, and by a 50 ms poll after it.
    qint64 lastGrowthMs = 0;
    int32_t seenLen = capture.glngDatLen();
    const auto seeGrowth = [&] {
        if (capture.glngDatLen() != seenLen) {
            seenLen = capture.glngDatLen();
            lastGrowthMs = run.elapsed();
        }
    };
    QObject::connect(&window.monitor().surface(), &CellSurface::frameDue, seeGrowth);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, seeGrowth);
    const auto runMs = static_cast<qint64>(args.seconds * 1000);
    // The run measured is the program's own event loop: no tick of the probe's wakes it.
    RunFor(static_cast<int>(runMs));
    const double cpuRun = CpuMs() - cpuAtStart;
    const qint64 wallRun = run.elapsed();
    poll.start(50);
    RunUntil([&] { return run.elapsed() - lastGrowthMs >= 300; }, 600'000);
    poll.stop();
    stalls.tick.stop();
    if (blocks) {
        blocks->close();
        ctx.core.run.gintAutoSave = 0;
    }

    window.RunStop();
    const CommLink& comm = window.link().comm();
    RunUntil([&] { return comm.lstCommand.empty() && ctx.core.run.gintSending == 0; }, 3000);

    std::printf("run_wall_ms=%lld\n", static_cast<long long>(wallRun));
    std::printf("run_cpu_ms=%.1f\n", cpuRun);
    std::printf("run_cpu_percent=%.2f\n", 100.0 * cpuRun / static_cast<double>(wallRun));
    std::printf("stream_end_ms=%lld\n", static_cast<long long>(lastGrowthMs));
    std::printf("bytes_stored=%d\n", capture.glngDatLen());
    std::printf("buffer_keep=%d\n", capture.glngBufKeep());
    if (blocks) {
        std::printf("blocks_written=%ld\n", blocks->Blocks());
        std::printf("block_bytes=%lld\n", blocks->Bytes());
        std::printf("blocks_ok=%d\n", blocks->ok() ? 1 : 0);
    }
    if (!args.record.empty()) {
        const std::string sent = ReadFile(args.record);
        const auto stored = static_cast<size_t>(capture.glngDatLen());
        const bool equal =
            sent.size() >= stored && std::memcmp(sent.data() + (sent.size() - stored),
                                                 capture.gbyteDat().data(), stored) == 0;
        std::printf("bytes_recorded=%zu\n", sent.size());
        std::printf("equal=%d\n", equal ? 1 : 0);
        std::printf("shifted=%d\n", sent.size() > stored ? 1 : 0);
    }
    if (args.stallTimer) {
        std::printf("max_loop_stall_ms=%.2f\n", stalls.maxTickNs / 1e6);
        std::printf("max_capture_gap_ms=%.2f\n", stalls.maxGrowthGapNs / 1e6);
    }
    std::printf("prompts=%zu\n", prompts.asked.size());
    for (const ScriptedPrompts::Asked& a : prompts.asked) {
        std::printf("prompt=%s\n", a.text.c_str());
    }
    std::printf("peak_rss_kb=%ld\n", PeakRssKb());
    window.shutdownNow();
    return 0;
}
