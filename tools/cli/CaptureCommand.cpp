// vexlo-cli capture: monitoring without a display. The program's own link code finds the
// unit, sends the line settings and starts it; every stored record is streamed to a capture
// file, and optionally to rotating auto-save files, until a time limit or a signal.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "CaptureOutput.h"
#include "Cli.h"
#include "core/CoreState.h"
#include "files/AutoSave.h"
#include "files/LTime.h"
#include "files/ParamIni.h"
#include "files/ProgramFolder.h"
#include "link/CommParam.h"
#include "link/frmComm.h"
#include "trigger/TriggerChecks.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli capture -o FILE.vxm [OPTIONS]\n"
    "Finds the unit, sends the line settings, starts monitoring and stores every record in\n"
    "FILE.vxm until the time is up or SIGINT/SIGTERM arrives; then stops the unit.\n"
    "The file is written as the records arrive (at least once a second), always a valid\n"
    "capture file; an existing FILE.vxm is replaced only once the capture has begun.\n"
    "Settings come from VXParam.ini of the program folder (not rewritten); options win.\n"
    "  -o FILE.vxm             the capture file\n"
    "  --home DIR              the program folder (default: VEXLO_HOME, else the program's)\n"
    "  --port N                the unit's port number (default: the settings' choice)\n"
    "  --seconds S             stop after S seconds (default: at a signal only)\n"
    "  --speed B               line speed in bit/s (150 .. 115200)\n"
    "  --data-bits 7|8         --parity none|odd|even   --stop-bits 1|1.5|2\n"
    "  --line rs232c|rs422     line type\n"
    "  --idle off|1s|100ms|10ms  idle records in this unit\n"
    "  --stamps                time-stamp records after pauses of a second\n"
    "  --autosave BASE.vxm     also write rotating files BASE_yymmddhhmmss.vxm, as the\n"
    "                          program's auto-save does (LTime.txt in the program folder)\n"
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

std::atomic<int> gSignal{0};

void onSignal(int sig) {
    gSignal = sig;
}

// One capture run: the link, the decoder's hooks without a view, the idle and time-stamp
// timers, and the files.
class Session final : public LiveView,
                      public RunControl,
                      public LineIndicators,
                      public TriggerChecks,
                      public IdleTimers,
                      public CommParamView,
                      public AutoSaveSink,
                      public AutoSaveReport {
  public:
    Session(const Settings& settings, const std::string& programFolder, const Choices& c)
        : autoSaving_(c.autosave.has_value()),
          link_(LinkState{core_.settings, core_.run, core_.capture}, clock_,
                QString::fromStdString(programFolder),
                LinkHooks{*this, *this, *this, *this, *this, *this}),
          autoSave_(core_.settings, core_.run, core_.capture, clock_, programFolder),
          out_(c.output) {
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
        QObject::connect(&timIdle_, &QTimer::timeout, [this] { idleTick(); });
        QObject::connect(&timStamp_, &QTimer::timeout, [this] {
            core_.run.gintStampReq = -1;
            timStamp_.stop();
        });
        QObject::connect(&link_, &frmComm::linkLost, [this] { lost_ = true; });
    }

    int Run(const Choices& c, const std::string& programFolder);

    // The decoder's calls: nothing is drawn and no trigger is defined.
    void DispMonitor(uint8_t, uint8_t) override {}
    void DispTimeStamp(const std::string&) override {}
    void RunStop() override {}
    void StartAccepted() override {}
    void StartRefused() override { refused_ = true; }
    void AutoSaveFlush() override {}
    void SetLineLamp(int, bool) override {}
    void TrigCheckChr(int, uint8_t) override {}
    void TrigCheckErr(int) override {}
    void TrigCheckLine(int, int) override {}
    void TrigCheckTime() override {}
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
    void idleTick();
    void progress(double seconds, bool last);
    bool waitFor(const std::function<bool()>& done, int ms);
    void stopUnit();
    [[nodiscard]] std::string portName() const;

    CoreState core_;
    SystemClock clock_;
    bool refused_ = false;  // the unit refused the start for the last time
    bool autoSaving_;
    frmComm link_;
    AutoSave autoSave_;
    CaptureOutput out_;
    QTimer timIdle_, timStamp_;
    std::string pending_;
    int32_t streamed_ = 0;
    int64_t errors_ = 0;
    bool parity_ = false;
    bool lost_ = false;
};

void Session::idleTick() {
    RunState& run = core_.run;
    if (run.gintRun != 1) {
        return;
    }
    // Whole idle units since the last data, rounded half to even, kept to six digits; a gap
    // across midnight counts on.
    float gap = clock_.Timer() - run.gsngIdleStart;
    if (gap < 0) {
        gap += 86400.0f;
    }
    const float units = std::nearbyint(gap * static_cast<float>(core_.settings.gintIdleMode));
    const int count = units > 0 ? static_cast<int>(std::min(units, 999999.0f)) : 0;
    std::snprintf(run.gstrIdle, sizeof run.gstrIdle, "%06d", count);
    run.gintIdleReq = -1;
}

bool Session::waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wake;
    wake.start(10);
    while (!done() && elapsed.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

std::string Session::portName() const {
    return "COM" + std::to_string(core_.settings.gintPortNo);
}

void Session::stopUnit() {
    CommLink& comm = link_.comm();
    for (int i = 0; i < 3; ++i) {
        comm.QueueCommand("G00");
    }
    core_.run.gintRun = 0;
    waitFor(
        [&] { return !comm.IsOpen() || (comm.lstCommand.empty() && core_.run.gintSending == 0); },
        500);
    comm.PortClose();
}

void Session::progress(double seconds, bool last) {
    const int64_t bytes = out_.Bytes() + static_cast<int64_t>(pending_.size());
    std::fprintf(stderr, "\r%8.1f s  %12lld bytes  %9.0f bytes/s  %lld errors  %lld files%s",
                 seconds, static_cast<long long>(bytes),
                 seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0,
                 static_cast<long long>(errors_), static_cast<long long>(autoSave_.FilesWritten()),
                 last ? "\n" : "");
}

int Session::Run(const Choices& c, const std::string& programFolder) {
    CommLink& comm = link_.comm();
    if (comm.PortOpen() != 0) {
        const std::string where = core_.settings.gintPortAuto == 1
                                      ? "ports 1-16"
                                      : "COM" + std::to_string(core_.settings.gintPortNo);
        const std::string& denied = comm.DeniedPort();
        return Fail(where, denied.empty() ? "no unit answers"
                                          : "no unit answers; no permission to open " + denied +
                                                " (join the dialout group)");
    }
    if (autoSaving_) {
        WriteLTime(programFolder, clock_);  // the start of the first block
    }
    if (comm.SendCommParam() != 0) {
        return Fail(portName(), "the unit went away while taking the line settings");
    }
    out_.SetHeader(HeaderOf(core_.settings));  // as sent: an unknown speed went as 9600
    RunState& run = core_.run;
    comm.ResetLineState();
    run.gintRireki = 1;  // nothing to draw
    run.gintIdleReq = 0;
    run.gintAutoSave = 1;  // every stored byte passes the block on its way to the files
    run.gsngIdleStart = clock_.Timer();
    refused_ = false;
    comm.QueueCommand("G01");
    if (!waitFor([&] { return run.gintRun == 1 || refused_ || lost_; }, 5000)) {
        comm.PortClose();
        return Fail(portName(), "the unit does not answer the start");
    }
    if (run.gintRun != 1) {
        comm.PortClose();
        return Fail(portName(), lost_ ? "the unit went away" : "the unit refused the start");
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer tick;
    int ticks = 0;
    bool writeFailed = false;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;
        if (!writeOut()) {
            writeFailed = true;
        }
        if (terminal && ++ticks % 3 == 0) {
            progress(seconds, false);
        }
        if (writeFailed || lost_ || gSignal != 0 || (c.seconds && seconds >= *c.seconds)) {
            loop.quit();
        }
    });
    tick.start(100);
    loop.exec();
    tick.stop();

    const bool lost = lost_;
    if (!lost) {
        stopUnit();
    }
    run.gintRun = 0;
    writeFailed = !writeOut() || writeFailed;
    if (autoSaving_) {
        autoSave_.AutoSaveFlush();
    }
    const bool finished = !writeFailed && out_.Finish();
    if (terminal) {
        progress(static_cast<double>(elapsed.elapsed()) / 1000.0, true);
    }
    if (!finished) {
        return Fail(c.output, out_.Error());
    }
    if (autoSaving_ && autoSave_.Failing()) {
        return Fail(autoSave_.Base(), "auto-save files could not be written; " +
                                          std::to_string(autoSave_.KeptBytes()) + " bytes lost");
    }
    if (lost) {
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
    return session.Run(c, programFolder);
}
