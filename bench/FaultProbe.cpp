// vexlo-fault-probe: how fast the real main window (offscreen unless a platform is chosen)
// reacts to a unit that misbehaves, on a program folder whose ports/COM5 is a running
// vexlo-unit. It prints what it measured as key=value lines; bench/measure-live.sh drives it
// and prints each figure next to the bound it should stay within.
//
//   vexlo-fault-probe --home DIR --measure loss --unit-pid PID
//       a run of the flood; once 20000 bytes are stored the unit is killed (SIGKILL):
//       loss_close_ms     from the kill to the port closed
//       loss_cpu_ms_1s    CPU time of the program in the second after that
//   vexlo-fault-probe --home DIR --measure mute
//       a unit that answers nothing, on the fixed port 5:
//       probe_timeout_ms  one PortOpen, ended by the probe's time-out
//       closing_wait_ms   a RunStart whose probe is ended by closing the window 100 ms in
//   vexlo-fault-probe --home DIR --measure search
//       automatic search from port 3, ports 1..4 naming devices that are gone, the unit on 5:
//       search_ms         the PortOpen that finds it (found=1)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AppContext.h"
#include "app/MDIMonitor.h"
#include "base/Status.h"
#include "link/QtPortFactory.h"
#include "link/frmComm.h"
#include "support/RunUntil.h"
#include "support/ScriptedPrompts.h"

namespace {

// User and system CPU time of the process so far, in milliseconds.
double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

int MeasureLoss(MDIMonitor& window, AppContext& ctx, pid_t unit) {
    if (window.RunStart() != status::kDone ||
        !RunUntil([&] { return ctx.core.run.gintRun == 1; }, 5000) ||
        !RunUntil([&] { return ctx.core.capture.glngDatLen() > 20000; }, 5000)) {
        std::puts("started=0");
        return 1;
    }
    const CommLink& comm = window.link().comm();
    QElapsedTimer sinceKill;
    sinceKill.start();
    ::kill(unit, SIGKILL);
    if (!RunUntil([&] { return !comm.isOpen(); }, 5000)) {
        std::puts("closed=0");
        return 1;
    }
    std::printf("loss_close_ms=%lld\n", static_cast<long long>(sinceKill.elapsed()));
    const double cpuBefore = CpuMs();
    RunFor(1000);
    std::printf("loss_cpu_ms_1s=%.2f\n", CpuMs() - cpuBefore);
    window.RunStop();
    return 0;
}

int MeasureMute(MDIMonitor& window) {
    CommLink& comm = window.link().comm();
    QElapsedTimer elapsed;
    elapsed.start();
    comm.PortClose();
    const int16_t opened = comm.PortOpen();
    std::printf("probe_timeout_ms=%lld\n", static_cast<long long>(elapsed.elapsed()));
    QTimer::singleShot(100, &window, [&window] { window.close(); });
    elapsed.restart();
    const int16_t started = window.RunStart();
    std::printf("closing_wait_ms=%lld\n", static_cast<long long>(elapsed.elapsed()));
    RunUntil([&] { return window.shutdownDone(); }, 5000);
    return opened == status::kFailed && started == status::kFailed ? 0 : 1;
}

int MeasureSearch(MDIMonitor& window) {
    CommLink& comm = window.link().comm();
    comm.PortClose();
    QElapsedTimer elapsed;
    elapsed.start();
    const int16_t opened = comm.PortOpen();
    std::printf("search_ms=%lld\n", static_cast<long long>(elapsed.elapsed()));
    std::printf("found=%d\n", opened == status::kDone ? 1 : 0);
    return opened == status::kDone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string home;
    std::string measure;
    pid_t unit = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--home") {
            home = argv[i + 1];
        } else if (name == "--measure") {
            measure = argv[i + 1];
        } else if (name == "--unit-pid") {
            unit = static_cast<pid_t>(std::atol(argv[i + 1]));
        }
    }
    if (home.empty() || (measure != "loss" && measure != "mute" && measure != "search") ||
        (measure == "loss" && unit <= 0)) {
        std::fputs(
            "usage: vexlo-fault-probe --home DIR --measure loss|mute|search "
            "[--unit-pid PID]\n",
            stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    SystemClock clock;
    ScriptedPrompts prompts;  // every question answered Yes or OK
    QtPortFactory ports;
    AppContext ctx(clock, prompts, ports, home);
    MDIMonitor window(ctx);
    window.show();

    int result = 0;
    if (measure == "loss") {
        result = MeasureLoss(window, ctx, unit);
    } else if (measure == "mute") {
        result = MeasureMute(window);
    } else {
        result = MeasureSearch(window);
    }
    if (!window.shutdownDone()) {
        window.shutdownNow();
    }
    return result;
}
