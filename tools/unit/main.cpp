// vexlo-unit: a virtual main unit on a pseudo-terminal, for running and testing Vexlo
// without the hardware. See Options::usage() for the command line.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "ControlChannel.h"
#include "DeviceLink.h"
#include "Options.h"
#include "PseudoTerminal.h"
#include "RecordFile.h"
#include "Tap.h"
#include "UnitServer.h"

namespace {

int stopWrite = -1;

void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopWrite, &byte, 1);
}

// A pipe that becomes readable on SIGINT or SIGTERM, so the poll loop sees the signal
// without a race; -1 on failure.
int stopPipe() {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    for (const int fd : fds) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    stopWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return fds[0];
}

// What the ready line adds when the link's folders had to be made: " (made the missing
// folder A)", " (made the missing folders A, A/B)"; empty when none was.
std::string madeNote(const std::vector<std::string>& made) {
    if (made.empty()) {
        return {};
    }
    std::string note =
        made.size() == 1 ? " (made the missing folder " : " (made the missing folders ";
    for (size_t i = 0; i < made.size(); ++i) {
        note += (i == 0 ? "" : ", ") + made[i];
    }
    return note + ")";
}

int serve(const Options& options) {
    RecordFile record;
    if (!options.record.empty() && !record.open(options.record)) {
        std::fprintf(stderr, "vexlo-unit: %s: %s\n", options.record.c_str(), std::strerror(errno));
        return 1;
    }
    const int stopFd = stopPipe();
    if (stopFd < 0) {
        std::perror("vexlo-unit: pipe");
        return 1;
    }
    PseudoTerminal terminal;
    DeviceLink link(options.link, terminal.devicePath());
    std::unique_ptr<Tap> tap;
    if (options.tapping()) {
        tap = std::make_unique<Tap>(options.tapSd, options.tapRd);
    }
    UnitServer server(options, terminal.master(), record, tap.get());
    // The unit works without its control channel; only the companion cannot reach it then.
    std::unique_ptr<ControlChannel> control;
    try {
        control = std::make_unique<ControlChannel>(options.control);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlo-unit: no control channel: %s\n", e.what());
    }
    std::printf("ready %s%s\n", options.link.c_str(), madeNote(link.madeFolders()).c_str());
    std::fflush(stdout);
    server.run(stopFd, control.get());
    record.flush();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = Options::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "vexlo-unit: %s\nTry 'vexlo-unit --help'.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(Options::usage().c_str(), stdout);
        return 0;
    }
    try {
        return serve(*options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlo-unit: %s\n", e.what());
        return 1;
    }
}
