// vexlo-cli detect: finds the speed and format of the monitored line. The program's own run
// sequence sends each setting tried, starts the unit and stops it; the search scores what the
// unit decoded at each and prints the table, then the best setting on its last line.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Cli.h"
#include "HeadlessRun.h"
#include "LineOptions.h"
#include "analysis/Protocol.h"
#include "files/ProgramFolder.h"
#include "run/LineSearch.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli detect [--home DIR] [--port N] [--seconds S]\n"
    "Finds the speed, data bits and parity of the monitored line: sets the unit to each speed\n"
    "it knows and then to the formats at the best speeds, listens briefly to each and scores\n"
    "what arrives (characters without parity or framing errors, breaks, characters per second,\n"
    "printable text or frames whose check holds, Modbus RTU and VXProto.ini). The line needs\n"
    "traffic. The stop bits cannot be told from the line: those of the settings are kept.\n"
    "Prints the settings tried with their scores, then the best setting alone on the last\n"
    "line in the form of the status bar (19200,E,8,1). Leaves the unit stopped with the\n"
    "settings of VXParam.ini (not rewritten); SIGINT, SIGTERM or SIGHUP end it at once.\n"
    "  --home DIR    the program folder (default: VEXLO_HOME, else the program's)\n"
    "  --port N      the unit's port number (default: the settings' choice)\n"
    "  --seconds S   the whole search ends after S seconds (default: no limit)\n"
    "Exit status: 0 one setting is clearly best, 1 none is (the reason on standard error:\n"
    "no traffic, no clear winner) or the unit cannot be reached, 2 usage error.\n";

struct Choices {
    LineChoices line;
    std::optional<double> seconds;
};

std::optional<std::string> parse(ArgList& args, Choices& c) {
    while (!args.done()) {
        const std::string a = args.Take();
        const std::string name = a.substr(0, a.find('='));
        if (name != "--home" && name != "--port" && name != "--seconds") {
            return "detect: unknown " +
                   std::string(a.rfind('-', 0) == 0 ? "option " : "argument ") + a;
        }
        const std::optional<std::string> v = args.Value(name);
        if (!v || v->empty()) {
            return "detect: " + name + " needs a value";
        }
        if (name == "--seconds") {
            char* end = nullptr;
            const double s = std::strtod(v->c_str(), &end);
            if (end != v->c_str() + v->size() || !(s > 0) || s > 1e7) {
                return "detect: bad --seconds " + *v + " (a number of seconds above 0)";
            }
            c.seconds = s;
        } else if (const std::optional<std::string> error = TakeLineOption(name, *v, c.line)) {
            return "detect: " + *error;
        }
    }
    return std::nullopt;
}

int percent(double share) {
    return static_cast<int>(std::lround(share * 100));
}

// The unit listens at each setting through a headless run of its own.
class Detect final : public HeadlessRun, public LineListener {
  public:
    Detect(const Settings& settings, const std::string& programFolder, std::optional<double> limit)
        : HeadlessRun(settings, programFolder), kept_(settings), limit_(limit) {
        elapsed_.start();
    }

    std::optional<Heard> listen(const LineTrial& trial, double seconds) override {
        if (limit_ && static_cast<double>(elapsed_.elapsed()) / 1000.0 + seconds > *limit_) {
            failure_ = "the time ran out before a result (--seconds)";
            return std::nullopt;
        }
        core_.settings.glngSpeed = trial.speed;
        core_.settings.gintDataLen = trial.dataLen;
        core_.settings.gintParity = trial.parity;
        if (const std::optional<int> failed = begin("no result")) {
            exit_ = *failed;  // the reason is on standard error already
            return std::nullopt;
        }
        records_.clear();
        QElapsedTimer listened;
        listened.start();
        QTimer::singleShot(static_cast<int>(seconds * 1000), [this] { Quit(); });
        RunLoop();
        const double heard = static_cast<double>(listened.elapsed()) / 1000.0;
        end();
        if (signalled() != 0) {
            exit_ = Fail(PortName(),
                         std::string("stopped by ") + strsignal(signalled()) + "; no result");
            return std::nullopt;
        }
        if (lost()) {
            exit_ = Fail(PortName(), "the unit went away");
            return std::nullopt;
        }
        return Heard{records_, heard};
    }
    [[nodiscard]] std::string failure() const override { return failure_; }

    // The unit gets back the settings it had before the search (unless a signal ended it).
    void restore() {
        core_.settings = kept_;
        if (signalled() == 0) {
            sendSettings();
        }
    }
    [[nodiscard]] std::optional<int> exitStatus() const { return exit_; }

  private:
    void Records(std::string_view records) override { records_.append(records); }
    int StoppedAtStart(int sig, const std::string& notWritten) override {
        return Fail(PortName(), std::string("stopped by ") + strsignal(sig) + "; " + notWritten);
    }

    const Settings kept_;
    std::optional<double> limit_;
    QElapsedTimer elapsed_;
    std::string records_;
    std::string failure_;
    std::optional<int> exit_;
};

void printTable(const LineSearchResult& r, int16_t stopBit) {
    std::printf("%-14s %7s %7s %7s %6s %6s %6s %6s\n", "setting", "chars", "errors", "breaks",
                "clean", "rate", "text", "score");
    for (const TrialScore& t : r.trials) {
        std::printf("%-14s %7u %7u %7u %5d%% %5d%% %5d%% %5d%%\n",
                    trialText(t.trial, stopBit).c_str(), t.chars, t.errors, t.breaks,
                    percent(t.clean), percent(t.rate), percent(t.likeness), percent(t.score));
    }
}

}  // namespace

int DetectCommand(std::vector<std::string> argv) {
    CatchSignals();
    Choices c;
    if (const std::optional<int> ended = ParseCommand(std::move(argv), kUsage, c, parse)) {
        return *ended;
    }
    const RunSettings run = LoadRunSettings(c.line, ExeFolder());
    LineSearch::Options options;
    options.stopBit = run.settings.gintStopBit;
    const proto::ProtocolFile defined =
        proto::loadProtocols(joinPath(run.programFolder, "VXProto.ini"), true);
    options.protocols = defined.protocols;  // a file that cannot be read adds no checks

    int qtArgc = 1;
    char name[] = "vexlo-cli";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    Detect detect(run.settings, run.programFolder, c.seconds);
    LineSearch search(options);
    const LineSearchResult r = search.run(detect);
    detect.restore();
    if (const std::optional<int> failed = detect.exitStatus()) {
        return *failed;
    }
    printTable(r, options.stopBit);
    using Outcome = LineSearchResult::Outcome;
    if (r.outcome != Outcome::Found) {
        std::fflush(stdout);
        return Fail(detect.PortName(), r.reason);
    }
    const TrialScore& best = r.trials[*r.best];
    const std::string text = trialText(best.trial, options.stopBit);
    std::printf("best: %s, score %d%%", text.c_str(), percent(best.score));
    if (r.next) {
        std::printf(", %d points ahead of %s", percent(r.lead),
                    trialText(r.trials[*r.next].trial, options.stopBit).c_str());
    }
    std::printf("\n");
    if (!r.evidence.empty()) {
        std::printf("decided by: %s\n", r.evidence.c_str());
    }
    std::printf("stop bits: kept as set (a receiver checks only the first stop bit)\n");
    std::printf("%s\n", text.c_str());
    return kExitOk;
}
