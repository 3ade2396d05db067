#include "HeadlessRun.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "Cli.h"
#include "link/GapTimers.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void onSignalCaught(int sig) {
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

}  // namespace

void CatchSignals() {
    if (::pipe(gSignalPipe) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignalCaught;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }
}

HeadlessRun::HeadlessRun(const Settings& settings, std::string programFolder)
    : programFolder_(std::move(programFolder)),
      controller_(core_.run, clock_, *this, RunController::AfterStop::Keep),
      link_(
          LinkState{core_.settings, core_.run, core_.capture}, clock_, ports_, programFolder_,
          *this, [] {}, DecoderObservers{&controller_, this}),
      signals_(gSignalPipe[0], QSocketNotifier::Read),
      gapTimers_(core_.run, [this] { gap::raiseIdleRequest(core_.settings, core_.run, clock_); }) {
    controller_.attach(link_.comm());
    core_.settings = settings;
    core_.capture.AllocBuffer(settings.glngBufSize);
    core_.capture.setAutoSaveSink(this);
    pending_.reserve(static_cast<size_t>(core_.capture.glngBufKeep()) * 2);
    gapTimers_.applyIdleScale(core_.settings.gintIdleMode);
    QObject::connect(&signals_, &QSocketNotifier::activated, [this] { onSignal(); });
}

std::string HeadlessRun::PortName() const {
    return "COM" + std::to_string(core_.settings.gintPortNo);
}

void HeadlessRun::prepareRun() {
    core_.run.gintRireki = 1;    // nothing to draw
    core_.run.gintAutoSave = 1;  // every stored byte passes the block on its way to the command
}

void HeadlessRun::unitLost() {
    lost_ = true;
    loop_.quit();
}

void HeadlessRun::AutoSaveBlock() {
    take();
    taken_ = 0;
    BlockFull();
}

void HeadlessRun::take() {
    const Capture& cap = core_.capture;
    pending_.append(reinterpret_cast<const char*>(cap.gbyteAutoDat().data()) + taken_,
                    static_cast<size_t>(cap.glngAutoLen() - taken_));
    taken_ = cap.glngAutoLen();
}

// After a batch from the unit, where every stored record is whole, and at the end.
void HeadlessRun::deliver() {
    take();
    if (!pending_.empty()) {
        Records(pending_);
        pending_.clear();
    }
}

// A signal: during the capture it ends the event loop and the stop keeps every record until the
// unit has acknowledged it; at any other moment (the start, the stop) every wait for the unit
// ends at once, and closing the port sends the stop by itself.
void HeadlessRun::onSignal() {
    char sig = 0;
    if (::read(gSignalPipe[0], &sig, 1) == 1) {
        signal_ = sig;
    }
    if (loop_.isRunning()) {
        loop_.quit();
    } else {
        link_.setClosing();
    }
}

std::optional<int> HeadlessRun::begin(const std::string& notWritten) {
    using Outcome = RunController::Outcome;
    CommLink& comm = link_.comm();
    const Outcome started = controller_.start();
    const PortReport& report = comm.report();
    if (started == Outcome::NotFound && signal_ == 0) {
        const std::string where = core_.settings.gintPortAuto == 1 ? "ports 1-16" : PortName();
        std::string reason = "no unit answers";
        if (const PortReport::Tried* busy = report.first(PortOpenResult::Status::Busy)) {
            const std::string& holder = busy->result.holder;
            reason += "; " + PortReport::where(*busy) + " is in use by " +
                      (holder.empty() ? "another program" : holder);
        }
        if (const PortReport::Tried* shared = report.first(PortOpenResult::Status::Opened, true)) {
            reason +=
                "; " + PortReport::where(*shared) + " is also open in " + shared->result.holder;
        }
        if (const PortReport::Tried* denied = report.first(PortOpenResult::Status::NoPermission)) {
            reason += "; no permission to open " + PortReport::where(*denied) +
                      " (join the dialout group)";
        }
        return Fail(where, reason);
    }
    if (started == Outcome::Started && controller_.awaitStart()) {
        return std::nullopt;
    }
    // Not started, or a signal during the start: whatever the unit got, it is stopped.
    controller_.stop();
    controller_.awaitStopped();
    comm.PortClose();
    if (signal_ != 0) {
        return StoppedAtStart(signal_, notWritten);
    }
    if (!report.unanswered.empty()) {
        return Fail(PortName(),
                    "the unit does not answer the line setting " + report.unanswered +
                        (report.sharers.empty() ? std::string()
                                                : "; the port is also open in " + report.sharers));
    }
    if (started != Outcome::Started) {
        return Fail(PortName(), "the unit went away while taking the line settings");
    }
    return Fail(PortName(), lost_      ? "the unit went away"
                            : refused_ ? "the unit refused the start"
                                       : "the unit does not answer the start");
}

int HeadlessRun::StoppedAtStart(int sig, const std::string& notWritten) {
    return Fail(PortName(), std::string("stopped by ") + strsignal(sig) +
                                " before the capture began; " + notWritten);
}

void HeadlessRun::RunLoop() {
    if (!lost_ && signal_ == 0) {
        loop_.exec();
    }
}

bool HeadlessRun::sendSettings() {
    const bool sent = controller_.applySettings();
    link_.comm().PortClose();
    return sent;
}

void HeadlessRun::end() {
    // Records go on being stored until the unit has acknowledged the stop: the command gets
    // everything up to where the unit stopped.
    controller_.stop();
    controller_.awaitStopped();
    link_.comm().PortClose();
    deliver();
}
