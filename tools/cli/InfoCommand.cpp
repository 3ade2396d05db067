// vexlo-cli info: the header of a capture log file in words, the data length, the record
// counts and the first and last time stamp.
#include <cstdio>
#include <string>

#include "Cli.h"
#include "files/LogFile.h"
#include "files/LogInfo.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli info FILE.vxm [--json]\n"
    "Shows the line and display settings of a capture log file, its data length, the\n"
    "number of records of each kind and the first and last time stamp.\n"
    "  --json   one JSON object: bytes, line {type, speed, data_bits, parity, stop_bits},\n"
    "           display {mode, time_stamp, idle_scale, line_state, font_size, scroll},\n"
    "           header (the stored numbers), records {rd, sd, parity_errors,\n"
    "           framing_errors, idle, time_stamps, line_states}, first_time, last_time\n"
    "Each byte with an error counts once: a byte with both a parity and a framing error is\n"
    "a framing error, as export, pcap and the program's grid show it.\n"
    "A file whose header holds a value that no setting can hold (a speed outside 150 ..\n"
    "115200, data bits other than 7 and 8, ...) is not a capture log and is refused.\n"
    "Exit status: 0 done, 1 the file cannot be read, 2 usage error.\n";

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string jsonTime(const std::optional<std::string>& t) {
    return t ? jsonString(*t) : "null";
}

const char* onOff(int16_t v) {
    return v == 1 ? "on" : "off";
}

const char* jsonBool(int16_t v) {
    return v == 1 ? "true" : "false";
}

void printJson(const std::string& name, const LogReader& f, const RecordCounts& n) {
    const LogHeader& h = f.header();
    const LogHeader a = clampHeader(h);
    std::printf(
        "{\"file\":%s,\"bytes\":%llu,"
        "\"line\":{\"type\":\"%s\",\"speed\":%d,\"data_bits\":%d,\"parity\":\"%s\","
        "\"stop_bits\":%s},"
        "\"display\":{\"mode\":\"%s\",\"time_stamp\":%s,\"idle_scale\":\"%s\","
        "\"line_state\":%s,\"font_size\":\"%s\",\"scroll\":%d},"
        "\"header\":{\"line_type\":%d,\"speed\":%d,\"data_len\":%d,\"stop_bit\":%d,"
        "\"parity\":%d,\"disp_mode\":%d,\"time_stamp\":%d,\"idle_mode\":%d,"
        "\"line_state\":%d,\"font_size\":%d,\"scroll\":%d},"
        "\"records\":{\"rd\":%lld,\"sd\":%lld,\"parity_errors\":%lld,"
        "\"framing_errors\":%lld,\"idle\":%lld,\"time_stamps\":%lld,\"line_states\":%lld},"
        "\"first_time\":%s,\"last_time\":%s}\n",
        jsonString(name).c_str(), static_cast<unsigned long long>(f.DataLength()), lineTypeName(h),
        static_cast<int>(h.glngSpeed), dataBits(h), parityName(h), stopBitsName(h), dispModeName(h),
        jsonBool(a.gintTimeStamp), idleScaleName(h), jsonBool(a.gintLineState), fontSizeName(h),
        a.gintScroll, h.gintLineType, static_cast<int>(h.glngSpeed), h.gintDataLen, h.gintStopBit,
        h.gintParity, h.gintDispMode, h.gintTimeStamp, h.gintIdleMode, h.gintLineState,
        h.gintFontSize, h.gintScroll, static_cast<long long>(n.rd), static_cast<long long>(n.sd),
        static_cast<long long>(n.parityErrors), static_cast<long long>(n.framingErrors),
        static_cast<long long>(n.idle), static_cast<long long>(n.timeStamps),
        static_cast<long long>(n.lineStates), jsonTime(n.firstTime).c_str(),
        jsonTime(n.lastTime).c_str());
}

void printText(const std::string& name, const LogReader& f, const RecordCounts& n) {
    const LogHeader& h = f.header();
    const LogHeader a = clampHeader(h);
    std::printf("file:        %s\n", name.c_str());
    std::printf("data:        %llu bytes\n", static_cast<unsigned long long>(f.DataLength()));
    std::printf("line:        %s, %d bit/s, %d data bits, parity %s, %s stop bit%s\n",
                lineTypeName(h), static_cast<int>(h.glngSpeed), dataBits(h), parityName(h),
                stopBitsName(h), a.gintStopBit == 0 ? "" : "s");
    std::printf(
        "display:     %s, time stamps %s, idle scale %s, line state %s, %s characters, "
        "scroll %d\n",
        dispModeName(h), onOff(a.gintTimeStamp), idleScaleName(h), onOff(a.gintLineState),
        fontSizeName(h), a.gintScroll);
    std::printf(
        "records:     RD %lld, SD %lld, parity errors %lld, framing errors %lld, idle %lld, "
        "time stamps %lld, line states %lld\n",
        static_cast<long long>(n.rd), static_cast<long long>(n.sd),
        static_cast<long long>(n.parityErrors), static_cast<long long>(n.framingErrors),
        static_cast<long long>(n.idle), static_cast<long long>(n.timeStamps),
        static_cast<long long>(n.lineStates));
    std::printf("first time:  %s\n", n.firstTime ? n.firstTime->c_str() : "-");
    std::printf("last time:   %s\n", n.lastTime ? n.lastTime->c_str() : "-");
}

}  // namespace

int InfoCommand(std::vector<std::string> argv) {
    ArgList args(std::move(argv));
    std::optional<std::string> file;
    bool json = false;
    while (!args.done()) {
        const std::string& a = args.Take();
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage.data(), stdout);
            return kExitOk;
        }
        if (a == "--json") {
            json = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError("info: unknown option " + a, kUsage);
        } else if (file) {
            return UsageError("info: more than one file", kUsage);
        } else {
            file = a;
        }
    }
    if (!file) {
        return UsageError("info: no file given", kUsage);
    }
    std::string error;
    LogReader log;
    RecordCounts counts;
    if (!log.open(*file, error) ||
        !log.read([&counts](const uint8_t* bytes,
                            size_t len) { return countRecords(bytes, len, counts); },
                  error)) {
        return Fail(*file, error);
    }
    if (json) {
        printJson(*file, log, counts);
    } else {
        printText(*file, log, counts);
    }
    AtomicFileWriter out{AtomicFileWriter::StandardOutput{}};
    return out.commit() ? kExitOk : Fail("standard output", out.reason());
}
