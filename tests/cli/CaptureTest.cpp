// vexlo-cli capture against vexlo-unit: what the unit sent is what the file holds, and the
// ways a capture can fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "capture/Records.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "files/TempFolder.h"
#include "support/VirtualUnit.h"

#include "CaptureFixture.h"

TEST_F(CaptureTest, AFloodAtTenTimesTheLineRateIsStoredWholeInTheFileAndTheAutoSaveFiles) {
    // 115200 bit/s both ways, ten times faster: 5 s of traffic, then a quiet line.
    StartUnit({"--scenario", "flood", "--rate-factor", "10", "--duration", "50"});
    std::filesystem::create_directory(out.File("auto"));
    out.write("flood.vxm", "an older capture");
    const Outcome r = Capture({"-o", out.File("flood.vxm"), "--seconds", "6.5", "--speed", "115200",
                               "--data-bits", "8", "--parity", "none", "--autosave",
                               out.File("auto/line.vxm"), "--block-kb", "500", "--max-files", "0"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress line when standard error is not a terminal";
    unit_.reset();  // the record is complete once the unit has ended

    const std::string sent = home.read("record.bin");
    EXPECT_GT(sent.size(), 2'000'000U);
    const std::string stored = Stored("flood.vxm");
    EXPECT_EQ(stored.size(), sent.size());
    EXPECT_TRUE(stored == sent);
    const LogHeader h =
        decodeHeader(reinterpret_cast<const uint8_t*>(out.read("flood.vxm").data()));
    EXPECT_EQ(h.glngSpeed, 115200);
    EXPECT_EQ(h.gintDataLen, 1);

    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(out.File("auto"))) {
        files.push_back("auto/" + e.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 5U);
    std::string saved;
    for (const std::string& f : files) {
        saved += Stored(f);
    }
    EXPECT_TRUE(saved == sent) << saved.size() << " bytes in " << files.size() << " files";
    EXPECT_EQ(home.read("LTime.txt").size(), 13U);
}

TEST_F(CaptureTest, NoUnitOrARefusedStartFailsAndLeavesTheFileAlone) {
    out.write("keep.vxm", "keep me");
    const Outcome none = Capture({"-o", out.File("keep.vxm"), "--seconds", "1"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.err, "vexlo-cli: COM5: no unit answers\n");

    StartUnit({"--refuse-start", "10"});
    const Outcome refused = Capture({"-o", out.File("keep.vxm"), "--seconds", "1"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("the unit refused the start"), std::string::npos) << refused.err;
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);
    EXPECT_EQ(out.read("keep.vxm"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(out.File("keep.vxm.tmp")));
}

// A capture gives the port back as it found it, so the next one opens it again; a port another
// program holds is reported as in use, naming the programs that have it open.
TEST_F(CaptureTest, EachCaptureGivesThePortBackAndAPortHeldElsewhereIsInUse) {
    StartUnit({});
    for (const char* name : {"first.vxm", "second.vxm"}) {
        const Outcome run = Capture({"-o", out.File(name), "--seconds", "1"});
        EXPECT_EQ(run.code, 0) << name << ": " << run.err;
        EXPECT_TRUE(std::filesystem::exists(out.File(name))) << name;
    }
    const std::string port = home.File("ports/COM5");
    const int held = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(ioctl(held, TIOCEXCL), 0);
    const Outcome busy = Capture({"-o", out.File("held.vxm"), "--seconds", "1"});
    ::close(held);
    EXPECT_EQ(busy.code, 1);
    EXPECT_EQ(busy.err.rfind("vexlo-cli: COM5: no unit answers; " + port + " is in use by ", 0), 0U)
        << busy.err;
    EXPECT_NE(busy.err.find("vexlo-cli-tests (pid " + std::to_string(getpid()) + ")"),
              std::string::npos)
        << busy.err;
    EXPECT_FALSE(std::filesystem::exists(out.File("held.vxm")));
}

TEST_F(CaptureTest, ALostUnitEndsWithAnErrorAndKeepsWhatArrived) {
    StartUnit({"--scenario", "flood"});
    Capture({"-o", out.File("lost.vxm"), "--seconds", "20", "--speed", "115200"}, true);
    // The file is renamed into place with its first bytes and grows as they arrive.
    const auto fileBytes = [&] {
        std::error_code ec;
        const uintmax_t n = std::filesystem::file_size(out.File("lost.vxm"), ec);
        return ec ? uintmax_t{0} : n;
    };
    for (int i = 0; i < 2000 && fileBytes() <= kLogHeaderLen + 10'000U; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    unit_.reset();  // its end of the line closes, as when the cable is pulled
    for (int i = 0; i < 500 && home.read("cli.code").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(home.read("cli.code"), "1\n") << "vexlo-cli ends by itself, with an error";
    const std::string err = home.read("cli.err");
    EXPECT_NE(err.find("the unit went away"), std::string::npos) << err;
    const std::string stored = Stored("lost.vxm");
    EXPECT_GT(stored.size(), 10'000U);
    const std::string sent = home.read("record.bin");
    EXPECT_EQ(sent.compare(0, stored.size(), stored), 0) << "what is kept is what the unit sent";
}

// A modbus capture with idle records, exported as pcap, read by tshark as the README says:
// every request and reply is one packet with a good CRC.
TEST_F(CaptureTest, APcapOfAModbusCaptureReadsInTsharkAsFramesWithGoodCrcs) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (make deps installs it)";
    }
    // Polls every 250 ms: the 10 ms idle timer separates frames even on a busy machine.
    StartUnit({"--scenario", "modbus", "--rate-factor", "4", "--duration", "40"});
    const Outcome r =
        Capture({"-o", out.File("modbus.vxm"), "--seconds", "3", "--speed", "19200", "--data-bits",
                 "8", "--parity", "even", "--idle", "10ms", "--stamps"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string pcap = out.File("modbus.pcap");
    ASSERT_EQ(std::system((quoted(VEXLO_CLI_BINARY) + " pcap " + quoted(out.File("modbus.vxm")) +
                           " -o " + quoted(pcap))
                              .c_str()),
              0);
    const std::string fields = out.File("fields.txt");
    const std::string tshark =
        "tshark -r " + quoted(pcap) +
        " -d rtacser.data,mbrtu -o mbrtu.crc_verification:TRUE -T fields -e rtacser.eventtype"
        " -e mbrtu.unit_id -e mbrtu.crc16.status >" +
        quoted(fields) + " 2>/dev/null";
    ASSERT_EQ(std::system(tshark.c_str()), 0);

    int requests = 0, replies = 0, good = 0, bad = 0;
    std::istringstream lines(out.read("fields.txt"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cols(line);
        std::string event, unit, crc;
        cols >> event >> unit >> crc;
        (event == "0x01" ? requests : replies) += event == "0x01" || event == "0x02" ? 1 : 0;
        (crc == "1" ? good : bad) += 1;
    }
    EXPECT_GE(requests, 8);
    EXPECT_GE(replies, 5);
    EXPECT_EQ(good, requests + replies);
    EXPECT_EQ(bad, 0);
}

// A signal during the start or during the run: the unit is stopped afterwards, and a capture
// that began holds every byte the unit sent, up to where it stopped (its flood goes on until
// the stop).
TEST_F(CaptureTest, SignalsDuringTheStartAndTheRunLeaveTheUnitStoppedAndTheFileWhole) {
    for (const int sig : {SIGTERM, SIGHUP, SIGINT}) {
        for (const bool duringStart : {true, false}) {
            SCOPED_TRACE(std::string(strsignal(sig)) +
                         (duringStart ? " during the start" : " during the run"));
            StartUnit({"--scenario", "flood", "--reply-delay", "200", "--trace"});
            std::filesystem::remove(out.File("sig.vxm"));
            std::filesystem::remove(home.File("cli.code"));
            Capture({"-o", out.File("sig.vxm"), "--speed", "9600"}, true);
            // Between the last line setting and the start's answer, or a second into the run.
            ASSERT_TRUE(duringStart ? unit_->waitForTrace("S", 4) : unit_->waitForTrace("G01 OK"))
                << UnitOutput() << home.read("cli.err");
            if (!duringStart) {
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            kill(std::stoi(home.read("cli.pid")), sig);
            const int code = WaitForCapture();
            EXPECT_EQ(UnitStatus().rfind("OK stopped", 0), 0U) << UnitOutput();
            unit_.reset();  // the record is complete once the unit has ended
            if (duringStart) {
                EXPECT_TRUE(code == 0 || code == 1) << code;
            } else {
                EXPECT_EQ(code, 0) << home.read("cli.err");
            }
            if (code == 0) {
                const std::string sent = home.read("record.bin");
                EXPECT_TRUE(Stored("sig.vxm") == sent) << sent.size() << " bytes sent";
                EXPECT_GT(sent.size(), duringStart ? 0U : 1000U);
            } else {
                EXPECT_FALSE(std::filesystem::exists(out.File("sig.vxm")));
            }
            std::filesystem::remove(home.File("record.bin"));
        }
    }
}

// Wireshark stops a live capture with a termination signal, during the start as well as during
// the run: the user's own stop, no error (exit status 0, nothing on standard error).
TEST_F(CaptureTest, TheLiveCaptureEndsQuietlyWhenWiresharkStopsIt) {
    for (const bool duringStart : {true, false}) {
        SCOPED_TRACE(duringStart ? "during the start" : "during the run");
        StartUnit({"--reply-delay", "200", "--trace"});
        const std::string fifo = out.File("fifo");
        std::filesystem::remove(fifo);
        std::filesystem::remove(home.File("cli.code"));
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const std::string cmd =
            "(cat " + quoted(fifo) + " >/dev/null &) ; (VEXLO_HOME=" + quoted(home.path()) + " " +
            quoted(VEXLO_EXTCAP_BINARY) + " --capture --extcap-interface vexlo --port 5 --fifo " +
            quoted(fifo) + " 2>" + quoted(home.File("cli.err")) + " & echo $! >" +
            quoted(home.File("cli.pid")) + "; wait $!; echo $? >" + quoted(home.File("cli.code")) +
            ") &";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        ASSERT_TRUE(duringStart ? unit_->waitForTrace("S", 2) : unit_->waitForTrace("G01 OK"))
            << UnitOutput() << home.read("cli.err");
        if (!duringStart) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        kill(std::stoi(home.read("cli.pid")), SIGTERM);
        EXPECT_EQ(WaitForCapture(), 0);
        EXPECT_EQ(home.read("cli.err"), "");
        // Stopped, or never started.
        EXPECT_TRUE(duringStart ? UnitStatus().starts_with("OK stopped")
                                : unit_->waitForTrace("G00"))
            << UnitOutput();
        unit_.reset();
    }
}

// The frames of a modbus capture: every frame has a good CRC, every reply follows the request
// of its unit and function, and the unit that never answers leaves its requests alone.
TEST_F(CaptureTest, FramesOfAModbusCapturePairEveryReplyWithItsRequest) {
    StartUnit({"--scenario", "modbus", "--rate-factor", "4", "--duration", "40"});
    const Outcome r = Capture({"-o", out.File("modbus.vxm"), "--seconds", "3", "--speed", "19200",
                               "--data-bits", "8", "--parity", "even", "--idle", "10ms"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(std::system((quoted(VEXLO_CLI_BINARY) + " frames " + quoted(out.File("modbus.vxm")) +
                           " --modbus --format csv -o " + quoted(out.File("frames.csv")))
                              .c_str()),
              0);

    struct Row {
        std::string dir, kind, crc;
        int unit = 0, function = 0;
    };
    std::vector<Row> rows;
    std::istringstream lines(out.read("frames.csv"));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line,
              "index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex,unit,function,kind,crc_ok,"
              "protocol,check,problem");
    while (std::getline(lines, line)) {
        std::vector<std::string> cols;
        std::istringstream fields(line);
        for (std::string col; std::getline(fields, col, ',');) {
            cols.push_back(col);
        }
        // A frame without a problem ends with an empty field, which reads as none.
        ASSERT_EQ(cols.size(), 14U) << line;
        EXPECT_EQ(cols[12] + ',' + cols[13],
                  cols[11] == "true" ? "modbus-rtu,ok" : "modbus-rtu,bad");
        rows.push_back({cols[1], cols[10], cols[11], std::stoi(cols[8]), std::stoi(cols[9])});
    }
    int requests = 0, replies = 0, unanswered = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(row.crc, "true") << i;
        if (row.dir == "SD") {
            EXPECT_EQ(row.kind, "request") << i;
            ++requests;
            const bool answered = i + 1 < rows.size() && rows[i + 1].dir == "RD";
            unanswered += answered ? 0 : 1;
            if (row.unit == 4) {
                EXPECT_FALSE(answered) << i;
            }
            continue;
        }
        ++replies;
        EXPECT_NE(row.kind, "request") << i;
        ASSERT_GT(i, 0U);
        EXPECT_EQ(rows[i - 1].dir, "SD") << i;
        EXPECT_EQ(rows[i - 1].unit, row.unit) << i;
        EXPECT_EQ(rows[i - 1].function, row.function & 0x7F) << i;
    }
    EXPECT_GE(requests, 8);
    EXPECT_GE(replies, 5);
    EXPECT_EQ(requests, replies + unanswered);
}

// The kinds of capture file: a link is written through, a FIFO directly, a file named like a
// temporary file is left alone; -o refused as a folder, in a missing folder, or as the
// auto-save file itself.
TEST_F(CaptureTest, EveryKindOfOutputIsWrittenAsWhatItIsAndNothingElseChanges) {
    out.write("keep.vxm", "keep me");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string err;
    } refused[] = {
        {{"-o", out.path()}, 1, "vexlo-cli: " + out.path() + ": is a folder\n"},
        {{"-o", out.File("no/cap.vxm")},
         1,
         "vexlo-cli: " + out.File("no/cap.vxm") + ": its folder does not exist\n"},
        {{"-o", out.File("keep.vxm"), "--autosave", out.File("keep.vxm")},
         2,
         "vexlo-cli: capture: -o and --autosave name the same file " + out.File("keep.vxm") + "\n"},
    };
    for (const auto& r : refused) {
        const Outcome o = Capture(r.args);
        EXPECT_EQ(o.code, r.code) << o.err;
        EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1), r.err);
    }
    EXPECT_EQ(out.read("keep.vxm"), "keep me");

    StartUnit({"--scenario", "flood", "--duration", "100"});
    std::filesystem::create_symlink("target.vxm", out.File("link.vxm"));
    out.write("cap.vxm.tmp", "not ours");
    ASSERT_EQ(mkfifo(out.File("pipe.vxm").c_str(), 0600), 0);
    ASSERT_EQ(std::system(("(cat " + quoted(out.File("pipe.vxm")) + " >" + quoted(out.File("got")) +
                           "; touch " + quoted(out.File("got.done")) + ") &")
                              .c_str()),
              0);
    for (const char* name : {"link.vxm", "cap.vxm", "pipe.vxm"}) {
        SCOPED_TRACE(name);
        const Outcome o = Capture({"-o", out.File(name), "--seconds", "1", "--speed", "115200"});
        EXPECT_EQ(o.code, 0) << o.err;
        EXPECT_EQ(o.err, "");
    }
    for (int i = 0; i < 500 && !std::filesystem::exists(out.File("got.done")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(out.File("link.vxm")));
    EXPECT_GT(Stored("target.vxm").size(), 1000U);
    EXPECT_GT(Stored("cap.vxm").size(), 1000U);
    EXPECT_EQ(out.read("cap.vxm.tmp"), "not ours");
    EXPECT_TRUE(std::filesystem::is_fifo(out.File("pipe.vxm")));
    EXPECT_GT(Stored("got").size(), 1000U);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(out.path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cap.vxm", "cap.vxm.tmp", "got", "got.done",
                                               "keep.vxm", "link.vxm", "pipe.vxm", "target.vxm"}));
}

namespace {

// The packets of a pcap file as tshark reads them: event, control lines and payload, one line
// each; data packets of one direction that follow each other are joined, so that where a live
// capture ended a packet does not matter.
std::vector<std::string> EventLines(const std::string& pcap, const std::string& text) {
    const std::string cmd = "tshark -r " + quoted(pcap) +
                            " -T fields -e rtacser.eventtype -e rtacser.cts -e rtacser.dcd"
                            " -e rtacser.dsr -e rtacser.rts -e rtacser.dtr -e rtacser.ring"
                            " -e data.data >" +
                            quoted(text) + " 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::vector<std::string> out;
    std::ifstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::string head = line.substr(0, line.rfind('\t'));
        const bool data = line.rfind("0x01", 0) == 0 || line.rfind("0x02", 0) == 0;
        if (data && !out.empty() && out.back().rfind(head + "\t", 0) == 0) {
            out.back() += line.substr(head.size() + 1);
        } else {
            out.push_back(line);
        }
    }
    return out;
}

}  // namespace

// vexlo-extcap as Wireshark uses it: tshark lists it from a personal extcap folder, and a live
// capture with the settings of VXParam.ini holds the modbus requests and replies with good
// CRCs, the packets the export makes of what the unit sent (the control lines of the start
// among them), and leaves the unit stopped.
TEST_F(CaptureTest, TsharkCapturesLiveThroughTheExtcapInterface) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (make deps installs it)";
    }
    // The personal folders of Wireshark 4.0 (Debian 12) and of Wireshark 4.2 and later.
    TempFolder user;
    for (const char* folder : {".config/wireshark/extcap", ".local/lib/wireshark/extcap"}) {
        std::filesystem::create_directories(user.File(folder));
        std::filesystem::create_symlink(VEXLO_EXTCAP_BINARY,
                                        user.File(std::string(folder) + "/vexlo-extcap"));
    }
    const std::string env =
        "HOME=" + quoted(user.path()) + " VEXLO_HOME=" + quoted(home.path()) + " ";
    ASSERT_EQ(std::system((env + "tshark -D >" + quoted(user.File("list")) + " 2>&1").c_str()), 0);
    EXPECT_NE(user.read("list").find(". vexlo (Vexlo serial line monitor)"), std::string::npos)
        << user.read("list");

    home.write("VXParam.ini",
               "[Comm_Inf]\r\nSpeed=19200\r\nDataLength=1\r\nParity=2\r\n"
               "[VX_Inf]\r\nAuto=0\r\nPort=5\r\n");
    StartUnit({"--scenario", "modbus", "--rate-factor", "4", "--duration", "40"});
    ASSERT_EQ(unit_->control("LINES RS CS"), "OK");  // sent at the start
    const std::string pcap = out.File("live.pcap");
    ASSERT_EQ(std::system((env + "tshark -i vexlo -a duration:4 -w " + quoted(pcap) + " >" +
                           quoted(out.File("tshark.log")) + " 2>&1")
                              .c_str()),
              0)
        << out.read("tshark.log");
    EXPECT_EQ(UnitStatus().rfind("OK stopped", 0), 0U);
    unit_.reset();  // the record is complete once the unit has ended

    const std::string fields = out.File("fields.txt");
    ASSERT_EQ(std::system(("tshark -r " + quoted(pcap) +
                           " -d rtacser.data,mbrtu -o mbrtu.crc_verification:TRUE -T fields"
                           " -e rtacser.eventtype -e mbrtu.crc16.status >" +
                           quoted(fields) + " 2>/dev/null")
                              .c_str()),
              0);
    std::map<std::string, int> seen;  // event and CRC status
    int packets = 0;
    std::istringstream lines(out.read("fields.txt"));
    for (std::string line; std::getline(lines, line); ++packets) {
        ++seen[line];
    }
    EXPECT_GE(seen["0x01\t1"], 8) << "requests with good CRCs";
    EXPECT_GE(seen["0x02\t1"], 5) << "replies with good CRCs";
    EXPECT_EQ(seen["0x00\t"], 1) << "the line state of the start";
    EXPECT_EQ(seen["0x01\t1"] + seen["0x02\t1"] + seen["0x00\t"], packets) << "nothing else";

    // The export of what the unit sent, in the same packets: the live capture may end before
    // the last bytes the unit sent after the stop.
    // What the unit sent, as the capture stores it: a line-state byte gets its tail.
    const std::string sent = home.read("record.bin");
    std::string stored;
    for (size_t i = 0; i < sent.size(); ++i) {
        const auto b = static_cast<uint8_t>(sent[i]);
        stored += sent[i];
        if (rec::isFirst(b) && i + 1 < sent.size()) {
            stored += sent[++i];
        } else if (rec::isLineState(b)) {
            stored += static_cast<char>(rec::kLineTail);
        }
    }
    out.write("sent.pcap",
              pcapFromCapture(reinterpret_cast<const uint8_t*>(stored.data()),
                              static_cast<int32_t>(stored.size()), {19200, 1, 0, 2, 0}, {}));
    const std::vector<std::string> live = EventLines(pcap, out.File("live.txt"));
    const std::vector<std::string> expected =
        EventLines(out.File("sent.pcap"), out.File("sent.txt"));
    ASSERT_GE(live.size(), 10U);
    ASSERT_LE(live.size(), expected.size());
    EXPECT_EQ(live[0], "0x00\t1\t0\t0\t1\t0\t0\t") << "CS and RS on";
    for (size_t i = 0; i + 1 < live.size(); ++i) {
        EXPECT_EQ(live[i], expected[i]) << i;
    }
    EXPECT_EQ(expected[live.size() - 1].rfind(live.back(), 0), 0U);
}

// A line really built at 9600 bit/s, 8N1: set to 9600 the unit decodes the chat's text
// cleanly; set to 19200 it reports what such a receiver makes of it, framing errors among it.
TEST_F(CaptureTest, AUnitWithATrueLineDecodesItCleanlyOnlyAtItsOwnSettings) {
    StartUnit({"--scenario", "chat", "--line", "9600,8,N,1", "--rate-factor", "20"});
    struct Count {
        size_t pairs = 0, errors = 0, text = 0;
    };
    const auto count = [&](const std::string& speed) {
        const std::string file = "at" + speed + ".vxm";
        const Outcome r = Capture({"-o", out.File(file), "--seconds", "1.5", "--speed", speed,
                                   "--data-bits", "8", "--parity", "none", "--stop-bits", "1"});
        EXPECT_EQ(r.code, 0) << r.err;
        Count c;
        const std::string stored = Stored(file);
        for (size_t i = 0; i + 1 < stored.size(); ++i) {
            const auto first = static_cast<uint8_t>(stored[i]);
            const auto second = static_cast<uint8_t>(stored[i + 1]);
            if ((first & 0xC0) == 0x80 && (second & 0xC0) == 0xC0) {
                const int value = (first & 0x0F) << 4 | (second & 0x0F);
                ++c.pairs;
                c.errors += (first & 0x10) != 0 || (second & 0x10) != 0 ? 1 : 0;
                // The chat's text: ASCII, CR LF and half-width katakana.
                c.text += (value >= 0x20 && value < 0x7F) || value == '\r' || value == '\n' ||
                          (value >= 0xA1 && value <= 0xDF);
                ++i;
            }
        }
        return c;
    };
    const Count right = count("9600");
    EXPECT_GT(right.pairs, 20U) << UnitOutput();
    EXPECT_EQ(right.errors, 0U);
    EXPECT_EQ(right.text, right.pairs);
    const Count wrong = count("19200");
    EXPECT_GT(wrong.pairs, 20U) << UnitOutput();
    EXPECT_GT(wrong.errors, wrong.pairs / 4);
    EXPECT_LT(wrong.text, wrong.pairs);
}
