#pragma once
// The fixture of the tests that run vexlo-unit and vexlo-cli capture as processes: a program
// folder with the unit on its ports/COM5, the capture's outcome and what it stored.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QStringList>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Quoted.h"
#include "files/LogFile.h"
#include "files/TempFolder.h"
#include "support/VirtualUnit.h"

class CaptureTest : public ::testing::Test {
  protected:
    CaptureTest() { std::filesystem::create_directories(home.File("ports")); }

    // Starts vexlo-unit on the program folder's ports/COM5, recording into record.bin, and
    // waits until it is ready.
    void StartUnit(const QStringList& args) {
        unit_ = std::make_unique<VirtualUnit>(
            QString::fromStdString(home.File("ports/COM5")),
            QStringList{"--record", QString::fromStdString(home.File("record.bin"))} + args);
        ASSERT_TRUE(unit_->ready()) << unit_->errors().toStdString();
    }
    // Waits until the unit's trace (--trace) has a line starting with what, count times.
    bool WaitForTrace(const std::string& what, int count = 1) {
        return unit_->waitForTrace(QString::fromStdString(what), count);
    }
    // What the unit printed, for failure messages.
    [[nodiscard]] std::string UnitOutput() const {
        return (unit_->trace().join('\n') + '\n' + unit_->errors()).toStdString();
    }

    struct Outcome {
        int code;
        std::string err;
    };
    // vexlo-cli capture with the program folder and the unit's port; runs until it ends, or
    // in the background (its exit status then goes to cli.code).
    Outcome Capture(const std::vector<std::string>& args, bool background = false) {
        return Command("capture", args, background);
    }
    // The same for another command of vexlo-cli on the program folder and the unit's port;
    // its standard output goes to cli.out.
    Outcome Command(const std::string& command, const std::vector<std::string>& args,
                    bool background = false) {
        std::string cmd = quoted(VEXLO_CLI_BINARY) + " " + command + " --home " +
                          quoted(home.path()) + " --port 5";
        for (const std::string& a : args) {
            cmd += " " + quoted(a);
        }
        if (command != "capture") {
            cmd += " >" + quoted(home.File("cli.out"));
        }
        cmd += " 2>" + quoted(home.File("cli.err"));
        if (background) {
            cmd = "(" + cmd + " & echo $! >" + quoted(home.File("cli.pid")) +
                  "; wait $!; echo $? >" + quoted(home.File("cli.code")) + ") &";
        }
        const int st = std::system(cmd.c_str());
        return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, home.read("cli.err")};
    }
    // Waits until the background command has ended; its exit status, or -1.
    int WaitForCapture() {
        for (int i = 0; i < 1500 && home.read("cli.code").empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::string code = home.read("cli.code");
        return code.empty() ? -1 : std::stoi(code);
    }
    // The unit's answer to STATUS on its control channel ("OK monitoring flood -").
    [[nodiscard]] std::string UnitStatus() const { return unit_->control("STATUS").toStdString(); }
    [[nodiscard]] std::string Stored(const std::string& name) const {
        std::string error;
        const std::optional<LogFile> f = readLogFile(out.File(name), error);
        EXPECT_TRUE(f.has_value()) << name << ": " << error;
        return f ? std::string(f->data.begin(), f->data.end()) : std::string();
    }

    TempFolder home, out;
    std::unique_ptr<VirtualUnit> unit_;  // ended before its folder goes
};
