// vexlo-cli capture: monitoring without a display. The program's own link code finds the
// unit, sends the line settings and starts it; every stored record is streamed to a capture
// file, and optionally to rotating auto-save files, until a time limit or a signal.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "CaptureOutput.h"
#include "Cli.h"
#include "HeadlessRun.h"
#include "LineOptions.h"
#include "files/AutoSave.h"
#include "files/LTime.h"
#include "files/ProgramFolder.h"

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
    LineChoices line;
    std::string output;
    std::optional<std::string> autosave;
    std::optional<int> blockKb, maxFiles;
    std::optional<double> seconds;
    bool stamps = false;
};

std::optional<std::string> parse(ArgList& args, Choices& c) {
    static const char* const kValued[] = {"-o",         "--output",   "--seconds",
                                          "--autosave", "--block-kb", "--max-files"};
    while (!args.done()) {
        if (args.Is("--stamps")) {
            args.Take();
            c.stamps = true;
            continue;
        }
        std::optional<std::string> option;
        for (const char* o : kValued) {
            if (args.Is(o)) {
                option = o;
            }
        }
        const std::string a = args.Take();
        const std::string name = a.substr(0, a.find('='));
        if (!option && IsLineOption(name)) {
            option = name;
        }
        if (!option) {
            return "capture: unknown " +
                   std::string(a.rfind('-', 0) == 0 ? "option " : "argument ") + a;
        }
        const std::optional<std::string> v = args.Value(*option);
        if (!v || v->empty()) {
            return "capture: " + *option + " needs a value";
        }
        const std::string bad = "capture: bad " + *option + " " + *v;
        if (*option == "-o" || *option == "--output") {
            c.output = *v;
        } else if (*option == "--autosave") {
            c.autosave = *v;
        } else if (*option == "--block-kb") {
            if (!(c.blockKb = ParseInt(*v, 1, 1'000'000))) {
                return bad + " (1 .. 1000000)";
            }
        } else if (*option == "--max-files") {
            if (!(c.maxFiles = ParseInt(*v, -32768, 32767))) {
                return bad;
            }
        } else if (*option == "--seconds") {
            char* end = nullptr;
            const double s = std::strtod(v->c_str(), &end);
            if (end != v->c_str() + v->size() || !(s > 0) || s > 1e7) {
                return bad + " (a number of seconds above 0)";
            }
            c.seconds = s;
        } else if (const std::optional<std::string> error = TakeLineOption(*option, *v, c.line)) {
            return "capture: " + *error;
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

// The options of the capture itself over the settings.
void applyChoices(const Choices& c, Settings& s) {
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

// One capture run: the files of the records of a headless run.
class Session final : public HeadlessRun, public AutoSaveReport {
  public:
    Session(const Settings& settings, const std::string& programFolder, const Choices& c)
        : HeadlessRun(settings, programFolder),
          autoSaving_(c.autosave.has_value()),
          autoSave_(core_.settings, core_.run, core_.capture, clock_, programFolder),
          out_(c.output) {
        autoSave_.gstrAutoFile = c.autosave.value_or("");
        autoSave_.setReport(this);
        pending_.reserve(static_cast<size_t>(core_.capture.glngBufKeep()) * 2);
    }

    int run(const Choices& c);

    bool confirmStart() override {
        if (autoSaving_) {
            WriteLTime(programFolder_, clock_);  // the start of the first block
        }
        return true;
    }
    void prepareRun() override {
        HeadlessRun::prepareRun();
        out_.SetHeader(headerOf(core_.settings));  // as sent: an unknown speed went as 9600
    }

    void autoSaveFailed(const std::string& name, int error) override {
        std::fprintf(stderr, "\nvexlo-cli: %s: cannot be written: %s (kept, written later)\n",
                     name.c_str(), std::strerror(error));
    }
    void autoSaveRecovered(int64_t dropped) override {
        std::fprintf(stderr, "\nvexlo-cli: auto-save files written again (%lld bytes lost)\n",
                     static_cast<long long>(dropped));
    }

  private:
    // The records go to the file on the next tick, counting the error pairs.
    void Records(std::string_view records) override {
        for (const char ch : records) {
            const auto b = static_cast<uint8_t>(ch);
            if ((b & 0xC0) == 0x80) {
                parity_ = (b & 0x10) != 0;
            } else if ((b & 0xC0) == 0xC0) {
                errors_ += parity_ || (b & 0x10) != 0 ? 1 : 0;
                parity_ = false;
            }
        }
        pending_.append(records);
    }
    void BlockFull() override {
        if (autoSaving_) {
            autoSave_.AutoSaveBlock();
        } else {
            core_.capture.emptyAutoBlock();
        }
    }
    bool writeOut() {
        const bool ok = out_.write(pending_);
        pending_.clear();
        return ok;
    }
    // The capture itself, until the time is up, a signal, a lost unit or a failed write.
    bool capture(const Choices& c, const QElapsedTimer& elapsed);
    // Stops the unit and ends the files; the exit status.
    int finish(const Choices& c, const QElapsedTimer& elapsed, bool writeFailed);
    void progress(double seconds, bool last);

    bool autoSaving_;
    AutoSave autoSave_;
    CaptureOutput out_;
    std::string pending_;
    int64_t errors_ = 0;
    bool parity_ = false;
    bool terminal_ = isatty(STDERR_FILENO) != 0;
};

void Session::progress(double seconds, bool last) {
    const int64_t bytes = out_.Bytes() + static_cast<int64_t>(pending_.size());
    std::fprintf(stderr, "\r%8.1f s  %12lld bytes  %9.0f bytes/s  %lld errors  %lld files%s",
                 seconds, static_cast<long long>(bytes),
                 seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0,
                 static_cast<long long>(errors_), static_cast<long long>(autoSave_.filesWritten()),
                 last ? "\n" : "");
}

int Session::run(const Choices& c) {
    if (const std::optional<int> failed = begin(c.output + " not written")) {
        return *failed;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    return finish(c, elapsed, !capture(c, elapsed));
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
            Quit();
        }
    });
    tick.start(100);
    RunLoop();
    return !writeFailed;
}

int Session::finish(const Choices& c, const QElapsedTimer& elapsed, bool writeFailed) {
    // Records go on being stored until the unit has acknowledged the stop: the file ends where
    // the unit stopped.
    end();
    writeFailed = !writeOut() || writeFailed;
    if (autoSaving_) {
        autoSave_.AutoSaveFlush();
    }
    const bool finished = !writeFailed && out_.finish();
    if (terminal_) {
        progress(static_cast<double>(elapsed.elapsed()) / 1000.0, true);
    }
    if (!finished) {
        return Fail(c.output, out_.error());
    }
    if (autoSaving_ && autoSave_.failing()) {
        return Fail(autoSave_.base(), "auto-save files could not be written; " +
                                          std::to_string(autoSave_.keptBytes()) + " bytes lost");
    }
    if (lost()) {
        return Fail(PortName(), "the unit went away; " + std::to_string(out_.Bytes()) +
                                    " bytes kept in " + c.output);
    }
    return kExitOk;
}

}  // namespace

int CaptureCommand(std::vector<std::string> argv) {
    CatchSignals();
    Choices c;
    if (const std::optional<int> ended = ParseCommand(std::move(argv), kUsage, c, parse)) {
        return *ended;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path out = nativePath(c.output);
    if (fs::is_directory(out, ec)) {
        return Fail(c.output, "is a folder");
    }
    const fs::path outFolder = out.parent_path().empty() ? fs::path(".") : out.parent_path();
    if (!fs::is_directory(outFolder, ec)) {
        return Fail(c.output, "its folder does not exist");
    }
    if (c.autosave) {
        if (c.output != "-" && sameFile(c.output, *c.autosave)) {
            return UsageError("capture: -o and --autosave name the same file " + c.output, kUsage);
        }
        const fs::path base = nativePath(*c.autosave).parent_path();
        if (!fs::is_directory(base.empty() ? fs::path(".") : base, ec)) {
            return Fail(*c.autosave, "its folder does not exist");
        }
    }

    RunSettings run = LoadRunSettings(c.line, ExeFolder());
    applyChoices(c, run.settings);

    int qtArgc = 1;
    char name[] = "vexlo-cli";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    Session session(run.settings, run.programFolder, c);
    return session.run(c);
}
