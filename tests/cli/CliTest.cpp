// vexlo-cli as a process: exit codes, standard output and error, and the files it writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>

#include "Quoted.h"
#include "analysis/FrameExamples.h"
#include "base/VersionText.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "files/TempFolder.h"
#include "files/TextExportExamples.h"
#include "support/SampleCapture.h"

namespace {

struct Outcome {
    int code;
    std::string out, err;
};

class Cli : public ::testing::Test {
  protected:
    Outcome run(const std::vector<std::string>& args, const char* program = VEXLO_CLI_BINARY) {
        std::string cmd = quoted(program);
        for (const std::string& a : args) {
            cmd += " " + quoted(a);
        }
        cmd += " >" + quoted(dir.File("stdout")) + " 2>" + quoted(dir.File("stderr"));
        const int st = std::system(cmd.c_str());
        return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, dir.read("stdout"), dir.read("stderr")};
    }

    // A log file with the given header and records; returns its path.
    std::string logFile(const std::string& name, const LogHeader& h,
                        const std::vector<uint8_t>& records) {
        uint8_t head[kLogHeaderLen];
        encodeHeader(h, head);
        dir.write(name, std::string(reinterpret_cast<const char*>(head), sizeof head) +
                            std::string(records.begin(), records.end()));
        return dir.File(name);
    }

    static LogHeader header(int16_t dispMode) {
        LogHeader h;
        h.glngSpeed = 9600;
        h.gintDataLen = 1;
        h.gintDispMode = dispMode;
        h.gintFontSize = 1;
        return h;
    }

    TempFolder dir;
};

std::vector<std::string> choiceArgs(const TextExportExample& e) {
    static const char* kAscii[] = {"screen", "dot", "hex"};
    std::vector<std::string> args{"--layout", e.fixed ? "fixed" : "switch"};
    args.insert(args.end(), {e.fixed ? "--cells" : "--limit", std::to_string(e.number)});
    args.insert(args.end(), {"--ascii", kAscii[e.asciiSaveMode]});
    return args;
}

}  // namespace

TEST_F(Cli, ExportWritesTheExamplesToStandardOutputAndToAFile) {
    for (const TextExportExample& e : TextExportExamples()) {
        SCOPED_TRACE(e.name);
        const std::string in = logFile("in.vxm", header(e.dispMode), e.records);
        std::vector<std::string> args{"export", in};
        const std::vector<std::string> choices = choiceArgs(e);
        args.insert(args.end(), choices.begin(), choices.end());
        const Outcome toStdout = run(args);
        EXPECT_EQ(toStdout.code, 0) << toStdout.err;
        EXPECT_EQ(toStdout.out, e.expected);

        // The file's display mode overridden on the command line gives the same text.
        logFile("in.vxm", header(static_cast<int16_t>(1 - e.dispMode)), e.records);
        args.insert(args.end(),
                    {"--display", e.dispMode == 0 ? "ascii" : "hex", "-o", dir.File("out.txt")});
        const Outcome toFile = run(args);
        EXPECT_EQ(toFile.code, 0) << toFile.err;
        EXPECT_EQ(toFile.out, "");
        EXPECT_EQ(dir.read("out.txt"), e.expected);
    }
}

TEST_F(Cli, ExportDefaultsToSwitchWithoutLimitInScreenTexts) {
    const std::string in = logFile("in.vxm", header(0), example::kABC);
    EXPECT_EQ(run({"export", in}).out, "RD:ＡＢ\r\nSD:Ｃ(TMST:123456)\r\n");
    const Outcome fixed = run({"export", "--layout=fixed", in, "--ascii=dot"});
    EXPECT_EQ(fixed.out, "RD:AB (TMST)\r\nSD:  C123456\r\n");
}

TEST_F(Cli, UsageErrorsExitTwoAndWriteNothing) {
    const std::string in = logFile("in.vxm", header(0), example::kABC);
    dir.write("out.txt", "keep me");
    const std::string out = dir.File("out.txt");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"export"},
        {"export", in, "--cells", "0", "--layout", "fixed", "-o", out},
        {"export", in, "--limit", "-1", "-o", out},
        {"export", in, "--limit", "40000", "-o", out},
        {"export", in, "--cells", "12x", "-o", out},
        {"export", in, "--layout", "diagonal", "-o", out},
        {"export", in, "--ascii", "kanji", "-o", out},
        {"export", in, "--display", "shift-jis", "-o", out},
        {"export", in, "--colour", "-o", out},
        {"export", in, in, "-o", out},
        {"export", in, "-o"},
        {"info"},
        {"info", in, "--yaml"},
        {"info", in, in},
        {"pcap", in},
        {"pcap", "-o", out},
        {"pcap", in, "-o", out, "--date", "2026-13-01"},
        {"pcap", in, "-o", out, "--date", "7.12.2026"},
        {"pcap", in, "-o", out, "--snaplen", "10"},
        {"frames"},
        {"frames", in, "--gap", "-1", "-o", out},
        {"frames", in, "--format", "xml", "-o", out},
        {"frames", in, "--modbus=yes", "-o", out},
        {"pcap", in, "-o", out, "--date", "2026-02-30"},
        {"pcap", in, "-o", out, "--date", "2100-02-29"},
        {"capture"},
        {"capture", "-o", out, "--speed", "12345"},
        {"capture", "-o", out, "--parity", "mark"},
        {"capture", "-o", out, "--stop-bits", "3"},
        {"capture", "-o", out, "--seconds", "0"},
        {"capture", "-o", out, "--port", "0"},
        {"capture", "-o", out, "--idle", "1min"},
        {"capture", "-o", out, "--block-kb", "10"},
        {"capture", "-o", out, "--autosave", dir.File("a.vxm"), "--max-files", "x"},
        {"capture", "-o", out, "--autosave", out},
        {"capture", "-o", out, "--autosave", dir.path() + "/./out.txt"},
        {"capture", "-o", out, "extra"},
    };
    for (const auto& args : cases) {
        const Outcome r = run(args);
        std::string line;
        for (const auto& a : args) {
            line += a + " ";
        }
        EXPECT_EQ(r.code, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_NE(r.err.find("usage: vexlo-cli"), std::string::npos) << line;
    }
    EXPECT_EQ(dir.read("out.txt"), "keep me");
}

TEST_F(Cli, EveryCommandHasHelp) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"},
                                                                  {"info", "--help"},
                                                                  {"export", "--help"},
                                                                  {"export", "x", "-h"},
                                                                  {"pcap", "--help"},
                                                                  {"frames", "--help"},
                                                                  {"capture", "--help"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind("usage: vexlo-cli", 0), 0u) << args[0];
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Cli, BadFilesExitOneWithOneLineAndLeaveTheOutputAlone) {
    dir.write("short.vxm", std::string(23, '\0'));
    std::filesystem::create_directory(dir.File("folder.vxm"));
    const std::string good = logFile("good.vxm", header(0), example::kABC);
    dir.write("out.txt", "keep me");
    const std::string out = dir.File("out.txt");
    const struct {
        std::vector<std::string> args;
        std::string named;
        const char* reason;
    } cases[] = {
        {{"export", dir.File("missing.vxm"), "-o", out}, dir.File("missing.vxm"), "no such file"},
        {{"export", dir.File("short.vxm"), "-o", out},
         dir.File("short.vxm"),
         "shorter than 24 bytes"},
        {{"export", dir.File("folder.vxm"), "-o", out}, dir.File("folder.vxm"), "is a folder"},
        {{"info", dir.File("short.vxm")}, dir.File("short.vxm"), "shorter than 24 bytes"},
        {{"info", "--json", dir.File("folder.vxm")}, dir.File("folder.vxm"), "is a folder"},
        {{"export", good, "-o", dir.path()}, dir.path(), "is a folder"},
        {{"export", good, "-o", dir.File("no/such/out.txt")},
         dir.File("no/such/out.txt"),
         "cannot be written: No such file or directory"},
        {{"pcap", dir.File("short.vxm"), "-o", out},
         dir.File("short.vxm"),
         "shorter than 24 bytes"},
        {{"pcap", good, "-o", dir.path()}, dir.path(), "is a folder"},
        {{"frames", dir.File("missing.vxm")}, dir.File("missing.vxm"), "no such file"},
        {{"frames", good, "-o", dir.File("no/such/out.csv")},
         dir.File("no/such/out.csv"),
         "cannot be written: No such file or directory"},
        {{"pcap", good, "-o", dir.File("no/such/out.pcap")},
         dir.File("no/such/out.pcap"),
         "cannot be written: No such file or directory"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.code, 1) << c.named;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vexlo-cli: " + c.named + ": " + c.reason + "\n");
    }
    EXPECT_EQ(dir.read("out.txt"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.txt.tmp")));
}

// Names the system cannot look up, in every command that converts: one line naming the
// file and the system's reason, and nothing written. A folder that may not be searched stops
// an ordinary user only; root passes it.
TEST_F(Cli, NamesTheSystemCannotLookUpEndWithOneLineInEveryCommand) {
    const std::string good = logFile("good.vxm", header(0), example::kABC);
    const std::string loop = dir.File("loop");
    std::filesystem::create_symlink("loop", loop);
    const std::string tooLong = dir.File(std::string(300, 'x'));
    const std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    std::filesystem::copy_file(good, locked + "/in.vxm");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const bool root = geteuid() == 0;
    const std::string out = dir.File("out");
    const std::string unwritable = "cannot be written: ";
    for (const char* command : {"export", "pcap", "frames"}) {
        const struct {
            std::string input, output, named, reason;
        } cases[] = {
            {good, loop, loop, unwritable + std::strerror(ELOOP)},
            {good, tooLong, tooLong, unwritable + std::strerror(ENAMETOOLONG)},
            {loop, out, loop, std::string("cannot be read: ") + std::strerror(ELOOP)},
            {tooLong, out, tooLong, std::string("cannot be read: ") + std::strerror(ENAMETOOLONG)},
            {locked + "/in.vxm", out, locked + "/in.vxm",
             root ? "" : std::string("cannot be read: ") + std::strerror(EACCES)},
            {good, locked + "/out", locked + "/out",
             root ? "" : unwritable + std::strerror(EACCES)},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(command) + " " + c.input + " -o " + c.output);
            std::filesystem::remove(out);
            const Outcome r = run({command, c.input, "-o", c.output});
            if (c.reason.empty()) {  // root
                EXPECT_EQ(r.code, 0) << r.err;
                EXPECT_TRUE(std::filesystem::exists(c.output));
                continue;
            }
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.err, "vexlo-cli: " + c.named + ": " + c.reason + "\n");
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
    const Outcome info = run({"info", loop});
    EXPECT_EQ(info.err, "vexlo-cli: " + loop + ": cannot be read: " + std::strerror(ELOOP) + "\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5)
        << "good.vxm, loop, locked, stdout and stderr: nothing else was written";
}

// A converter ended by SIGINT, SIGTERM or SIGHUP while it writes: its temporary file is gone,
// the target is as it was, and it ends as the signal ends a program.
TEST_F(Cli, ConvertersEndedBySignalsLeaveNoTemporaryFileAndTheTargetAsItWas) {
    // Long enough to be caught while they write. frames analyses the whole capture before it
    // writes, and writes several times more than it reads: a smaller capture will do.
    std::vector<uint8_t> records;
    for (int i = 0; i < 2'000'000; ++i) {
        records.insert(records.end(), example::kABC.begin(), example::kABC.end());
    }
    const std::string big = logFile("big.vxm", header(0), records);
    records.resize(records.size() / 8);
    const std::string small = logFile("small.vxm", header(0), records);
    for (const char* command : {"export", "pcap", "frames"}) {
        const std::string in = command == std::string("frames") ? small : big;
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::string(command) + " " + strsignal(sig));
            dir.write("out", "keep me");
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                // As from a terminal, also where this test runs in the background.
                for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
                    signal(s, SIG_DFL);
                }
                const int null = open("/dev/null", O_WRONLY);
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
                const std::string out = dir.File("out");
                execl(VEXLO_CLI_BINARY, VEXLO_CLI_BINARY, command, in.c_str(), "-o", out.c_str(),
                      static_cast<char*>(nullptr));
                _exit(127);
            }
            // Its temporary file beside the target shows that it writes.
            const auto writing = [&] {
                for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
                    if (e.path().filename().string().rfind("out.", 0) == 0) {
                        return true;
                    }
                }
                return false;
            };
            for (int i = 0; i < 20'000 && !writing(); ++i) {
                usleep(500);
            }
            EXPECT_TRUE(writing());
            kill(pid, sig);
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
            EXPECT_FALSE(writing()) << "the temporary file is gone";
            EXPECT_EQ(dir.read("out"), "keep me");
        }
    }
}

TEST_F(Cli, InfoDescribesHeaderAndRecords) {
    LogHeader h = header(1);
    h.gintLineType = 1;
    h.glngSpeed = 19200;
    h.gintDataLen = 0;
    h.gintStopBit = 1;
    h.gintParity = 2;
    h.gintTimeStamp = 1;
    h.gintIdleMode = 10;
    h.gintScroll = 2;
    const std::vector<uint8_t> records = {
        0xC1,                    // second byte of a pair cut off by the buffer: skipped
        0x30, 9,    8,    7,     // time stamp 09:08:07
        0x84, 0xC1, 0x94, 0xC2,  // RD, RD with parity error
        0xA4, 0xD3, 0xB4, 0xD4,  // SD with framing error, SD with both: a framing error
        0x20, 0,    1,    2,     // idle
        0x43, 0x30,              // line state
        0x30, 23,   59,   58,    // time stamp 23:59:58
        0x84};                   // cut off at the end: not counted
    const std::string in = logFile("in.vxm", h, records);
    const Outcome text = run({"info", in});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.out,
              "file:        " + in +
                  "\n"
                  "data:        24 bytes\n"
                  "line:        RS422/485, 19200 bit/s, 7 data bits, parity even, 1.5 stop bits\n"
                  "display:     hex, time stamps on, idle scale 100ms, line state off, medium "
                  "characters, scroll 2\n"
                  "records:     RD 2, SD 2, parity errors 1, framing errors 2, idle 1, time "
                  "stamps 2, line states 1\n"
                  "first time:  09:08:07\n"
                  "last time:   23:59:58\n");
    const Outcome json = run({"info", "--json", in});
    EXPECT_EQ(json.code, 0);
    EXPECT_EQ(json.out,
              "{\"file\":\"" + in +
                  "\",\"bytes\":24,"
                  "\"line\":{\"type\":\"RS422/485\",\"speed\":19200,\"data_bits\":7,"
                  "\"parity\":\"even\",\"stop_bits\":1.5},"
                  "\"display\":{\"mode\":\"hex\",\"time_stamp\":true,\"idle_scale\":\"100ms\","
                  "\"line_state\":false,\"font_size\":\"medium\",\"scroll\":2},"
                  "\"header\":{\"line_type\":1,\"speed\":19200,\"data_len\":0,\"stop_bit\":1,"
                  "\"parity\":2,\"disp_mode\":1,\"time_stamp\":1,\"idle_mode\":10,"
                  "\"line_state\":0,\"font_size\":1,\"scroll\":2},"
                  "\"records\":{\"rd\":2,\"sd\":2,\"parity_errors\":1,\"framing_errors\":2,"
                  "\"idle\":1,\"time_stamps\":2,\"line_states\":1},"
                  "\"first_time\":\"09:08:07\",\"last_time\":\"23:59:58\"}\n");
}

TEST_F(Cli, InfoOfAnEmptyCaptureWithAnOddName) {
    const std::string in = logFile("odd \"name\".vxm", header(2), {});
    const Outcome text = run({"info", in});
    EXPECT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("display:     shift-jis, time stamps off, idle scale none, line state "
                            "off, medium characters, scroll 0\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("first time:  -\nlast time:   -\n"), std::string::npos);
    const Outcome json = run({"info", in, "--json"});
    EXPECT_NE(json.out.find("\"file\":\"" + dir.path() + "/odd \\\"name\\\".vxm\""),
              std::string::npos);
    EXPECT_NE(json.out.find("\"bytes\":0,"), std::string::npos);
    EXPECT_NE(json.out.find("\"disp_mode\":2,"), std::string::npos);
    EXPECT_NE(json.out.find("\"first_time\":null,\"last_time\":null}"), std::string::npos);
}

// A file whose header holds values no setting can hold is not a capture log: every command
// that reads one refuses it in one line, and writes nothing.
TEST_F(Cli, CommandsRefuseAFileThatIsNotACaptureLog) {
    LogHeader h = header(0);
    h.gintDispMode = 7;
    h.gintFontSize = -3;
    const std::string odd = logFile("odd.vxm", h, {0x41, 0x20});
    const std::string pdf = dir.File("paper.pdf");
    std::ofstream(pdf, std::ios::binary) << "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< >>\nendobj\n";
    const struct {
        std::vector<std::string> args;
        std::string file, values;
    } cases[] = {
        {{"info", odd}, odd, "display mode 7, font size -3"},
        {{"info", pdf, "--json"},
         pdf,
         "line type 20517, speed 825050692, data bits 13358, stop bits 9482, parity -7198, "
         "display mode -11313, time stamp 12554, idle scale 12320, line state 28448, "
         "font size 27234"},
        {{"export", odd, "-o", dir.File("out.txt")}, odd, "display mode 7, font size -3"},
        {{"pcap", odd, "-o", dir.File("out.pcap")}, odd, "display mode 7, font size -3"},
        {{"frames", odd}, odd, "display mode 7, font size -3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const Outcome r = run(c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vexlo-cli: " + c.file + ": not a capture log (" + c.values + ")\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.pcap")));
}

TEST_F(Cli, PcapWritesTheExportOfTheFileOnTheGivenDate) {
    LogHeader h = header(0);
    h.glngSpeed = 19200;
    h.gintIdleMode = 100;
    const std::vector<uint8_t> records{0x30, 12, 0, 0, 0xA4, 0xC1, 0x20, 0, 0, 7, 0x84, 0xC2};
    const std::string in = logFile("in.vxm", h, records);
    const Outcome r = run({"pcap", in, "-o", dir.File("out.pcap"), "--date", "2026-12-07"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");

    std::tm day{};
    day.tm_year = 2026 - 1900;
    day.tm_mon = 11;
    day.tm_mday = 7;
    day.tm_isdst = -1;
    const LineTiming line{19200, 1, 0, 0, 100};
    const std::string expected =
        pcapFromCapture(records.data(), static_cast<int32_t>(records.size()), line,
                        PcapTimes{std::mktime(&day), 0});
    EXPECT_EQ(dir.read("out.pcap"), expected);
    EXPECT_EQ(expected.size(), 24U + 2 * (16 + 12 + 1));
}

TEST_F(Cli, FramesWritesTheExamplesAsCsvJsonAndText) {
    for (const FrameExample& e : FrameExamples()) {
        SCOPED_TRACE(e.name);
        LogHeader h = header(0);
        h.glngSpeed = 10000;
        h.gintIdleMode = e.idleMode;
        const std::string in = logFile("in.vxm", h, e.records);
        std::vector<std::string> args{"frames",   in,   "--gap", std::to_string(e.gapMs),
                                      "--format", "csv"};
        std::string csv = "index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex";
        csv += e.modbus ? ",unit,function,kind,crc_ok" : "";
        csv += ",protocol,check,problem\n";
        // The protocol, the check and the problem follow from the Modbus columns.
        const auto tail = [&e](const std::string& row) -> std::string {
            if (!e.modbus) {
                return ",idle,none,";
            }
            if (row.ends_with(",noise,")) {
                return ",modbus-rtu,none,noise";
            }
            return row.ends_with(",true") ? ",modbus-rtu,ok," : ",modbus-rtu,bad,";
        };
        for (size_t i = 0; i < e.rows.size(); ++i) {
            csv += std::to_string(i + 1) + ',' + e.rows[i] + tail(e.rows[i]) + '\n';
        }
        if (e.modbus) {
            args.push_back("--modbus");
        }
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, csv);
        args.insert(args.end(), {"-o", dir.File("frames.csv")});
        EXPECT_EQ(run(args).code, 0);
        EXPECT_EQ(dir.read("frames.csv"), csv);
    }

    const FrameExample m = FrameExamples().back();
    LogHeader h = header(0);
    h.glngSpeed = 10000;
    h.gintIdleMode = 100;
    const std::string in = logFile("modbus.vxm", h, m.records);
    const Outcome json = run({"frames", in, "--modbus", "--format", "json"});
    EXPECT_EQ(json.code, 0);
    EXPECT_EQ(json.out.rfind("{\"idle_step_ms\":10,\"frames\":[\n{\"index\":1,\"dir\":\"SD\","
                             "\"start_s\":0.000000,\"bytes\":8,\"errors\":0,\"gap_ms\":null,"
                             "\"reply_ms\":null,\"hex\":\"01 03 00 00 00 0A C5 CD\",\"protocol\":"
                             "\"modbus-rtu\",\"check\":\"ok\",\"problem\":\"\",\"modbus\":"
                             "{\"unit\":1,\"function\":3,\"kind\":\"request\",\"crc_ok\":true}},\n",
                             0),
              0U)
        << json.out;
    EXPECT_NE(json.out.find(
                  "\"summary\":{\"SD\":{\"frames\":5,\"bytes\":40,\"bad_checks\":1,\"reply_ms\":{"
                  "\"count\":2,\"min\":10,\"median\":10,\"p95\":10,\"max\":10}},"
                  "\"RD\":{\"frames\":2,\"bytes\":12,\"bad_checks\":0,\"reply_ms\":{\"count\":2,"
                  "\"min\":10,\"median\":10,\"p95\":10,\"max\":10}},\"protocol\":\"modbus-rtu\","
                  "\"crc_bad\":1,"
                  "\"noise\":0}}\n"),
              std::string::npos)
        << json.out;
    const Outcome text = run({"frames", in, "--modbus"});
    EXPECT_EQ(text.code, 0);
    EXPECT_NE(text.out.find(
                  "SD: 5 frames, 40 bytes, 1 bad checks, 2 replies, reply_ms min 10 median 10 p95 "
                  "10 max 10\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("idle step: 10 ms"), std::string::npos);
    EXPECT_NE(text.out.find("CRC bad: 1\nnoise: 0\n"), std::string::npos);

    // Gaps of unknown length: null, and no reply time in the summary.
    h.gintIdleMode = 0;
    const std::string unknown = logFile("unknown.vxm", h, FrameExamples()[3].records);
    const Outcome nulls = run({"frames", unknown, "--format", "json"});
    EXPECT_NE(nulls.out.find("\"bytes\":1,\"errors\":0,\"gap_ms\":null,\"reply_ms\":null,"
                             "\"hex\":\"42\",\"protocol\":\"idle\",\"check\":\"none\","
                             "\"problem\":\"\"}],\n"),
              std::string::npos)
        << nulls.out;
    EXPECT_NE(nulls.out.find("\"RD\":{\"frames\":2,\"bytes\":2,\"reply_ms\":{\"count\":0,"),
              std::string::npos)
        << nulls.out;
}

TEST_F(Cli, FramesByProtocolFromVXProtoIniOrAnotherFile) {
    LogHeader h = header(0);
    h.glngSpeed = 10000;
    h.gintIdleMode = 100;
    SampleCapture c;
    c.Data(
         "z\x02"
         "AB\x03\x02",
         true)
        .Data(
            "\x02"
            "AB\x03\x07",
            false)
        .Data("ab\r\n", true);
    const std::string in = logFile("in.vxm", h, c.bytes);
    dir.write("VXProto.ini", "; two\n[stx]\nStart=02\nEnd=03\nCheck=xor8\nCheckAfterEnd=1\n");
    const std::string head =
        "index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex,protocol,check,problem\n";
    // The program folder's file, and another one.
    for (const std::vector<std::string>& where :
         {std::vector<std::string>{"--home", dir.path()},
          std::vector<std::string>{"--protocols", dir.File("VXProto.ini")}}) {
        std::vector<std::string> args{"frames", in, "--protocol", "stx", "--format", "csv"};
        args.insert(args.end(), where.begin(), where.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, head +
                             "1,SD,0.000000,1,0,,,7A,stx,none,noise\n"
                             "2,SD,0.001000,5,0,0,,02 41 42 03 02,stx,ok,\n"
                             "3,RD,0.006000,5,0,0,0,02 41 42 03 07,stx,bad,\n"
                             "4,SD,0.011000,4,0,0,,61 62 0D 0A,stx,none,noise\n");
    }
    const Outcome lines = run({"frames", in, "--protocol", "lines", "--home", dir.path()});
    EXPECT_EQ(lines.code, 0) << lines.err;
    EXPECT_NE(lines.out.find("protocol: lines\n"), std::string::npos) << lines.out;
    const Outcome text = run({"frames", in, "--protocol", "stx", "--home", dir.path()});
    EXPECT_NE(text.out.find("SD: 1 frames, 5 bytes, 0 bad checks,"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("RD: 1 frames, 5 bytes, 1 bad checks,"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("bad checks: 1\nnoise: 2\n"), std::string::npos) << text.out;

    // Refused: a malformed definition, a name no file defines, a missing file, two protocols.
    dir.write("bad.ini", "[stx]\nStart=02\nLength=1,3,BE,0\n");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string err;
    } refused[] = {
        {{"--protocol", "stx", "--protocols", dir.File("bad.ini")},
         1,
         dir.File("bad.ini") + ": line 3: Length=1,3,BE,0: expected OFFSET,SIZE,ORDER,ADJUST with "
                               "SIZE 1, 2 or 4 and ORDER BE or LE\n"},
        {{"--protocol", "etx", "--home", dir.path()},
         1,
         dir.File("VXProto.ini") +
             ": no protocol [etx] (built in: idle, modbus-rtu, modbus-ascii, lines)\n"},
        {{"--protocol", "stx", "--protocols", dir.File("none.ini")},
         1,
         dir.File("none.ini") + ": cannot be read\n"},
        {{"--protocol", "lines", "--modbus"}, 2, ""},
    };
    for (const auto& r : refused) {
        std::vector<std::string> args{"frames", in};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const Outcome o = run(args);
        EXPECT_EQ(o.code, r.code) << r.args[1];
        if (r.code == 1) {
            EXPECT_EQ(o.err, "vexlo-cli: " + r.err) << r.args[1];
        }
    }
}

namespace {

// What a folder holds, recursively: a file by its bytes, a link by "-> " and its target,
// anything else by its kind.
std::map<std::string, std::string> entries(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string name = e.path().lexically_relative(folder).string();
        if (e.is_symlink()) {
            all[name] = "-> " + fs::read_symlink(e.path()).string();
        } else if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            all[name] = std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            all[name] = e.is_fifo() ? "(fifo)" : "(folder)";
        }
    }
    return all;
}

}  // namespace

// Each kind of output of export and pcap: the exit status, the message, where the bytes went,
// and that nothing else in the folder changed.
TEST_F(Cli, EveryKindOfOutputIsWrittenAsWhatItIsAndNothingElseChanges) {
    std::vector<uint8_t> records;
    for (int i = 0; i < 20000; ++i) {  // large enough to fill the small file system below
        records.insert(records.end(), example::kErrors.begin(), example::kErrors.end());
    }
    const std::string in = logFile("in.vxm", header(1), records);
    const std::string full = dir.File("full");
    std::filesystem::create_directory(full);
    const bool mounted =
        std::system(
            ("mount -t tmpfs -o size=64k tmpfs " + quoted(full) + " 2>/dev/null").c_str()) == 0;
    struct Kind {
        const char* name;
        std::function<void(const TempFolder&)> prepare;
        std::string output;  // -o, in the case's folder
        int code;
        std::string message;  // standard error after "vexlo-cli: "
        std::string written;  // the entry that gets the bytes; "-": standard output
    };
    const auto write = [](const char* name, const char* text) {
        return [=](const TempFolder& f) { f.write(name, text); };
    };
    const std::vector<Kind> kinds = {
        {"regular file", write("out", "old"), "out", 0, "", "out"},
        {"link to a file",
         [](const TempFolder& f) {
             f.write("target", "old");
             std::filesystem::create_symlink("target", f.File("out"));
         },
         "out", 0, "", "target"},
        {"FIFO", [](const TempFolder& f) { ASSERT_EQ(mkfifo(f.File("out").c_str(), 0600), 0); },
         "out", 0, "", "got"},
        {"standard output", nullptr, "-", 0, "", "-"},
        {"an unrelated out.tmp", write("out.tmp", "not ours"), "out", 0, "", "out"},
        {"the input", nullptr, "in.vxm", 2, "in.vxm is the input file", ""},
        {"the input through a link",
         [](const TempFolder& f) { std::filesystem::create_symlink("in.vxm", f.File("out")); },
         "out", 2, "out is the input file", ""},
        {"a missing folder", nullptr, "missing/out", 1,
         "missing/out: cannot be written: No such file or directory", ""},
        {"a full device", nullptr, "/dev/full", 1,
         "/dev/full: cannot be written: No space left on device", ""},
        {"a full file system", write("full/old", "old"), "full/out", 1,
         "full/out: cannot be written: No space left on device", ""},
    };
    for (const char* command : {"export", "pcap"}) {
        std::vector<std::string> args = {command, "in.vxm"};
        if (std::string(command) == "pcap") {
            args.insert(args.end(), {"--date", "2026-12-07"});
        }
        const Outcome reference = run([&] {
            std::vector<std::string> a{command, in, "-o", "-"};
            a.insert(a.end(), args.begin() + 2, args.end());
            return a;
        }());
        ASSERT_EQ(reference.code, 0) << reference.err;
        ASSERT_GT(reference.out.size(), 64000U);
        for (const Kind& k : kinds) {
            SCOPED_TRACE(std::string(command) + " to " + k.name);
            if (std::string(k.name) == "a full file system" && !mounted) {
                std::cout << "[  SKIPPED ] " << command << " to a full file system: no small "
                          << "file system could be mounted (needs root)\n";
                continue;
            }
            for (const auto& [name, bytes] : entries(dir.path())) {
                if (name != "in.vxm" && name != "full") {
                    std::filesystem::remove_all(dir.File(name));
                }
            }
            if (k.prepare) {
                k.prepare(dir);
            }
            std::map<std::string, std::string> expected = entries(dir.path());
            std::string cmd = "cd " + quoted(dir.path()) + " && ";
            if (k.written == "got") {
                cmd += "{ cat out >got & } && ";
            }
            cmd += quoted(VEXLO_CLI_BINARY);
            for (const std::string& a : args) {
                cmd += " " + quoted(a);
            }
            cmd += " -o " + quoted(k.output) + " >stdout 2>stderr; st=$?; wait; exit $st";
            const int st = std::system(cmd.c_str());
            EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -1, k.code);
            const std::string err = dir.read("stderr");
            if (k.message.empty()) {
                EXPECT_EQ(err, "");
            } else {
                EXPECT_EQ(err.substr(0, err.find('\n') + 1), "vexlo-cli: " + k.message + "\n");
            }
            EXPECT_EQ(dir.read("stdout"), k.written == "-" ? reference.out : "");
            if (!k.written.empty() && k.written != "-") {
                expected[k.written] = reference.out;
            }
            std::map<std::string, std::string> after = entries(dir.path());
            after.erase("stdout");
            after.erase("stderr");
            EXPECT_TRUE(after == expected) << "the folder holds other entries than expected";
        }
    }
    if (mounted) {
        EXPECT_EQ(std::system(("umount " + quoted(full)).c_str()), 0);
    }
}

// A progress line on standard error when it is a terminal, wiped at the end; nothing otherwise.
TEST_F(Cli, ConversionsShowTheirProgressOnATerminalOnly) {
    const std::string in = logFile("in.vxm", header(1), FrameExamples().back().records);
    // Standard error on a pseudo-terminal, whose other end the test reads.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    const int held = open(slave.c_str(), O_RDWR | O_NOCTTY);  // keeps what was written readable
    ASSERT_GE(held, 0);
    fcntl(master, F_SETFL, O_NONBLOCK);
    for (const std::string command : {"export", "pcap", "frames"}) {
        const std::string cmd = quoted(VEXLO_CLI_BINARY) + " " + command + " " + quoted(in) +
                                " -o " + quoted(dir.File("out")) + " 2>" + quoted(slave);
        EXPECT_EQ(std::system(cmd.c_str()), 0) << command;
        std::string shown;
        char buf[256];
        for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) {
            shown.append(buf, static_cast<size_t>(n));
        }
        // The line, shown again at most every 200 ms (pcap reads the file twice, export and
        // frames once: how many lines a slow machine shows varies), then its wiping.
        const std::regex line("(\r" + command + ": +[0-9]+% of 1 MB\x1B\\[K)+\r\x1B\\[K");
        EXPECT_TRUE(std::regex_match(shown, line)) << command << ": " << shown;
        // Not a terminal: nothing.
        EXPECT_EQ(run({command, in, "-o", dir.File("out")}).err, "") << command;
    }
    close(held);
    close(master);
}

// Data past 2 GiB is read to its end: a sparse file of zero bytes (each skipped on its own)
// with records behind them.
TEST_F(Cli, CapturesLargerThanTwoGibibytesAreReadWhole) {
    const std::string in = logFile("big.vxm", header(1), {});
    const uint64_t zeros = (uint64_t{1} << 31) + 7;
    std::filesystem::resize_file(in, kLogHeaderLen + zeros);
    {
        std::ofstream tail(in, std::ios::binary | std::ios::app);
        tail.write(reinterpret_cast<const char*>(example::kABC.data()),
                   static_cast<std::streamsize>(example::kABC.size()));
    }
    const Outcome info = run({"info", in});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("data:        " + std::to_string(zeros + example::kABC.size()) +
                            " bytes\nline:"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("RD 2, SD 1, parity errors 0, framing errors 0, idle 0, time stamps 1"),
              std::string::npos)
        << info.out;
    const Outcome frames = run({"frames", in, "--format", "csv"});
    EXPECT_EQ(frames.code, 0) << frames.err;
    EXPECT_NE(frames.out.find(",41 42,idle,none,\n2,SD,"), std::string::npos) << frames.out;
}

// The extcap calls answer in the grammar of Wireshark's extcap interface: each line a sentence
// and its {name=value} fields; the interface with the program's version, link type 250, and
// options numbered from 0 whose values belong to a selector, one default each, all of them
// taken by the capture call.
TEST_F(Cli, ExtcapCallsAnswerInTheExtcapGrammar) {
    using Sentence = std::map<std::string, std::string>;  // "" holds the sentence's word
    const auto sentences = [this](const std::vector<std::string>& args) {
        const Outcome r = run(args, VEXLO_EXTCAP_BINARY);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, "");
        const std::regex line(R"(^(extcap|interface|dlt|arg|value) (\{[a-z]+=[^{}\n]*\})+$)");
        const std::regex field(R"(\{([a-z]+)=([^{}]*)\})");
        std::vector<Sentence> out;
        std::istringstream lines(r.out);
        for (std::string text; std::getline(lines, text);) {
            EXPECT_TRUE(std::regex_match(text, line)) << text;
            Sentence s{{"", text.substr(0, text.find(' '))}};
            for (std::sregex_iterator f(text.begin(), text.end(), field), end; f != end; ++f) {
                EXPECT_TRUE(s.emplace((*f)[1], (*f)[2]).second) << "twice: " << text;
            }
            out.push_back(s);
        }
        return out;
    };

    const std::string version = std::to_string(kAppVersion.major) + "." +
                                std::to_string(kAppVersion.minor) + "." +
                                std::to_string(kAppVersion.revision);
    const std::vector<Sentence> interfaces =
        sentences({"--extcap-interfaces", "--extcap-version=4.0"});
    ASSERT_EQ(interfaces.size(), 2U);
    EXPECT_EQ(interfaces[0].at(""), "extcap");
    EXPECT_EQ(interfaces[0].at("version"), version);
    EXPECT_EQ(interfaces[1].at(""), "interface");
    EXPECT_EQ(interfaces[1].at("value"), "vexlo");

    const std::vector<Sentence> dlts = sentences({"--extcap-dlts", "--extcap-interface", "vexlo"});
    ASSERT_EQ(dlts.size(), 1U);
    EXPECT_EQ(dlts[0].at("number"), "250");
    EXPECT_TRUE(dlts[0].count("name") && dlts[0].count("display"));

    std::vector<Sentence> args;
    std::map<std::string, int> defaults;
    std::map<std::string, std::string> sample;  // a value each option must take
    for (const Sentence& s : sentences({"--extcap-config", "--extcap-interface=vexlo"})) {
        if (s.at("") == "arg") {
            EXPECT_EQ(s.at("number"), std::to_string(args.size()));
            EXPECT_TRUE(s.count("call") && s.count("display")) << s.at("number");
            EXPECT_TRUE(s.at("type") == "string" || s.at("type") == "selector");
            args.push_back(s);
            sample[s.at("call")] = dir.path();
            continue;
        }
        ASSERT_EQ(s.at(""), "value");
        const size_t arg = std::stoul(s.at("arg"));
        ASSERT_LT(arg, args.size());
        EXPECT_EQ(args[arg].at("type"), "selector");
        defaults[args[arg].at("call")] += s.count("default") ? 1 : 0;
        sample[args[arg].at("call")] = s.at("value");
    }
    const std::vector<std::string> expected{"--home",   "--port",      "--speed", "--data-bits",
                                            "--parity", "--stop-bits", "--line",  "--idle"};
    ASSERT_EQ(args.size(), expected.size());
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string call = args[i].at("call");
        EXPECT_EQ(call, expected[i]);
        if (args[i].at("type") == "selector") {
            EXPECT_EQ(defaults[call], 1) << call;
        }
        // Taken: the call goes on to refuse the filter (a bad value is a usage error, 2).
        const Outcome r = run({"--capture", "--fifo", dir.File("fifo"), call, sample[call],
                               "--extcap-capture-filter", "port 1"},
                              VEXLO_EXTCAP_BINARY);
        EXPECT_EQ(r.code, 1) << call << " " << sample[call] << ": " << r.err;
    }
}

// A capture filter is refused: Wireshark's check of it gets the reason on standard output, a
// capture one line on standard error; a wrong interface or option ends at once as well.
TEST_F(Cli, ExtcapRefusesFiltersOtherInterfacesAndUnknownOptions) {
    const Outcome check =
        run({"--extcap-interface", "vexlo", "--extcap-capture-filter", "tcp"}, VEXLO_EXTCAP_BINARY);
    EXPECT_EQ(check.code, 0);
    EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), 1) << check.out;
    EXPECT_NE(check.out.find("no capture filters"), std::string::npos) << check.out;
    EXPECT_EQ(
        run({"--extcap-interface", "vexlo", "--extcap-capture-filter", ""}, VEXLO_EXTCAP_BINARY)
            .out,
        "")
        << "no filter is a valid one";

    const Outcome capture = run({"--capture", "--extcap-interface", "vexlo", "--fifo",
                                 dir.File("fifo"), "--extcap-capture-filter", "tcp"},
                                VEXLO_EXTCAP_BINARY);
    EXPECT_EQ(capture.code, 1);
    EXPECT_EQ(capture.err,
              "vexlo-extcap: --extcap-capture-filter tcp: the vexlo interface has no capture "
              "filters; use a display filter instead\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("fifo"))) << "nothing made";

    const Outcome other =
        run({"--extcap-dlts", "--extcap-interface", "serial0"}, VEXLO_EXTCAP_BINARY);
    EXPECT_EQ(other.code, 1);
    EXPECT_EQ(other.out, "");
    EXPECT_EQ(run({"--capture", "--extcap-interface", "vexlo"}, VEXLO_EXTCAP_BINARY).code, 2)
        << "no FIFO";
    EXPECT_EQ(run({"--extcap-interfaces", "--speed", "12345"}, VEXLO_EXTCAP_BINARY).code, 2);
}
