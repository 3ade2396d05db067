// vexlo-cli: capture without a display, capture log file information and exports.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "Cli.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli COMMAND [ARGS]\n"
    "Commands:\n"
    "  info FILE.vxm [--json]     settings, data length and record counts of a capture log\n"
    "  export FILE.vxm [OPTIONS]  the capture as text, as the program's text save writes it\n"
    "  pcap FILE.vxm -o OUT.pcap  the capture as a pcap file for Wireshark and tshark\n"
    "  frames FILE.vxm [OPTIONS]  frames, gaps and reply times, optionally as Modbus RTU\n"
    "  capture -o FILE.vxm        monitor with the unit and store the capture (no display)\n"
    "  detect                     find the speed and format of the monitored line\n"
    "'vexlo-cli COMMAND --help' describes each command.\n"
    "Exit status: 0 done, 1 error, 2 usage error.\n";

int run(std::vector<std::string> args) {
    if (args.empty()) {
        return UsageError("no command given", kUsage);
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage.data(), stdout);
        return kExitOk;
    }
    if (command == "info") {
        return InfoCommand(std::move(args));
    }
    if (command == "export") {
        return ExportCommand(std::move(args));
    }
    if (command == "pcap") {
        return PcapCommand(std::move(args));
    }
    if (command == "frames") {
        return FramesCommand(std::move(args));
    }
    if (command == "capture") {
        return CaptureCommand(std::move(args));
    }
    if (command == "detect") {
        return DetectCommand(std::move(args));
    }
    return UsageError("unknown command " + command, kUsage);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Memory that cannot be had ends the command with one line and status 1, never an abort.
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        return Fail(argc > 1 ? argv[1] : "vexlo-cli", "out of memory");
    }
}
