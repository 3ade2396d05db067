// vexlo-cli frames: the frames of a capture log file and the reply times between them.
#include <cstdio>
#include <memory>
#include <string>

#include "Cli.h"
#include "analysis/FrameAnalysis.h"
#include "analysis/FrameSummary.h"
#include "files/AtomicFile.h"
#include "files/LogFile.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli frames FILE.vxm [--gap MS] [--modbus] [--format text|csv|json] [-o OUT]\n"
    "Lists the frames of a capture log file and the times between them. A frame is a run of\n"
    "data bytes of one direction; a new one begins at a change of direction and at an idle\n"
    "record of at least the gap. Bytes with parity or framing errors stay in their frame and\n"
    "are counted. Times come from the clock the pcap export rebuilds (one character time per\n"
    "byte, idle records, time stamps): start_s counts from the first record, gap_ms is the\n"
    "idle time since the previous frame ended, reply_ms the same when the previous frame was\n"
    "of the other direction. They are no finer than the file's idle step, which is stated.\n"
    "  --gap MS           the least idle time in milliseconds that ends a frame (default 0:\n"
    "                     every idle record)\n"
    "  --modbus           splits runs into Modbus RTU frames by function code and length and\n"
    "                     adds unit, function, kind (request, reply, exception) and CRC check\n"
    "  --format text      a table and a summary (default)\n"
    "  --format csv       index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex"
    "[,unit,function,kind,crc_ok]\n"
    "  --format json      one object: idle_step_ms, frames and the summary\n"
    "  -o OUT             the output file: a regular file is replaced through a temporary\n"
    "                     file and a rename, a link is written through, a FIFO or a device\n"
    "                     is written directly; - or no -o: standard output\n"
    "Exit status: 0 done, 1 a file cannot be read or written, 2 usage error.\n";

enum class Format : int16_t { Text, Csv, Json };

struct Choices {
    std::optional<std::string> input;
    std::optional<std::string> output;
    FrameOptions options;
    Format format = Format::Text;
};

std::optional<std::string> parse(ArgList& args, Choices& c) {
    while (!args.done()) {
        const char* option = nullptr;
        for (const char* name : {"-o", "--output", "--gap", "--format"}) {
            if (args.Is(name)) {
                option = name;
            }
        }
        const std::string a = args.Take();
        if (option == nullptr) {
            if (a == "--modbus") {
                c.options.modbus = true;
            } else if (a.size() > 1 && a[0] == '-') {
                return "frames: unknown option " + a;
            } else if (c.input) {
                return "frames: more than one file";
            } else {
                c.input = a;
            }
            continue;
        }
        const std::optional<std::string> v = args.Value(option);
        if (!v) {
            return std::string("frames: ") + option + " needs a value";
        }
        const std::string o = option;
        const std::string bad = "frames: bad value for " + o + ": " + *v;
        if (o == "-o" || o == "--output") {
            if (v->empty()) {
                return bad;
            }
            c.output = *v;
        } else if (o == "--gap") {
            const auto ms = ParseInt(*v, 0, 86'400'000);
            if (!ms) {
                return bad + " (0 to 86400000)";
            }
            c.options.gapMicros = *ms * 1000LL;
        } else {
            const auto i = PickOne(*v, {"text", "csv", "json"});
            if (!i) {
                return bad;
            }
            c.format = static_cast<Format>(*i);
        }
    }
    if (!c.input) {
        return "frames: no file given";
    }
    return std::nullopt;
}

const char* dirName(const Frame& f) {
    return f.sd ? "SD" : "RD";
}

std::string optMs(const std::optional<int64_t>& micros, const char* none) {
    return micros ? msText(*micros) : none;
}

std::string stepText(const FrameList& list, const char* none) {
    return list.idleStepMicros > 0 ? msText(list.idleStepMicros) : none;
}

std::string hexByte(uint8_t b) {
    return hexText({&b, 1});
}

std::string csvOf(const FrameList& list) {
    std::string out = "index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex";
    out += list.modbus ? ",unit,function,kind,crc_ok\n" : "\n";
    size_t index = 0;
    for (const Frame& f : list.frames) {
        out += std::to_string(++index) + ',' + dirName(f) + ',' + secondsText(f.startMicros) + ',' +
               std::to_string(f.bytes) + ',' + std::to_string(f.errors) + ',' +
               optMs(f.gapMicros, "") + ',' + optMs(f.replyMicros(), "") + ',' +
               hexText(list.bytesOf(f));
        if (f.modbus) {
            out += ',' + std::to_string(f.modbus->unit) + ',' + std::to_string(f.modbus->function) +
                   ',' + modbus::kindName(f.modbus->kind) + ',' +
                   (f.modbus->crcOk ? "true" : "false");
        }
        out += '\n';
    }
    return out;
}

std::string jsonStats(const DirectionSummary& d) {
    const ReplyStats& r = d.reply;
    return "{\"frames\":" + std::to_string(d.frames) + ",\"bytes\":" + std::to_string(d.bytes) +
           ",\"reply_ms\":{\"count\":" + std::to_string(r.count) +
           ",\"min\":" + optMs(r.min, "null") + ",\"median\":" + optMs(r.median, "null") +
           ",\"p95\":" + optMs(r.p95, "null") + ",\"max\":" + optMs(r.max, "null") + "}}";
}

std::string jsonOf(const FrameList& list) {
    std::string out = "{\"idle_step_ms\":" + stepText(list, "null") + ",\"frames\":[";
    size_t index = 0;
    for (const Frame& f : list.frames) {
        out += index == 0 ? "\n" : ",\n";
        out += "{\"index\":" + std::to_string(++index) + ",\"dir\":\"" + dirName(f) +
               "\",\"start_s\":" + secondsText(f.startMicros) +
               ",\"bytes\":" + std::to_string(f.bytes) + ",\"errors\":" + std::to_string(f.errors) +
               ",\"gap_ms\":" + optMs(f.gapMicros, "null") +
               ",\"reply_ms\":" + optMs(f.replyMicros(), "null") + ",\"hex\":\"" +
               hexText(list.bytesOf(f)) + '"';
        if (f.modbus) {
            out += ",\"modbus\":{\"unit\":" + std::to_string(f.modbus->unit) +
                   ",\"function\":" + std::to_string(f.modbus->function) + ",\"kind\":\"" +
                   modbus::kindName(f.modbus->kind) +
                   "\",\"crc_ok\":" + (f.modbus->crcOk ? "true" : "false") + '}';
        }
        out += '}';
    }
    const FrameSummary s = summarise(list);
    out += "],\n\"summary\":{\"SD\":" + jsonStats(s.sd) + ",\"RD\":" + jsonStats(s.rd) +
           ",\"crc_bad\":" + (s.crcBad ? std::to_string(*s.crcBad) : "null") + "}}\n";
    return out;
}

std::string textStats(const char* name, const DirectionSummary& d) {
    const ReplyStats& r = d.reply;
    std::string out = std::string(name) + ": " + std::to_string(d.frames) + " frames, " +
                      std::to_string(d.bytes) + " bytes, " + std::to_string(r.count) + " replies";
    if (r.count > 0) {
        out += ", reply_ms min " + msText(*r.min) + " median " + msText(*r.median) + " p95 " +
               msText(*r.p95) + " max " + msText(*r.max);
    }
    return out + '\n';
}

std::string textOf(const FrameList& list) {
    std::string out;
    char line[160];
    std::snprintf(line, sizeof line, "%6s %-3s %14s %6s %6s %10s %10s", "index", "dir", "start_s",
                  "bytes", "errors", "gap_ms", "reply_ms");
    out += line;
    out += list.modbus ? "  unit func kind      crc  hex\n" : "  hex\n";
    size_t index = 0;
    for (const Frame& f : list.frames) {
        std::snprintf(line, sizeof line, "%6zu %-3s %14s %6d %6d %10s %10s", ++index, dirName(f),
                      secondsText(f.startMicros).c_str(), f.bytes, f.errors,
                      optMs(f.gapMicros, "").c_str(), optMs(f.replyMicros(), "").c_str());
        out += line;
        if (f.modbus) {
            std::snprintf(line, sizeof line, "  %4d %4s %-9s %-3s", f.modbus->unit,
                          hexByte(f.modbus->function).c_str(), modbus::kindName(f.modbus->kind),
                          f.modbus->crcOk ? "ok" : "bad");
            out += line;
        }
        out += "  " + hexText(list.bytesOf(f)) + '\n';
    }
    const FrameSummary s = summarise(list);
    out += '\n' + textStats("SD", s.sd) + textStats("RD", s.rd);
    if (s.crcBad) {
        out += "CRC bad: " + std::to_string(*s.crcBad) + '\n';
    }
    out += list.idleStepMicros > 0
               ? "idle step: " + msText(list.idleStepMicros) + " ms (times are no finer)\n"
               : std::string("idle step: unknown (idle records carry no time)\n");
    return out;
}

}  // namespace

int FramesCommand(std::vector<std::string> argv) {
    Choices c;
    if (const std::optional<int> ended = ParseCommand(std::move(argv), kUsage, c, parse)) {
        return *ended;
    }
    LogReader reader;
    if (const std::optional<int> failed = OpenConversion(reader, *c.input, c.output, kUsage)) {
        return *failed;
    }
    // The frame list grows with the capture: the file is read whole (up to 2 GiB).
    std::string error;
    const std::optional<LogFile> log = readLogFile(*c.input, error);
    if (!log) {
        return Fail(*c.input, error);
    }
    FrameList list;
    analyseFrames(log->data.data(), static_cast<int32_t>(log->data.size()), pcapLineOf(log->header),
                  c.options, list);
    const std::string text = c.format == Format::Csv    ? csvOf(list)
                             : c.format == Format::Json ? jsonOf(list)
                                                        : textOf(list);
    const std::unique_ptr<AtomicFileWriter> file = OpenOutput(c.output);
    file->write(text);
    return file->commit() ? kExitOk : Fail(OutputName(c.output), file->reason());
}
