#pragma once
// The fixture of the tests that run vexlo-unit and vexlo-cli capture as processes: a program
// folder with the unit on its ports/COM5, the capture's outcome and what it stored.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Quoted.h"
#include "files/LogFile.h"
#include "files/TempFolder.h"

class CaptureTest : public ::testing::Test {
  protected:
    CaptureTest() { std::filesystem::create_directories(home.File("ports")); }
    ~CaptureTest() override { StopUnit(SIGTERM); }

    // Starts vexlo-unit on the program folder's ports/COM5, recording into record.bin, and
    // waits until it is ready.
    void StartUnit(const std::vector<std::string>& args) {
        std::string cmd = quoted(VEXLO_UNIT_BINARY) + " --link " + quoted(home.File("ports/COM5")) +
                          " --record " + quoted(home.File("record.bin"));
        for (const std::string& a : args) {
            cmd += " " + quoted(a);
        }
        cmd += " >" + quoted(home.File("unit.out")) + " 2>&1 & echo $! >" +
               quoted(home.File("unit.pid"));
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        for (int i = 0; i < 300 && home.Read("unit.out").rfind("ready", 0) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_EQ(home.Read("unit.out").rfind("ready", 0), 0U) << home.Read("unit.out");
        unitPid_ = std::stoi(home.Read("unit.pid"));
    }
    void StopUnit(int sig) {
        if (unitPid_ > 0) {
            kill(unitPid_, sig);
            for (int i = 0; i < 300 && kill(unitPid_, 0) == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            unitPid_ = -1;
        }
    }

    struct Outcome {
        int code;
        std::string err;
    };
    // vexlo-cli capture with the program folder and the unit's port; runs until it ends, or
    // in the background (its exit status then goes to cli.code).
    Outcome Capture(const std::vector<std::string>& args, bool background = false) {
        std::string cmd =
            quoted(VEXLO_CLI_BINARY) + " capture --home " + quoted(home.Path()) + " --port 5";
        for (const std::string& a : args) {
            cmd += " " + quoted(a);
        }
        cmd += " 2>" + quoted(home.File("cli.err"));
        if (background) {
            cmd = "(" + cmd + " & echo $! >" + quoted(home.File("cli.pid")) +
                  "; wait $!; echo $? >" + quoted(home.File("cli.code")) + ") &";
        }
        const int st = std::system(cmd.c_str());
        return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, home.Read("cli.err")};
    }
    // Waits until the background capture has ended; its exit status, or -1.
    int WaitForCapture() {
        for (int i = 0; i < 1500 && home.Read("cli.code").empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::string code = home.Read("cli.code");
        return code.empty() ? -1 : std::stoi(code);
    }
    // Waits until the unit's trace (--trace) has a line starting with what, count times.
    bool WaitForTrace(const std::string& what, int count = 1) {
        for (int i = 0; i < 1000; ++i) {
            const std::string trace = "\n" + home.Read("unit.out");
            int seen = 0;
            for (size_t at = trace.find("\n" + what); at != std::string::npos;
                 at = trace.find("\n" + what, at + 1)) {
                ++seen;
            }
            if (seen >= count) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // The unit's answer to STATUS on its control channel ("OK monitoring flood -").
    [[nodiscard]] std::string UnitStatus() const { return Control("STATUS"); }
    // The unit's answer to a command on its control channel.
    [[nodiscard]] std::string Control(const std::string& command) const {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = home.File("ports/COM5.ctl");
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        std::string reply;
        const std::string line = command + "\n";
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
            char c = 0;
            pollfd p{fd, POLLIN, 0};
            while (poll(&p, 1, 2000) == 1 && recv(fd, &c, 1, 0) == 1 && c != '\n') {
                reply += c;
            }
        }
        close(fd);
        return reply;
    }
    [[nodiscard]] std::string Stored(const std::string& name) const {
        std::string error;
        const std::optional<LogFile> f = ReadLogFile(out.File(name), error);
        EXPECT_TRUE(f.has_value()) << name << ": " << error;
        return f ? std::string(f->data.begin(), f->data.end()) : std::string();
    }

    TempFolder home, out;
    int unitPid_ = -1;
};
