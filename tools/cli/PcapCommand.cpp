// vexlo-cli pcap: a capture log file as a pcap file of serial line events.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "Cli.h"
#include "ProgressLine.h"
#include "files/AtomicFile.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli pcap FILE.vxm -o OUT.pcap|- [--date YYYY-MM-DD]\n"
    "Writes a capture log file as a classic pcap file (link type 250, serial line events),\n"
    "which Wireshark and tshark read: each run of bytes of one direction is a packet (SD\n"
    "data, RD data), a byte with a framing or parity error is a packet of its own, and each\n"
    "change of the control lines is a status packet; every packet carries the control lines.\n"
    "The capture holds no time per byte, so the times are rebuilt:\n"
    "  - each byte takes one character time of the file's line settings, (1 start bit +\n"
    "    data bits + parity bit + stop bits) / speed; a packet has the time of its first byte;\n"
    "  - an idle record advances the clock by its count of the file's idle steps (1 s,\n"
    "    100 ms or 10 ms);\n"
    "  - a time-stamp record sets the clock to its time of day on the capture's date (local\n"
    "    time) unless the clock is already later within that second; a time of day more\n"
    "    than 12 hours before the clock is taken as the next day;\n"
    "  - before the first time-stamp record the clock runs so that it reaches that record\n"
    "    exactly; a capture without time stamps ends at the file's modification time.\n"
    "  -o OUT.pcap        the output file: a regular file is replaced through a temporary\n"
    "                     file and a rename, a link is written through, a FIFO or a device\n"
    "                     is written directly; - is standard output (tshark -r -)\n"
    "  --date YYYY-MM-DD  the date of the time stamps (default: the file's modification date)\n"
    "To read Modbus RTU: tshark -r OUT.pcap -d rtacser.data,mbrtu "
    "-o mbrtu.crc_verification:TRUE\n"
    "Exit status: 0 done, 1 a file cannot be read or written, 2 usage error.\n";

struct Choices : ConversionFiles {
    std::optional<DateTime> date;
};

// A date of the calendar: 2026-02-30 is refused, 2028-02-29 taken.
std::optional<DateTime> parseDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto y = ParseInt(text.substr(0, 4), 1970, 2105);
    const auto m = ParseInt(text.substr(5, 2), 1, 12);
    const auto d = ParseInt(text.substr(8, 2), 1, 31);
    if (!y || !m || !d) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*y),
                                           std::chrono::month(static_cast<unsigned>(*m)),
                                           std::chrono::day(static_cast<unsigned>(*d))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return DateTime{*y, *m, *d};
}

std::optional<std::string> parse(ArgList& args, Choices& c) {
    if (std::optional<std::string> error = ParseConversion(
            args, "pcap", c, {"--date"}, [&c](const std::string&, const std::string& v) {
                c.date = parseDate(v);
                return c.date ? std::nullopt
                              : std::optional<std::string>("bad date " + v + " (YYYY-MM-DD)");
            })) {
        return error;
    }
    if (!c.output) {
        return "pcap: no output file given (-o OUT.pcap)";
    }
    return std::nullopt;
}

}  // namespace

int PcapCommand(std::vector<std::string> argv) {
    Choices c;
    if (const std::optional<int> ended = ParseCommand(std::move(argv), kUsage, c, parse)) {
        return *ended;
    }
    LogReader reader;
    if (const std::optional<int> failed = OpenConversion(reader, *c.input, c.output, kUsage)) {
        return *failed;
    }
    const std::optional<PcapTimes> times = fileTimes(*c.input, c.date);
    if (!times) {
        return Fail(*c.input, "no modification time");
    }

    const std::unique_ptr<AtomicFileWriter> file = OpenOutput(c.output);
    std::string error;
    ProgressLine progress("pcap");
    if (!writePcapOfLog(reader, *times, *file, error, progress)) {
        return error.empty() ? Fail(OutputName(c.output), file->reason()) : Fail(*c.input, error);
    }
    return kExitOk;
}
