// vexlo-cli frames: the frames of a capture log file and the reply times between them.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Cli.h"
#include "LineOptions.h"
#include "ProgressLine.h"
#include "analysis/FrameAnalysis.h"
#include "analysis/FrameSummary.h"
#include "analysis/Protocol.h"
#include "files/AtomicFile.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "files/ProgramFolder.h"
#include "files/TextExport.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli frames FILE.vxm [--gap MS] [--protocol NAME] [--protocols FILE]\n"
    "                        [--home DIR] [--modbus] [--format text|csv|json] [-o OUT]\n"
    "Lists the frames of a capture log file and the times between them. A frame is a run of\n"
    "data bytes of one direction; a new one begins at a change of direction and at an idle\n"
    "record of at least the gap. Bytes with parity or framing errors stay in their frame and\n"
    "are counted. Times come from the clock the pcap export rebuilds (one character time per\n"
    "byte, idle records, time stamps): start_s counts from the first record, gap_ms is the\n"
    "idle time since the previous frame ended, reply_ms the same when the previous frame was\n"
    "of the other direction. They are no finer than the file's idle step, which is stated;\n"
    "a time across idle records of unknown length (a file whose idle scale is off) is left\n"
    "empty (null in JSON) and out of the summary. The file is read once, in pieces, and\n"
    "each frame is written as soon as it is complete, so a capture of any size fits.\n"
    "  --gap MS           the least idle time in milliseconds that ends a frame (default 0:\n"
    "                     every idle record)\n"
    "  --protocol NAME    how frames are found: idle (default: the runs above), modbus-rtu,\n"
    "                     modbus-ascii (':' ... CR LF with LRC), lines (text ended by CR, LF\n"
    "                     or CR LF), or a section of VXProto.ini. Under any protocol but idle\n"
    "                     each frame has a check (ok, bad, none) and a problem (too-long,\n"
    "                     truncated, timeout, noise or none); the summary counts bad checks\n"
    "                     per direction. Under modbus-ascii, lines and VXProto.ini sections\n"
    "                     each direction is framed on its own: idle records and changes of\n"
    "                     direction end no frame (the --gap is not used), an idle gap of the\n"
    "                     section's Timeout does\n"
    "  --protocols FILE   the protocol definitions (default: VXProto.ini of the program\n"
    "                     folder, found as vexlo-cli capture finds VXParam.ini)\n"
    "  --home DIR         the program folder\n"
    "  --modbus           the same as --protocol modbus-rtu: runs split into Modbus RTU\n"
    "                     frames by function code, length and CRC, with unit, function, kind\n"
    "                     (request, reply, exception) and CRC check; stray bytes that are no\n"
    "                     frame are of the kind noise (no unit, function or reply time)\n"
    "  --format text      a table and a summary (default)\n"
    "  --format csv       index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex"
    "[,unit,function,kind,crc_ok],\n"
    "                     protocol,check,problem\n"
    "  --format json      one object: idle_step_ms, the frames, then the summary\n"
    "  -o OUT             the output file: a regular file is replaced through a temporary\n"
    "                     file and a rename, a link is written through, a FIFO or a device\n"
    "                     is written directly; - or no -o: standard output\n"
    "Exit status: 0 done, 1 a file cannot be read or written, 2 usage error.\n";

enum class Format : int16_t { Text, Csv, Json };

struct Choices : ConversionFiles {
    FrameOptions options;
    Format format = Format::Text;
    std::optional<std::string> protocol;
    std::optional<std::string> protocols;
    std::optional<std::string> home;
};

std::optional<std::string> parse(ArgList& args, Choices& c) {
    return ParseConversion(
        args, "frames", c, {"--gap", "--format", "--protocol", "--protocols", "--home"},
        [&c](const std::string& o, const std::string& v) -> std::optional<std::string> {
            const std::string bad = "bad value for " + o + ": " + v;
            if (o == "--protocol") {
                if (v.empty() || (c.protocol && *c.protocol != v)) {
                    return bad;
                }
                c.protocol = v;
            } else if (o == "--protocols") {
                c.protocols = v;
            } else if (o == "--home") {
                c.home = v;
            } else if (o == "--gap") {
                const auto ms = ParseInt(v, 0, 86'400'000);
                if (!ms) {
                    return bad + " (0 to 86400000)";
                }
                c.options.gapMicros = *ms * 1000LL;
            } else {
                const auto i = PickOne(v, {"text", "csv", "json"});
                if (!i) {
                    return bad;
                }
                c.format = static_cast<Format>(*i);
            }
            return std::nullopt;
        },
        {"--modbus"},
        [&c](const std::string&) -> std::optional<std::string> {
            if (c.protocol && *c.protocol != "modbus-rtu") {
                return "--modbus and --protocol " + *c.protocol + " differ";
            }
            c.protocol = "modbus-rtu";
            return std::nullopt;
        });
}

// The protocol c names, into c.options; the file and reason when it cannot be had.
std::optional<std::pair<std::string, std::string>> resolveProtocol(Choices& c) {
    const std::string name = c.protocol.value_or("idle");
    if (name == "idle") {
        return std::nullopt;
    }
    if (name == "modbus-rtu") {
        c.options.modbus = true;
        return std::nullopt;
    }
    if (auto builtin = proto::builtinProtocol(name)) {
        c.options.protocol = std::move(*builtin);
        return std::nullopt;
    }
    std::string path;
    if (c.protocols) {
        path = *c.protocols;
    } else {
        std::vector<std::string> homeArgs;
        if (c.home) {
            homeArgs = {"--home", *c.home};
        }
        path = (std::filesystem::path(locateProgramFolder(ExeFolder(), homeArgs)) / "VXProto.ini")
                   .string();
    }
    const proto::ProtocolFile file = proto::loadProtocols(path, false);
    if (!file.error.empty()) {
        return std::pair{path, file.error};
    }
    const proto::Protocol* p = proto::findProtocol(file, name);
    if (p == nullptr) {
        return std::pair{
            path, "no protocol [" + name + "] (built in: idle, modbus-rtu, modbus-ascii, lines)"};
    }
    c.options.protocol = *p;
    return std::nullopt;
}

// A row written in place, into room made for it beforehand: each field at most kField
// characters (the texts of Frame's numbers and times all fit), right-aligned in its width or
// left-aligned when the width is negative.
class Row {
  public:
    static constexpr size_t kField = 32;
    // Room for a row of any format whose frame has the given bytes and whose protocol name
    // has the given length: the fields, the names and punctuation around them, and the bytes.
    static constexpr size_t room(size_t bytes, size_t name) { return 1024 + name + 3 * bytes; }

    explicit Row(char* p) : p_(p) {}
    // A field that put writes at the pointer it is given and returns the end of.
    template <typename Put>
    void field(int width, Put put) {
        char text[kField];
        const auto len = static_cast<size_t>(put(text) - text);
        const auto w = static_cast<size_t>(width < 0 ? -width : width);
        const size_t fill = len < w ? w - len : 0;
        if (width > 0) {
            p_ = std::fill_n(p_, fill, ' ');
        }
        std::memcpy(p_, text, kField);  // all of it: one fixed copy, then only len counts
        p_ += len;
        if (width < 0) {
            p_ = std::fill_n(p_, fill, ' ');
        }
    }
    void text(int width, std::string_view s) { align(width, s); }
    void number(int width, int64_t v) {
        field(width, [v](char* p) { return std::to_chars(p, p + kField, v).ptr; });
    }
    void number(int64_t v) { p_ = std::to_chars(p_, p_ + kField, v).ptr; }
    // Milliseconds of a known time, else what stands for nothing.
    void ms(const std::optional<int64_t>& micros, std::string_view none) {
        if (micros) {
            p_ = putMs(p_, *micros);
        } else {
            put(none);
        }
    }
    void seconds(int64_t micros) { p_ = putSeconds(p_, micros); }
    void put(std::string_view s) {
        std::memcpy(p_, s.data(), s.size());
        p_ += s.size();
    }
    void hex(std::span<const uint8_t> bytes) { p_ = putHex(p_, bytes); }
    [[nodiscard]] char* end() const { return p_; }

  private:
    void align(int width, std::string_view s) {
        const auto w = static_cast<size_t>(width < 0 ? -width : width);
        const size_t fill = s.size() < w ? w - s.size() : 0;
        if (width > 0) {
            p_ = std::fill_n(p_, fill, ' ');
        }
        put(s);
        if (width < 0) {
            p_ = std::fill_n(p_, fill, ' ');
        }
    }

    char* p_;
};

// The rows of the frames, written as they come, then the summary.
class FrameWriter {
  public:
    FrameWriter(Format format, const FrameOptions& options, int64_t idleStep, TextOut& out)
        : format_(format),
          modbus_(options.modbus),
          checked_(options.checked()),
          protocol_(options.protocolName()),
          jsonProtocol_(jsonText(protocol_)),
          idleStep_(idleStep),
          out_(out),
          tally_(options.checked()) {
        row_.reserve(4096);
        head();
    }

    void frame(const Frame& f, std::span<const uint8_t> bytes) {
        tally_.add(f);
        ++index_;
        // row_ only grows, so that no row clears its room first.
        const size_t room = Row::room(bytes.size(), jsonProtocol_.size());
        if (row_.size() < room) {
            row_.resize(room);
        }
        Row r(row_.data());
        switch (format_) {
            case Format::Csv:
                csv(r, f, bytes);
                break;
            case Format::Json:
                json(r, f, bytes);
                break;
            case Format::Text:
                text(r, f, bytes);
                break;
        }
        out_.put({row_.data(), static_cast<size_t>(r.end() - row_.data())});
    }

    void finish() {
        const FrameSummary s = tally_.summary();
        row_.clear();
        if (format_ == Format::Json) {
            row_ += "],\n\"summary\":{\"SD\":";
            jsonStats(s.sd);
            row_ += ",\"RD\":";
            jsonStats(s.rd);
            row_ += ",\"protocol\":\"" + jsonProtocol_ + '"';
            row_ += ",\"crc_bad\":" + (s.crcBad ? std::to_string(*s.crcBad) : "null");
            row_ += ",\"noise\":" + (s.noise ? std::to_string(*s.noise) : "null") + "}}\n";
        } else if (format_ == Format::Text) {
            row_ += '\n';
            textStats("SD", s.sd);
            textStats("RD", s.rd);
            row_ += "protocol: " + protocol_ + '\n';
            if (s.crcBad) {
                row_ += (modbus_ ? "CRC bad: " : "bad checks: ") + std::to_string(*s.crcBad) + '\n';
                row_ += "noise: " + std::to_string(*s.noise) + '\n';
            }
            row_ += idleStep_ > 0 ? "idle step: " + msText(idleStep_) + " ms (times are no finer)\n"
                                  : "idle step: unknown (idle records carry no time)\n";
        }
        out_.put(row_);
    }

  private:
    void head() {
        if (format_ == Format::Csv) {
            row_ = "index,dir,start_s,bytes,errors,gap_ms,reply_ms,hex";
            row_ += modbus_ ? ",unit,function,kind,crc_ok" : "";
            row_ += ",protocol,check,problem\n";
        } else if (format_ == Format::Json) {
            row_ = "{\"idle_step_ms\":" + (idleStep_ > 0 ? msText(idleStep_) : "null") +
                   ",\"frames\":[";
        } else {
            char line[160];
            std::snprintf(line, sizeof line, "%6s %-3s %14s %6s %6s %10s %10s", "index", "dir",
                          "start_s", "bytes", "errors", "gap_ms", "reply_ms");
            row_ = line;
            row_ += modbus_ ? "  unit func kind      crc" : "";
            row_ += checked_ ? "  check problem    hex\n" : "  hex\n";
        }
        out_.put(row_);
    }

    // ms of a known time, else what stands for nothing.
    void ms(const std::optional<int64_t>& micros, const char* none) {
        if (micros) {
            appendMs(row_, *micros);
        } else {
            row_ += none;
        }
    }

    void csv(Row& r, const Frame& f, std::span<const uint8_t> bytes) const {
        r.number(index_);
        r.put(f.sd ? ",SD," : ",RD,");
        r.seconds(f.startMicros);
        r.put(",");
        r.number(f.bytes);
        r.put(",");
        r.number(f.errors);
        r.put(",");
        r.ms(f.gap(), "");
        r.put(",");
        r.ms(f.reply(), "");
        r.put(",");
        r.hex(bytes);
        if (f.modbus) {
            if (f.noise()) {
                r.put(",,,noise,");
            } else {
                r.put(",");
                r.number(f.modbus->unit);
                r.put(",");
                r.number(f.modbus->function);
                r.put(",");
                r.put(modbus::kindName(f.modbus->kind));
                r.put(f.modbus->crcOk ? ",true" : ",false");
            }
        }
        r.put(",");
        r.put(protocol_);
        r.put(",");
        r.put(proto::checkStateName(f.check));
        r.put(",");
        r.put(proto::problemName(f.problem));
        r.put("\n");
    }

    void json(Row& r, const Frame& f, std::span<const uint8_t> bytes) const {
        r.put(index_ == 1 ? "\n{\"index\":" : ",\n{\"index\":");
        r.number(index_);
        r.put(f.sd ? ",\"dir\":\"SD\",\"start_s\":" : ",\"dir\":\"RD\",\"start_s\":");
        r.seconds(f.startMicros);
        r.put(",\"bytes\":");
        r.number(f.bytes);
        r.put(",\"errors\":");
        r.number(f.errors);
        r.put(",\"gap_ms\":");
        r.ms(f.gap(), "null");
        r.put(",\"reply_ms\":");
        r.ms(f.reply(), "null");
        r.put(",\"hex\":\"");
        r.hex(bytes);
        r.put("\",\"protocol\":\"");
        r.put(jsonProtocol_);
        r.put("\",\"check\":\"");
        r.put(proto::checkStateName(f.check));
        r.put("\",\"problem\":\"");
        r.put(proto::problemName(f.problem));
        r.put("\"");
        if (f.modbus) {
            if (f.noise()) {
                r.put(
                    ",\"modbus\":{\"unit\":null,\"function\":null,\"kind\":\"noise\","
                    "\"crc_ok\":null}");
            } else {
                r.put(",\"modbus\":{\"unit\":");
                r.number(f.modbus->unit);
                r.put(",\"function\":");
                r.number(f.modbus->function);
                r.put(",\"kind\":\"");
                r.put(modbus::kindName(f.modbus->kind));
                r.put(f.modbus->crcOk ? "\",\"crc_ok\":true}" : "\",\"crc_ok\":false}");
            }
        }
        r.put("}");
    }

    void text(Row& r, const Frame& f, std::span<const uint8_t> bytes) const {
        const auto ms = [](const std::optional<int64_t>& micros) {
            return [&micros](char* p) { return micros ? putMs(p, *micros) : p; };
        };
        r.number(6, index_);
        r.put(f.sd ? " SD  " : " RD  ");
        r.field(14, [&f](char* p) { return putSeconds(p, f.startMicros); });
        r.put(" ");
        r.number(6, f.bytes);
        r.put(" ");
        r.number(6, f.errors);
        r.put(" ");
        r.field(10, ms(f.gap()));
        r.put(" ");
        r.field(10, ms(f.reply()));
        if (f.modbus) {
            r.put("  ");
            if (f.noise()) {
                r.put("          noise        ");
            } else {
                const uint8_t function = f.modbus->function;
                r.number(4, f.modbus->unit);
                r.put(" ");
                r.field(4, [&function](char* p) { return putHex(p, {&function, 1}); });
                r.put(" ");
                r.text(-9, modbus::kindName(f.modbus->kind));
                r.put(f.modbus->crcOk ? " ok " : " bad");
            }
        }
        if (checked_) {
            r.put("  ");
            r.text(-5, proto::checkStateName(f.check));
            r.put(" ");
            r.text(-9, proto::problemName(f.problem));
        }
        r.put("  ");
        r.hex(bytes);
        r.put("\n");
    }

    void jsonStats(const DirectionSummary& d) {
        const ReplyStats& r = d.reply;
        row_ += "{\"frames\":" + std::to_string(d.frames) +
                ",\"bytes\":" + std::to_string(d.bytes) +
                (checked_ ? ",\"bad_checks\":" + std::to_string(d.badChecks) : "") +
                ",\"reply_ms\":{\"count\":" + std::to_string(r.count) + ",\"min\":";
        ms(r.min, "null");
        row_ += ",\"median\":";
        ms(r.median, "null");
        row_ += ",\"p95\":";
        ms(r.p95, "null");
        row_ += ",\"max\":";
        ms(r.max, "null");
        row_ += "}}";
    }

    void textStats(const char* name, const DirectionSummary& d) {
        const ReplyStats& r = d.reply;
        row_ += std::string(name) + ": " + std::to_string(d.frames) + " frames, " +
                std::to_string(d.bytes) + " bytes, " +
                (checked_ ? std::to_string(d.badChecks) + " bad checks, " : "") +
                std::to_string(r.count) + " replies";
        if (r.count > 0) {
            row_ += ", reply_ms min " + msText(*r.min) + " median " + msText(*r.median) + " p95 " +
                    msText(*r.p95) + " max " + msText(*r.max);
        }
        row_ += '\n';
    }

    // s with the characters JSON escapes escaped (a section name is any text).
    static std::string jsonText(const std::string& s) {
        std::string out;
        for (const char ch : s) {
            if (ch == '"' || ch == '\\') {
                out += '\\';
                out += ch;
            } else if (static_cast<unsigned char>(ch) < 0x20) {
                char u[8];
                std::snprintf(u, sizeof u, "\\u%04x", static_cast<unsigned>(ch));
                out += u;
            } else {
                out += ch;
            }
        }
        return out;
    }

    Format format_;
    bool modbus_;
    bool checked_;
    std::string protocol_;
    std::string jsonProtocol_;
    int64_t idleStep_;
    TextOut& out_;
    FrameTally tally_;
    int64_t index_ = 0;
    std::string row_;
};

}  // namespace

int FramesCommand(std::vector<std::string> argv) {
    Choices c;
    if (const std::optional<int> ended = ParseCommand(std::move(argv), kUsage, c, parse)) {
        return *ended;
    }
    if (const auto failed = resolveProtocol(c)) {
        return Fail(failed->first, failed->second);
    }
    LogReader reader;
    if (const std::optional<int> failed = OpenConversion(reader, *c.input, c.output, kUsage)) {
        return *failed;
    }
    // The records are read once, in pieces, and each frame is written when it is complete.
    const std::unique_ptr<AtomicFileWriter> file = OpenOutput(c.output);
    TextOut out([&file](std::string_view piece) {
        file->write(piece);
        return file->ok();
    });
    std::optional<FrameWriter> writer;
    FrameAnalyser analyser(
        lineTimingOf(reader.header()), c.options,
        [&writer](const Frame& f, std::span<const uint8_t> bytes) { writer->frame(f, bytes); });
    writer.emplace(c.format, c.options, analyser.idleStep(), out);
    ProgressLine progress("frames");
    uint64_t done = 0;
    std::string error;
    const bool read = reader.read(
        [&](const uint8_t* bytes, size_t len) {
            const size_t taken = analyser.add(bytes, len);
            (void)progress.step(done += taken, reader.DataLength());
            return file->ok() ? taken : LogReader::kStop;
        },
        error);
    if (!read) {
        return Fail(*c.input, error);
    }
    analyser.finish();
    writer->finish();
    if (!out.flush() || !file->commit()) {
        return Fail(OutputName(c.output), file->reason());
    }
    return kExitOk;
}
