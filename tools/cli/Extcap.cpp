// vexlo-extcap: the unit as a live capture interface of Wireshark (its extcap interface). The
// run is the one of vexlo-cli capture; the records become the packets of the pcap export, with
// the time at which they arrived, written to the FIFO Wireshark reads.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Cli.h"
#include "HeadlessRun.h"
#include "LineOptions.h"
#include "base/VersionText.h"
#include "files/PcapExport.h"
#include "files/ProgramFolder.h"
#include "link/CommParam.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-extcap --extcap-interfaces | --extcap-dlts | --extcap-config\n"
    "       vexlo-extcap --capture --fifo PATH [OPTIONS]\n"
    "The unit as a capture interface of Wireshark and tshark (man 4 extcap): Wireshark calls\n"
    "it from its extcap folder. --capture starts the unit and writes a pcap stream of link\n"
    "type 250 (serial line events) to PATH: the packets of vexlo-cli pcap, each with the time\n"
    "it arrived; a run of bytes of one direction ends at the other direction, an error byte,\n"
    "a line change, an idle record, or 100 ms after its last byte. The capture ends, with the\n"
    "unit stopped, when the reader closes PATH or at SIGINT, SIGTERM or SIGHUP.\n"
    "Settings come from VXParam.ini of the program folder, as for vexlo-cli capture; options\n"
    "win (the value ini keeps the settings' one):\n"
    "  --home DIR              the program folder (default: VEXLO_HOME, else the program's)\n"
    "  --port N                the unit's port number\n"
    "  --speed B               line speed in bit/s (150 .. 115200)\n"
    "  --data-bits 7|8         --parity none|odd|even   --stop-bits 1|1.5|2\n"
    "  --line rs232c|rs422     line type\n"
    "  --idle off|1s|100ms|10ms  idle records in this unit (each ends a packet)\n"
    "  --extcap-interface vexlo  the one interface (Wireshark names it in every call)\n"
    "  --extcap-capture-filter F refused: the unit has no capture filter\n"
    "Exit status: 0 stopped as asked, 1 no unit, refused start, lost unit, a filter, 2 usage.\n";

constexpr const char* kInterface = "vexlo";
constexpr const char* kNoFilter =
    "the vexlo interface has no capture filters; use a display filter instead";

struct Choices {
    bool interfaces = false, dlts = false, config = false, capture = false;
    std::optional<std::string> interface, fifo, filter;
    LineChoices line;
};

std::optional<std::string> parse(ArgList& args, Choices& c) {
    while (!args.done()) {
        const std::string a = args.Take();
        const std::string name = a.substr(0, a.find('='));
        bool* flag = nullptr;
        for (auto [call, f] :
             {std::pair{"--extcap-interfaces", &c.interfaces}, std::pair{"--extcap-dlts", &c.dlts},
              std::pair{"--extcap-config", &c.config}, std::pair{"--capture", &c.capture}}) {
            flag = a == call ? f : flag;
        }
        if (flag != nullptr) {
            *flag = true;
            continue;
        }
        if (name == "--debug" || (name == "--extcap-version" && a != name)) {
            continue;  // Wireshark's own: its version, and its debugging switch
        }
        const bool known = name == "--extcap-interface" || name == "--fifo" ||
                           name == "--extcap-capture-filter" || name == "--debug-file" ||
                           name == "--extcap-version" || IsLineOption(name);
        if (!known) {
            return "unknown " + std::string(a.rfind('-', 0) == 0 ? "option " : "argument ") + a;
        }
        const std::optional<std::string> v = args.Value(name);
        if (!v) {
            return name + " needs a value";
        }
        if (name == "--extcap-interface") {
            c.interface = *v;
        } else if (name == "--fifo") {
            c.fifo = *v;
        } else if (name == "--extcap-capture-filter") {
            if (!v->empty()) {
                c.filter = *v;
            }
        } else if (IsLineOption(name) && *v != "ini" && !v->empty()) {
            if (const std::optional<std::string> error = TakeLineOption(name, *v, c.line)) {
                return *error;
            }
        }
    }
    if (c.interfaces + c.dlts + c.config + c.capture > 1) {
        return "one of --extcap-interfaces, --extcap-dlts, --extcap-config and --capture";
    }
    if (c.capture && !c.fifo) {
        return "--capture needs --fifo PATH";
    }
    return std::nullopt;
}

void printInterfaces() {
    std::printf("extcap {version=%d.%d.%d}{display=Vexlo serial line monitor}\n", kAppVersion.major,
                kAppVersion.minor, kAppVersion.revision);
    std::printf("interface {value=%s}{display=Vexlo serial line monitor}\n", kInterface);
}

void printDlts() {
    std::printf("dlt {number=%u}{name=RTAC_SERIAL}{display=Serial line events}\n", kPcapLinkType);
}

// The options of the capture dialog: each selector starts with the choice of VXParam.ini.
void printConfig() {
    int number = 0;
    auto arg = [&number](const char* call, const char* display, const char* type,
                         const char* tooltip, const char* group) {
        std::printf("arg {number=%d}{call=%s}{display=%s}{type=%s}{tooltip=%s}{group=%s}\n", number,
                    call, display, type, tooltip, group);
        return number++;
    };
    auto values = [](int a, std::vector<std::pair<std::string, std::string>> list) {
        std::printf("value {arg=%d}{value=ini}{display=As in VXParam.ini}{default=true}\n", a);
        for (const auto& [value, display] : list) {
            std::printf("value {arg=%d}{value=%s}{display=%s}\n", a, value.c_str(),
                        display.c_str());
        }
    };
    arg("--home", "Program folder", "string",
        "The folder of VXParam.ini and ports/ (empty: VEXLO_HOME, else the usual folder)", "Unit");
    std::vector<std::pair<std::string, std::string>> ports;
    for (int n = 1; n <= 16; ++n) {
        ports.emplace_back(std::to_string(n), "COM" + std::to_string(n));
    }
    values(arg("--port", "Port", "selector", "The port of the main unit", "Unit"), ports);
    std::vector<std::pair<std::string, std::string>> speeds;
    for (const int32_t s : kUnitSpeeds) {
        speeds.emplace_back(std::to_string(s), std::to_string(s) + " bit/s");
    }
    values(arg("--speed", "Speed", "selector", "The speed of the monitored line", "Line"), speeds);
    values(arg("--data-bits", "Data bits", "selector", "Data bits of a character", "Line"),
           {{"7", "7"}, {"8", "8"}});
    values(arg("--parity", "Parity", "selector", "Parity bit of a character", "Line"),
           {{"none", "None"}, {"odd", "Odd"}, {"even", "Even"}});
    values(arg("--stop-bits", "Stop bits", "selector", "Stop bits of a character", "Line"),
           {{"1", "1"}, {"1.5", "1.5"}, {"2", "2"}});
    values(arg("--line", "Line type", "selector", "The kind of line the unit taps", "Line"),
           {{"rs232c", "RS-232C"}, {"rs422", "RS-422/485"}});
    values(arg("--idle", "Idle step", "selector",
               "Idle records in this unit; each one ends a packet", "Line"),
           {{"off", "Off"}, {"1s", "1 s"}, {"100ms", "100 ms"}, {"10ms", "10 ms"}});
}

// The capture: the records of a headless run as packets on the FIFO.
class ExtcapRun final : public HeadlessRun {
  public:
    ExtcapRun(const Settings& settings, const std::string& programFolder, std::string path,
              int fifo)
        : HeadlessRun(settings, programFolder),
          path_(std::move(path)),
          fifo_(fifo),
          packets_(out_) {
        hold_.setSingleShot(true);
        hold_.setInterval(100);
        QObject::connect(&hold_, &QTimer::timeout, [this] {
            packets_.flush();
            send();
        });
        // The reader gone: Wireshark stopped the capture by closing the FIFO.
        watch_.setInterval(100);
        QObject::connect(&watch_, &QTimer::timeout, [this] {
            pollfd p{fifo_, POLLOUT, 0};
            if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP)) != 0) {
                closed_ = true;
                Quit();
            }
        });
    }

    int run() {
        if (!send()) {
            return Fail(path_, "cannot be written: " + error_);
        }
        if (const std::optional<int> failed = begin("nothing captured")) {
            return *failed;
        }
        watch_.start();
        RunLoop();
        end();
        packets_.flush();
        send();
        if (lost()) {
            return Fail(PortName(), "the unit went away");
        }
        return kExitOk;
    }

  private:
    // Wireshark ends a capture by a signal: a stop that is the user's own, no error.
    int StoppedAtStart(int /*sig*/, const std::string& /*notWritten*/) override { return kExitOk; }

    // The records of one batch, with the time it arrived. A data packet left open waits for
    // more bytes of its direction for 100 ms at most.
    void Records(std::string_view records) override {
        const int64_t now = localEpochMicros(clock_.now());
        rec::forEachRecord(reinterpret_cast<const uint8_t*>(records.data()),
                           static_cast<int32_t>(records.size()),
                           [&](const rec::Record& r) { packets_.add(r, now); });
        if (packets_.packetOpen()) {
            hold_.start();
        } else {
            hold_.stop();
        }
        send();
    }

    // Writes the packets made so far. False once the reader has gone.
    bool send() {
        size_t done = 0;
        while (!closed_ && done < out_.size()) {
            const ssize_t n = ::write(fifo_, out_.data() + done, out_.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno != EINTR) {
                error_ = std::strerror(errno);
                closed_ = true;
                Quit();
            }
        }
        out_.clear();
        return !closed_;
    }
    std::string path_;
    int fifo_;
    std::string out_;
    PcapPackets packets_;
    QTimer hold_, watch_;
    bool closed_ = false;
    std::string error_;
};

// The executable's folder; for the installed copy in Wireshark's extcap folder the installed
// bin folder, so that the program folder is chosen as for the installed vexlo-cli.
std::string programExeFolder() {
    const std::string folder = ExeFolder();
    const std::filesystem::path bin =
        (nativePath(folder) / VEXLO_BIN_FROM_EXTCAP).lexically_normal();
    std::error_code ec;
    const bool installed =
        nativePath(folder).filename() == "extcap" &&
        std::filesystem::is_directory(nativePath(installedDataFolder(utf8Path(bin))), ec);
    return installed ? utf8Path(bin) : folder;
}

}  // namespace

int main(int argc, char* argv[]) {
    SetProgramName("vexlo-extcap");
    Choices c;
    if (const std::optional<int> ended = ParseCommand({argv + 1, argv + argc}, kUsage, c, parse)) {
        return *ended;
    }
    if (c.interfaces) {
        printInterfaces();
        return kExitOk;
    }
    if (c.interface && *c.interface != kInterface) {
        return Fail(*c.interface, "no such interface (vexlo-extcap has only vexlo)");
    }
    if (c.dlts) {
        printDlts();
        return kExitOk;
    }
    if (c.config) {
        printConfig();
        return kExitOk;
    }
    if (c.filter && !c.capture) {
        std::printf("%s\n", kNoFilter);  // Wireshark's check of a filter: the reason it is not
        return kExitOk;                  // valid, or nothing
    }
    if (!c.capture) {
        return UsageError("no call given", kUsage);
    }
    if (c.filter) {
        return Fail("--extcap-capture-filter " + *c.filter, kNoFilter);
    }

    const RunSettings run = LoadRunSettings(c.line, programExeFolder());
    // Opened before the signals are caught: Wireshark ending the capture before it reads
    // simply ends this program, with nothing started.
    const int fifo = ::open(c.fifo->c_str(), O_WRONLY | O_CLOEXEC);
    if (fifo < 0) {
        return Fail(*c.fifo, std::string("cannot be opened: ") + std::strerror(errno));
    }
    std::signal(SIGPIPE, SIG_IGN);
    CatchSignals();
    int qtArgc = 1;
    char name[] = "vexlo-extcap";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    ExtcapRun session(run.settings, run.programFolder, *c.fifo, fifo);
    const int status = session.run();
    ::close(fifo);
    return status;
}
