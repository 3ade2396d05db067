// vexlo-cli export: the text export of the program's text save command, for a capture log
// file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"
#include "ProgressLine.h"
#include "base/Status.h"
#include "capture/Capture.h"
#include "capture/DispWords.h"
#include "files/LogFile.h"
#include "files/TextExport.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vexlo-cli export FILE.vxm [-o OUT] [--layout switch|fixed] [--limit N]\n"
    "                        [--cells N] [--ascii screen|dot|hex] [--display ascii|hex]\n"
    "Writes a capture log file as text (UTF-8, CR LF line ends), byte for byte as the\n"
    "program's text save command does for the same choices.\n"
    "  -o OUT             the output file: a regular file is replaced through a temporary\n"
    "                     file and a rename, a link is written through, a FIFO or a device\n"
    "                     is written directly; - or no -o: standard output\n"
    "  --layout switch    a new line at each RD/SD change (default)\n"
    "  --layout fixed     RD and SD line pairs of a fixed number of cells\n"
    "  --limit N          switch layout: at most N characters per line, 0 no limit (default 0)\n"
    "  --cells N          fixed layout: N cells per line, at least 1 (default 50)\n"
    "  --ascii screen     ASCII display: the screen texts, full width (default)\n"
    "  --ascii dot        ASCII display: half width, a dot for bytes outside 0x20..0x7E\n"
    "  --ascii hex        ASCII display: half width, other bytes as [screen text]\n"
    "  --display MODE     ascii or hex instead of the display mode stored in the file\n"
    "Exit status: 0 done, 1 a file cannot be read or written, 2 usage error.\n";

struct Choices : ConversionFiles {
    bool fixed = false;
    int16_t limit = 0;
    int16_t cells = 50;
    int16_t asciiSaveMode = 0;
    std::optional<int16_t> dispMode;
};

// Takes the value of one of the export's own options; the reason when it is bad.
std::optional<std::string> take(const std::string& o, const std::string& v, Choices& c) {
    const std::string bad = "bad value for " + o + ": " + v;
    if (o == "--layout") {
        const auto i = PickOne(v, {"switch", "fixed"});
        if (!i) {
            return bad;
        }
        c.fixed = *i == 1;
    } else if (o == "--limit" || o == "--cells") {
        const int lo = o == "--limit" ? 0 : 1;
        const auto n = ParseInt(v, lo, INT16_MAX);
        if (!n) {
            return bad + " (" + std::to_string(lo) + " to 32767)";
        }
        (o == "--limit" ? c.limit : c.cells) = static_cast<int16_t>(*n);
    } else {
        const auto i =
            o == "--ascii" ? PickOne(v, {"screen", "dot", "hex"}) : PickOne(v, {"ascii", "hex"});
        if (!i) {
            return bad;
        }
        (o == "--ascii" ? c.asciiSaveMode : c.dispMode.emplace()) = *i;
    }
    return std::nullopt;
}

// Fills c from the arguments; an error message for a usage error, or nothing.
std::optional<std::string> parse(ArgList& args, Choices& c) {
    return ParseConversion(
        args, "export", c, {"--layout", "--limit", "--cells", "--ascii", "--display"},
        [&c](const std::string& o, const std::string& v) { return take(o, v, c); });
}

}  // namespace

int ExportCommand(std::vector<std::string> argv) {
    Choices c;
    if (const std::optional<int> ended = ParseCommand(std::move(argv), kUsage, c, parse)) {
        return *ended;
    }
    LogReader reader;
    if (const std::optional<int> failed = OpenConversion(reader, *c.input, c.output, kUsage)) {
        return *failed;
    }

    // The display words, as the program makes them from an opened file, a piece at a time.
    const ChrTable chr = MakeChrTable();
    const TextSource style{nullptr, 0,
                           c.dispMode.value_or(clampHeader(reader.header()).gintDispMode),
                           c.asciiSaveMode, &chr};
    const std::unique_ptr<AtomicFileWriter> file = OpenOutput(c.output);
    TextOut out([&file](std::string_view piece) {
        file->write(piece);
        return file->ok();
    });
    TextWriter text(style, c.fixed, c.fixed ? c.cells : c.limit, out);
    std::vector<int16_t> words(LogReader::kPiece / 2 + 2);
    std::string error;
    ProgressLine progress("export");
    uint64_t done = 0;
    const bool read = reader.read(
        [&](const uint8_t* bytes, size_t len) {
            int32_t n = 0;
            const int32_t taken = makeDispWords(bytes, static_cast<int32_t>(len), words.data(), n);
            text.add(words.data(), n);
            (void)progress.step(done += static_cast<uint64_t>(taken), reader.DataLength());
            return file->ok() ? static_cast<size_t>(taken) : LogReader::kStop;
        },
        error);
    if (!read) {
        return Fail(*c.input, error);
    }
    text.finish();
    if (!out.flush() || !file->commit()) {
        return Fail(OutputName(c.output), file->reason());
    }
    return kExitOk;
}
