// vexlo-cli export: the text export of the program's text save command, for a capture log
// file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"
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

struct Choices {
    std::optional<std::string> input;
    std::optional<std::string> output;
    bool fixed = false;
    int16_t limit = 0;
    int16_t cells = 50;
    int16_t asciiSaveMode = 0;
    std::optional<int16_t> dispMode;
};

// Fills c from the arguments; an error message for a usage error, or nothing.
std::optional<std::string> parse(ArgList& args, Choices& c) {
    while (!args.done()) {
        const char* option = nullptr;
        for (const char* name :
             {"-o", "--output", "--layout", "--limit", "--cells", "--ascii", "--display"}) {
            if (args.Is(name)) {
                option = name;
            }
        }
        const std::string a = args.Take();
        if (option == nullptr) {
            if (a.size() > 1 && a[0] == '-') {
                return "export: unknown option " + a;
            }
            if (c.input) {
                return "export: more than one file";
            }
            c.input = a;
            continue;
        }
        const std::optional<std::string> v = args.Value(option);
        if (!v) {
            return std::string("export: ") + option + " needs a value";
        }
        const std::string o = option;
        const std::string bad = "export: bad value for " + o + ": " + *v;
        if (o == "-o" || o == "--output") {
            if (v->empty()) {
                return bad;
            }
            c.output = *v;
        } else if (o == "--layout") {
            const auto i = PickOne(*v, {"switch", "fixed"});
            if (!i) {
                return bad;
            }
            c.fixed = *i == 1;
        } else if (o == "--limit") {
            const auto n = ParseInt(*v, 0, INT16_MAX);
            if (!n) {
                return bad + " (0 to 32767)";
            }
            c.limit = static_cast<int16_t>(*n);
        } else if (o == "--cells") {
            const auto n = ParseInt(*v, 1, INT16_MAX);
            if (!n) {
                return bad + " (1 to 32767)";
            }
            c.cells = static_cast<int16_t>(*n);
        } else if (o == "--ascii") {
            const auto i = PickOne(*v, {"screen", "dot", "hex"});
            if (!i) {
                return bad;
            }
            c.asciiSaveMode = *i;
        } else {
            const auto i = PickOne(*v, {"ascii", "hex"});
            if (!i) {
                return bad;
            }
            c.dispMode = *i;
        }
    }
    if (!c.input) {
        return "export: no file given";
    }
    return std::nullopt;
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
    const bool read = reader.read(
        [&](const uint8_t* bytes, size_t len) {
            int32_t n = 0;
            const int32_t taken = makeDispWords(bytes, static_cast<int32_t>(len), words.data(), n);
            text.add(words.data(), n);
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
