#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Progress.h"
#include "capture/ByteText.h"

// Text export of the display words: UTF-8 text with CR LF line ends, either pairs of aligned
// RD and SD lines of a fixed number of cells (TextSaveFixed), or one line per stretch of
// same-direction traffic (TextSaveSwitch).

// Collects text in a buffer and hands it to the sink in large pieces. Once the sink has
// refused a piece, the rest is dropped and Flush reports the failure.
class TextOut {
  public:
    using Sink = std::function<bool(std::string_view)>;
    explicit TextOut(Sink sink) : sink_(std::move(sink)) { buf_.reserve(kPiece + 4096); }

    void put(std::string_view s) {
        buf_.append(s);
        if (buf_.size() >= kPiece) {
            flush();
        }
    }
    void line(std::string_view s) {
        buf_.append(s);
        put("\r\n");
    }
    // Hands on what is buffered; false once the sink has failed.
    bool flush();

  private:
    static constexpr size_t kPiece = 1 << 20;
    Sink sink_;
    std::string buf_;
    bool ok_ = true;
};

// What is exported and how each word reads.
struct TextSource {
    const int16_t* words = nullptr;  // gintDispDat
    int32_t len = 0;                 // glngDispLen
    int dispMode = 0;                // gintDispMode: 0 ASCII, otherwise hexadecimal
    int asciiSaveMode = 0;           // gintASCIISaveMode; a value outside 0..2 is taken as 0
    const ChrTable* chr = nullptr;   // gstrChr
};

// The fixed layout: "RD:" and "SD:" lines of at most cells cells (a two-cell record may make
// one cells + 1 long), each pair followed by an empty line except the last. cells >= 1.
void writeTextFixed(const TextSource& src, int32_t cells, TextOut& out);

// The switch layout: a new line at each change of direction, cut into lines of at most limit
// characters (0: no limit). limit >= 0.
void writeTextSwitch(const TextSource& src, int32_t limit, TextOut& out);

// Either layout for display words that come in pieces, so that a capture of any length can
// be exported with bounded memory: each piece holds whole records (a time-stamp or idle
// record never split between two), and Finish writes the last line or line pair. The words
// and len of the source are not used; the other fields give the texts.
class TextWriter {
  public:
    // fixed: number is the cells of the fixed layout (>= 1), otherwise the limit of the switch
    // layout (>= 0). maxWords: the most words that will come, if known (it bounds the buffers
    // of the fixed layout's rows).
    TextWriter(const TextSource& style, bool fixed, int32_t number, TextOut& out,
               int32_t maxWords = INT32_MAX);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void add(const int16_t* words, int32_t len) { layout_->add(words, len, out_); }
    void finish() { layout_->finish(out_); }

    class Layout {
      public:
        virtual ~Layout() = default;
        virtual void add(const int16_t* words, int32_t len, TextOut& out) = 0;
        virtual void finish(TextOut& out) = 0;
    };

  private:
    std::unique_ptr<Layout> layout_;
    TextOut& out_;
};

// Writes text as lines of at most limit characters (all of it as one line when limit is 0)
// and leaves text empty. Characters are Unicode characters of the UTF-8 text; the "RD:" or
// "SD:" prefix counts towards the first line.
void PrintChunks(TextOut& file, std::string& text, int32_t limit);

// Export into a file, written through a temporary file renamed over name: status::kDone, or
// status::kFailed (cells below 1, a negative limit, a file that cannot be written, progress
// told to stop) with an existing file of that name left as it was. The words go in pieces,
// after each of which progress hears how many are written.
int16_t TextSaveFixed(int16_t cells, const std::string& name, const TextSource& src,
                      Progress& progress = noProgress());
int16_t TextSaveSwitch(const std::string& name, int16_t limit, const TextSource& src,
                       Progress& progress = noProgress());
