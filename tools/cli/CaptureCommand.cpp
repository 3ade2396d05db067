// vexlo-cli capture: monitoring without a display. The program's own link code finds the
// unit, sends the line settings and starts it; every stored record is streamed to a capture
// file, and optionally to rotating auto-save files, until a time limit or a signal.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "CaptureOutput.h"
#include "Cli.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "files/AutoSave.h"
#include "files/LTime.h"
#include "files/ParamIni.h"
#include "files/ProgramFolder.h"
#include "link/CommParam.h"
#include "link/frmComm.h"
#include "run/IdleRequest.h"
#include "run/RunController.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli capture -o FILE.vxm [OPTIONS]\n"
    "Finds the unit, sends the line settings, starts monitoring and stores every record in\n"
    "FILE.vxm until the time is up or SIGINT, SIGTERM or SIGHUP arrives; then stops the\n"
    "unit, storing every record it sends until it has acknowledged the stop.\n"
    "The file is written as the records arrive (at least once a second), always a valid\n"
    "capture file; an existing FILE.vxm is replaced only once the capture has begun.\n"
    "Settings come from VXParam.ini of the program folder (not rewritten); options win.\n"
    "  -o FILE.vxm             the capture file: a link is written through, a FIFO or a\n"
    "                          device directly; - is standard output\n"
    "  --home DIR              the program folder (default: VEXLO_HOME, else the program's)\n"
    "  --port N                the unit's port number (default: the settings' choice)\n"
    "  --seconds S             stop after S seconds (default: at a signal only)\n"
    "  --speed B               line speed in bit/s (150 .. 115200)\n"
    "  --data-bits 7|8         --parity none|odd|even   --stop-bits 1|1.5|2\n"
    "  --line rs232c|rs422     line type\n"
    "  --idle off|1s|100ms|10ms  idle records in this unit\n"
    "  --stamps                time-stamp records after pauses of a second\n"
    "  --autosave BASE.vxm     also write rotating files BASE_yymmddhhmmss.vxm, as the\n"
    "                          program's auto-save does (LTime.txt in the program folder);\n"
    "                          not the file of -o. Rotation deletes only those files,\n"
    "                          never BASE.vxm itself\n"
    "  --block-kb K            bytes per auto-save file, in thousands (default: buffer size)\n"
    "  --max-files N           keep the newest N auto-save files (0: all)\n"
    "On a terminal one progress line shows the time, bytes, rate, errors and files.\n"
    "Exit status: 0 stopped as asked, 1 no unit, refused start, lost unit or a file that\n"
    "cannot be written (what arrived is kept), 2 usage error.\n";

struct Choices {
    std::string output;
    std::optional<std::string> home, autosave;
    std::optional<int> port, blockKb, maxFiles;
    std::optional<double> seconds;
    std::optional<int32_t> speed;
    std::optional<int16_t> lineType, dataLen, parity, stopBit, idleMode;
    bool stamps = false;
};

std::optional<std::string> parse(ArgList& args, Choices& c) {
    static const char* const kValued[] = {
        "-o",       "--output",    "--home", "--port", "--seconds",  "--speed",    "--data-bits",
        "--parity", "--stop-bits", "--line", "--idle", "--autosave", "--block-kb", "--max-files"};
    while (!args.Done()) {
        if (args.Is("--stamps")) {
            args.Take();
            c.stamps = true;
            continue;
        }
        const char* option = nullptr;
        for (const char* o : kValued) {
            if (args.Is(o)) {
                option = o;
            }
        }
        const std::string a = args.Take();
        if (option == nullptr) {
            return "capture: unknown " +
                   std::string(a.rfind('-', 0) == 0 ? "option " : "argument ") + a;
        }
        const std::string name = option;
        const std::optional<std::string> v = args.Value(name);
        if (!v || v->empty()) {
            return "capture: " + name + " needs a value";
        }
        const std::string bad = "capture: bad " + name + " " + *v;
        if (name == "-o" || name == "--output") {
            c.output = *v;
        } else if (name == "--home") {
            c.home = *v;
        } else if (name == "--autosave") {
            c.autosave = *v;
        } else if (name == "--port") {
            if (!(c.port = ParseInt(*v, 1, 99))) {
                return bad + " (1 .. 99)";
            }
        } else if (name == "--block-kb") {
            if (!(c.blockKb = ParseInt(*v, 1, 1'000'000))) {
                return bad + " (1 .. 1000000)";
            }
        } else if (name == "--max-files") {
            if (!(c.maxFiles = ParseInt(*v, -32768, 32767))) {
                return bad;
            }
        } else if (name == "--seconds") {
            char* end = nullptr;
            const double s = std::strtod(v->c_str(), &end);
            if (end != v->c_str() + v->size() || !(s > 0) || s > 1e7) {
                return bad + " (a number of seconds above 0)";
            }
            c.seconds = s;
        } else if (name == "--speed") {
            const std::optional<int> s = ParseInt(*v, 1, 1'000'000);
            if (!s || !SpeedCode(*s)) {
                return bad + " (a speed the unit knows, 150 .. 115200)";
            }
            c.speed = *s;
        } else if (name == "--data-bits") {
            if (!(c.dataLen = PickOne(*v, {"7", "8"}))) {
                return bad + " (7 or 8)";
            }
        } else if (name == "--parity") {
            if (!(c.parity = PickOne(*v, {"none", "odd", "even"}))) {
                return bad + " (none, odd or even)";
            }
        } else if (name == "--stop-bits") {
            if (!(c.stopBit = PickOne(*v, {"1", "1.5", "2"}))) {
                return bad + " (1, 1.5 or 2)";
            }
        } else if (name == "--line") {
            if (!(c.lineType = PickOne(*v, {"rs232c", "rs422"}))) {
                return bad + " (rs232c or rs422)";
            }
        } else if (name == "--idle") {
            const std::optional<int16_t> i = PickOne(*v, {"off", "1s", "100ms", "10ms"});
            if (!i) {
                return bad + " (off, 1s, 100ms or 10ms)";
            }
            const int16_t modes[] = {0, 1, 10, 100};
            c.idleMode = modes[*i];
        }
    }
    if (c.output.empty()) {
        return "capture: no output file given (-o FILE.vxm)";
    }
    if (!c.autosave && (c.blockKb || c.maxFiles)) {
        return "capture: --block-kb and --max-files need --autosave";
    }
    return std::nullopt;
}

// The options over the settings of the program folder.
void applyChoices(const Choices& c, Settings& s) {
    if (c.port) {
        s.gintPortAuto = 0;
        s.gintPortNo = static_cast<int16_t>(*c.port);
    }
    s.glngSpeed = c.speed.value_or(s.glngSpeed);
    s.gintLineType = c.lineType.value_or(s.gintLineType);
    s.gintDataLen = c.dataLen.value_or(s.gintDataLen);
    s.gintParity = c.parity.value_or(s.gintParity);
    s.gintStopBit = c.stopBit.value_or(s.gintStopBit);
    s.gintIdleMode = c.idleMode.value_or(s.gintIdleMode);
    if (c.stamps) {
        s.gintTimeStamp = 1;
    }
    if (c.maxFiles) {
        s.gintMaxFiles = static_cast<int16_t>(*c.maxFiles);
    }
    if (c.blockKb) {
        s.glngBufSize = *c.blockKb;
    }
}

// SIGINT, SIGTERM and SIGHUP end the capture with the unit stopped and the file complete. They
// are caught from the start, before the first command goes to the unit, and reach the event
// loop through a pipe.
int gSignalPipe[2] = {-1, -1};

void onSignal(int sig) {
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

void catchSignals() {
    if (::pipe(gSignalPipe) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }
}

// One capture run: the run controller on the program's link, the decoder's calls without a
// view, the idle and time-stamp timers, and the files.
class Session final : public RunHost,
                      public DecoderObserver,
                      public CommParamView,
                      public AutoSaveSink,
                      public AutoSaveReport {
  public:
    Session(const Settings& settings, const std::string& programFolder, const Choices& c)
        : programFolder_(programFolder),
          autoSaving_(c.autosave.has_value()),
          controller_(core_.run, clock_, *this, RunController::AfterStop::Keep),
          link_(
              LinkState{core_.settings, core_.run, core_.capture}, clock_,
              QString::fromStdString(programFolder), *this, [] {},
              DecoderObservers{&controller_, this}),
          autoSave_(core_.settings, core_.run, core_.capture, clock_, programFolder),
          out_(c.output),
          signals_(gSignalPipe[0], QSocketNotifier::Read) {
        controller_.Attach(link_.comm());
        core_.settings = settings;
        core_.capture.AllocBuffer(settings.glngBufSize);
        core_.capture.SetAutoSaveSink(this);
        autoSave_.gstrAutoFile = c.autosave.value_or("");
        autoSave_.SetReport(this);
        pending_.reserve(static_cast<size_t>(core_.capture.glngBufKeep()) * 2);
        timIdle_.setInterval(core_.settings.gintIdleMode > 0 ? 1000 / core_.settings.gintIdleMode
                                                             : 1000);
        timStamp_.setInterval(1000);
        timStamp_.setSingleShot(true);
        QObject::connect(&timIdle_, &QTimer::timeout,
                         [this] { idle::RaiseRequest(core_.settings, core_.run, clock_); });
        QObject::connect(&timStamp_, &QTimer::timeout, [this] {
            core_.run.gintStampReq = -1;
            timStamp_.stop();
        });
        QObject::connect(&signals_, &QSocketNotifier::activated, [this] { onSignal(); });
    }

    int Run(const Choices& c);

    // The run sequence's steps.
    bool ConfirmStart() override {
        if (autoSaving_) {
            WriteLTime(programFolder_, clock_);  // the start of the first block
        }
        return true;
    }
    void PrepareRun() override {
        out_.SetHeader(HeaderOf(core_.settings));  // as sent: an unknown speed went as 9600
        core_.run.gintRireki = 1;                  // nothing to draw
        core_.run.gintAutoSave = 1;  // every stored byte passes the block on its way to the files
    }
    void Refused() override { refused_ = true; }
    void UnitLost() override {
        lost_ = true;
        loop_.quit();
    }

    // What the decoder tells besides the run: the idle and time-stamp timers. Nothing is
    // drawn and no trigger is defined.
    void ShowCommParam(const std::string&) override {}
    void SetIdleTimer(bool on) override { on ? timIdle_.start() : timIdle_.stop(); }
    void SetStampTimer(bool on) override { on ? timStamp_.start() : timStamp_.stop(); }

    // A full block: the part not yet taken goes to the capture file, the block to auto-save.
    void AutoSaveBlock() override {
        take();
        streamed_ = 0;
        if (autoSaving_) {
            autoSave_.AutoSaveBlock();
        } else {
            core_.capture.EmptyAutoBlock();
        }
    }
    void AutoSaveFailed(const std::string& name, int error) override {
        std::fprintf(stderr, "\nvexlo-cli: %s: cannot be written: %s (kept, written later)\n",
                     name.c_str(), std::strerror(error));
    }
    void AutoSaveRecovered(int64_t dropped) override {
        std::fprintf(stderr, "\nvexlo-cli: auto-save files written again (%lld bytes lost)\n",
                     static_cast<long long>(dropped));
    }

  private:
    // A signal: during the capture it ends the capture loop and the stop keeps every record
    // until the unit has acknowledged it; at any other moment (the start, the stop) every wait
    // for the unit ends at once, and closing the port sends the stop by itself.
    void onSignal() {
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
    // Takes the records stored since the last call into pending_, counting the error pairs.
    void take() {
        const Capture& cap = core_.capture;
        for (int32_t i = streamed_; i < cap.glngAutoLen(); ++i) {
            const uint8_t b = cap.gbyteAutoDat()[static_cast<size_t>(i)];
            if ((b & 0xC0) == 0x80) {
                parity_ = (b & 0x10) != 0;
            } else if ((b & 0xC0) == 0xC0) {
                errors_ += parity_ || (b & 0x10) != 0 ? 1 : 0;
                parity_ = false;
            }
        }
        pending_.append(reinterpret_cast<const char*>(cap.gbyteAutoDat().data()) + streamed_,
                        static_cast<size_t>(cap.glngAutoLen() - streamed_));
        streamed_ = cap.glngAutoLen();
    }
    // Between two received batches, where every stored record is whole.
    bool writeOut() {
        take();
        const bool ok = out_.Write(pending_);
        pending_.clear();
        return ok;
    }
    // The capture itself, until the time is up, a signal, a lost unit or a failed write.
    bool capture(const Choices& c, const QElapsedTimer& elapsed);
    // Stops the unit and ends the files; the exit status.
    int finish(const Choices& c, const QElapsedTimer& elapsed, bool writeFailed);
    void progress(double seconds, bool last);
    [[nodiscard]] std::string portName() const;

    struct {
        Settings settings;
        RunState run;
        Capture capture{run};
    } core_;
    SystemClock clock_;
    std::string programFolder_;
    bool refused_ = false;  // the unit refused the start for the last time
    bool lost_ = false;
    int signal_ = 0;
    bool autoSaving_;
    RunController controller_;
    frmComm link_;
    AutoSave autoSave_;
    CaptureOutput out_;
    QSocketNotifier signals_;
    QEventLoop loop_;
    QTimer timIdle_, timStamp_;
    std::string pending_;
    int32_t streamed_ = 0;
    int64_t errors_ = 0;
    bool parity_ = false;
    bool terminal_ = isatty(STDERR_FILENO) != 0;
};

std::string Session::portName() const {
    return "COM" + std::to_string(core_.settings.gintPortNo);
}

void Session::progress(double seconds, bool last) {
    const int64_t bytes = out_.Bytes() + static_cast<int64_t>(pending_.size());
    std::fprintf(stderr, "\r%8.1f s  %12lld bytes  %9.0f bytes/s  %lld errors  %lld files%s",
                 seconds, static_cast<long long>(bytes),
                 seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0,
                 static_cast<long long>(errors_), static_cast<long long>(autoSave_.FilesWritten()),
                 last ? "\n" : "");
}

int Session::Run(const Choices& c) {
    using Outcome = RunController::Outcome;
    CommLink& comm = link_.comm();
    QElapsedTimer elapsed;
    const Outcome started = controller_.Start();
    if (started == Outcome::NotFound && signal_ == 0) {
        const std::string where = core_.settings.gintPortAuto == 1
                                      ? "ports 1-16"
                                      : "COM" + std::to_string(core_.settings.gintPortNo);
        const std::string& denied = comm.DeniedPort();
        return Fail(where, denied.empty() ? "no unit answers"
                                          : "no unit answers; no permission to open " + denied +
                                                " (join the dialout group)");
    }
    if (started == Outcome::Started && controller_.AwaitStart()) {
        elapsed.start();
        return finish(c, elapsed, !capture(c, elapsed));
    }
    // Not started, or a signal during the start: whatever the unit got, it is stopped.
    controller_.Stop();
    controller_.AwaitStopped();
    comm.PortClose();
    if (signal_ != 0) {
        return Fail(portName(), std::string("stopped by ") + strsignal(signal_) +
                                    " before the capture began; " + c.output + " not written");
    }
    if (started != Outcome::Started) {
        return Fail(portName(), "the unit went away while taking the line settings");
    }
    return Fail(portName(), lost_      ? "the unit went away"
                            : refused_ ? "the unit refused the start"
                                       : "the unit does not answer the start");
}

bool Session::capture(const Choices& c, const QElapsedTimer& elapsed) {
    QTimer tick;
    int ticks = 0;
    bool writeFailed = false;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;
        writeFailed = !writeOut();
        if (terminal_ && ++ticks % 3 == 0) {
            progress(seconds, false);
        }
        if (writeFailed || (c.seconds && seconds >= *c.seconds)) {
            loop_.quit();
        }
    });
    tick.start(100);
    if (!lost_ && signal_ == 0) {
        loop_.exec();
    }
    return !writeFailed;
}

int Session::finish(const Choices& c, const QElapsedTimer& elapsed, bool writeFailed) {
    // Records go on being stored until the unit has acknowledged the stop: the file ends where
    // the unit stopped.
    controller_.Stop();
    controller_.AwaitStopped();
    link_.comm().PortClose();
    writeFailed = !writeOut() || writeFailed;
    if (autoSaving_) {
        autoSave_.AutoSaveFlush();
    }
    const bool finished = !writeFailed && out_.Finish();
    if (terminal_) {
        progress(static_cast<double>(elapsed.elapsed()) / 1000.0, true);
    }
    if (!finished) {
        return Fail(c.output, out_.Error());
    }
    if (autoSaving_ && autoSave_.Failing()) {
        return Fail(autoSave_.Base(), "auto-save files could not be written; " +
                                          std::to_string(autoSave_.KeptBytes()) + " bytes lost");
    }
    if (lost_) {
        return Fail(portName(), "the unit went away; " + std::to_string(out_.Bytes()) +
                                    " bytes kept in " + c.output);
    }
    return kExitOk;
}

std::string exeFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : Utf8Path(self.parent_path());
}

}  // namespace

int CaptureCommand(std::vector<std::string> argv) {
    catchSignals();
    if (HelpAsked(argv, kUsage)) {
        return kExitOk;
    }
    ArgList args(std::move(argv));
    Choices c;
    if (const std::optional<std::string> error = parse(args, c)) {
        return UsageError(*error, kUsage);
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path out = NativePath(c.output);
    if (fs::is_directory(out, ec)) {
        return Fail(c.output, "is a folder");
    }
    const fs::path outFolder = out.parent_path().empty() ? fs::path(".") : out.parent_path();
    if (!fs::is_directory(outFolder, ec)) {
        return Fail(c.output, "its folder does not exist");
    }
    if (c.autosave) {
        if (c.output != "-" && SameFile(c.output, *c.autosave)) {
            return UsageError("capture: -o and --autosave name the same file " + c.output, kUsage);
        }
        const fs::path base = NativePath(*c.autosave).parent_path();
        if (!fs::is_directory(base.empty() ? fs::path(".") : base, ec)) {
            return Fail(*c.autosave, "its folder does not exist");
        }
    }

    std::vector<std::string> homeArgs;
    if (c.home) {
        homeArgs = {"--home", *c.home};
    }
    const std::string programFolder = LocateProgramFolder(exeFolder(), homeArgs);
    Settings settings;
    ReadParamIni(settings, programFolder, false);
    applyChoices(c, settings);

    int qtArgc = 1;
    char name[] = "vexlo-cli";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    Session session(settings, programFolder, c);
    return session.Run(c);
}
