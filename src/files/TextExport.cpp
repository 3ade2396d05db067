#include "files/TextExport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "base/Status.h"
#include "capture/Records.h"
#include "files/AtomicFile.h"

namespace {

// Number of Unicode characters in a UTF-8 text.
int32_t charCount(std::string_view s) {
    int32_t n = 0;
    for (const char ch : s) {
        n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

// The texts of the data words of one export, looked up instead of built per word.
class WordTexts {
  public:
    explicit WordTexts(const TextSource& src)
        : dispMode_(src.dispMode),
          asciiSaveMode_(src.asciiSaveMode >= 0 && src.asciiSaveMode <= 2 ? src.asciiSaveMode : 0),
          chr_(*src.chr) {
        const bool twoBlanks = src.dispMode != 0 || asciiSaveMode_ == 0;
        std::string text;
        for (int i = 0; i < kDataWords; ++i) {
            Entry& e = table_[i];
            WordText(i, 0, src.dispMode, asciiSaveMode_, *src.chr, text);
            e.textRow = (i & word::kSd) != 0 ? 1 : 0;
            // The longest text of a data word is a bracketed screen text, five bytes.
            e.len[e.textRow] = static_cast<uint8_t>(std::min(text.size(), Entry::kSlot));
            e.len[1 - e.textRow] = twoBlanks ? 2 : static_cast<uint8_t>(charCount(text));
            e.row[0].fill(' ');
            e.row[1].fill(' ');
            text.copy(e.row[e.textRow].data(), e.len[e.textRow]);
        }
    }

    // What a data word puts into the RD row (0) and the SD row (1) of the fixed layout: its
    // text into the row of its direction and blanks beneath it into the other, each in a slot
    // padded with blanks so that it is copied whole and the rows need no branch.
    struct Entry {
        static constexpr size_t kSlot = 8;
        std::array<std::array<char, kSlot>, 2> row;
        std::array<uint8_t, 2> len;
        uint8_t textRow;

        [[nodiscard]] std::string_view text() const { return {row[textRow].data(), len[textRow]}; }
    };

    // The most bytes one cell may take in a row of the fixed layout (a two-cell record takes
    // up to seven digits).
    static constexpr size_t kCellBytes = Entry::kSlot;

    // The data word w (kinds 0x000 to 0x500), or nothing for any other kind.
    [[nodiscard]] const Entry* data(int w) const {
        return w >= 0 && w < kDataWords ? &table_[w] : nullptr;
    }

    // The six digits of the time-stamp or idle record starting at word i of the len words.
    [[nodiscard]] const std::string& digits(const int16_t* words, int32_t len, int32_t i) {
        const int next = i + 1 < len ? words[i + 1] : 0;
        WordText(words[i], next, dispMode_, asciiSaveMode_, chr_, digits_);
        return digits_;
    }

  private:
    static constexpr int kDataWords = 0x600;
    int dispMode_;
    int asciiSaveMode_;
    const ChrTable& chr_;
    std::array<Entry, kDataWords> table_;
    std::string digits_;
};

// One row of the fixed layout: a buffer of blanks sized for its longest line plus one slot,
// written through a cursor that the export keeps in a local variable, so that a cell is one
// fixed-size copy and a filler a step.
class Row {
  public:
    Row(const char* prefix, size_t capacity) : buf_(capacity + WordTexts::Entry::kSlot, ' ') {
        buf_.replace(0, 3, prefix);
    }

    [[nodiscard]] char* start() { return buf_.data() + 3; }
    [[nodiscard]] std::string_view text(const char* end) const {
        return {buf_.data(), static_cast<size_t>(end - buf_.data())};
    }
    // Blanks the row again up to end; returns the cursor after the prefix.
    char* reset(char* end) {
        std::memset(start(), ' ', static_cast<size_t>(end - start()));
        return start();
    }

  private:
    std::string buf_;
};

char* put(char* at, const WordTexts::Entry& e, int row) {
    std::memcpy(at, e.row[row].data(), WordTexts::Entry::kSlot);
    return at + e.len[row];
}

char* put(char* at, std::string_view s) {
    std::memcpy(at, s.data(), s.size());
    return at + s.size();
}

bool isTwoWordRecord(int kind) {
    return kind == word::kIdle || kind == word::kStamp;
}

// write: false when the text is not whole (the file is then not committed).
template <typename Write>
int16_t saveThrough(const std::string& name, Write write) {
    AtomicFileWriter file(name);
    TextOut out([&file](std::string_view piece) {
        file.write(piece);
        return file.ok();
    });
    const bool whole = write(out);
    return whole && out.flush() && file.commit() ? status::kDone : status::kFailed;
}

// Hands the words of src to writer in pieces that each end after a whole record, telling
// progress after each piece, then finishes; false when progress said stop.
bool writeInPieces(const TextSource& src, TextWriter& writer, Progress& progress) {
    constexpr int32_t kPieceWords = int32_t{1} << 20;
    const auto len = static_cast<uint64_t>(std::max(src.len, 0));
    int32_t i = 0;
    while (static_cast<uint64_t>(i) < len) {
        const int32_t want = len - i > kPieceWords ? i + kPieceWords : static_cast<int32_t>(len);
        int32_t end = i;
        while (end < want) {
            end += isTwoWordRecord(word::kind(src.words[end])) ? 2 : 1;
        }
        end = std::min(end, static_cast<int32_t>(len));
        writer.add(src.words + i, end - i);
        i = end;
        if (!progress.step(static_cast<uint64_t>(i), len)) {
            return false;
        }
    }
    writer.finish();
    return true;
}

}  // namespace

bool TextOut::flush() {
    if (ok_ && !buf_.empty()) {
        ok_ = sink_(buf_);
    }
    buf_.clear();
    return ok_;
}

namespace {

// The fixed layout, a piece at a time.
class FixedText final : public TextWriter::Layout {
  public:
    FixedText(const TextSource& src, int32_t cells, int32_t maxWords)
        : texts_(src),
          cells_(cells),
          lineCells_(static_cast<size_t>(std::min(cells, std::max(maxWords, 0))) + 2),
          rdRow_("RD:", 3 + lineCells_ * WordTexts::kCellBytes),
          sdRow_("SD:", 3 + lineCells_ * WordTexts::kCellBytes),
          rd_(rdRow_.start()),
          sd_(sdRow_.start()) {}

    void add(const int16_t* words, int32_t len, TextOut& out) override {
        // Locals, since the rows are written through char pointers that may alias anything.
        char* rd = rd_;
        char* sd = sd_;
        int32_t count = count_;
        const int32_t cells = cells_;
        for (int32_t i = 0; i < len; ++i) {
            const int w = words[i];
            if (const WordTexts::Entry* e = texts_.data(w)) {
                rd = put(rd, *e, 0);
                sd = put(sd, *e, 1);
                ++count;
            } else if (isTwoWordRecord(word::kind(w))) {
                rd = put(rd, word::kind(w) == word::kIdle ? "(IDLE)" : "(TMST)");
                sd = put(sd, texts_.digits(words, len, i));
                ++i;
                count += 2;
            }
            if (count >= cells) {
                out.line(rdRow_.text(rd));
                out.line(sdRow_.text(sd));
                out.line({});
                rd = rdRow_.reset(rd);
                sd = sdRow_.reset(sd);
                count = 0;
            }
        }
        rd_ = rd;
        sd_ = sd;
        count_ = count;
    }

    void finish(TextOut& out) override {
        if (count_ > 0) {
            out.line(rdRow_.text(rd_));
            out.line(sdRow_.text(sd_));
        }
    }

  private:
    WordTexts texts_;
    int32_t cells_;
    // A line holds at most cells + 1 cells (a two-cell record may pass the number), and never
    // more cells than there are words.
    size_t lineCells_;
    Row rdRow_, sdRow_;
    char* rd_;
    char* sd_;
    int32_t count_ = 0;
};

// The switch layout, a piece at a time.
class SwitchText final : public TextWriter::Layout {
  public:
    SwitchText(const TextSource& src, int32_t limit) : texts_(src), limit_(limit) {}

    void add(const int16_t* words, int32_t len, TextOut& out) override {
        for (int32_t i = 0; i < len; ++i) {
            const int w = words[i];
            if (const WordTexts::Entry* e = texts_.data(w)) {
                const int dir = w & word::kSd;
                if (dir != direction_) {
                    if (!line_.empty()) {
                        PrintChunks(out, line_, limit_);
                    }
                    line_ = dir != 0 ? "SD:" : "RD:";
                    direction_ = dir;
                }
                line_ += e->text();
            } else if (isTwoWordRecord(word::kind(w))) {
                line_ += word::kind(w) == word::kIdle ? "(IDLE:" : "(TMST:";
                line_ += texts_.digits(words, len, i);
                line_ += ')';
                ++i;
            }
        }
    }

    void finish(TextOut& out) override { PrintChunks(out, line_, limit_); }

  private:
    WordTexts texts_;
    int32_t limit_;
    std::string line_;
    int direction_ = -1;  // none yet; otherwise word::kSd or 0
};

}  // namespace

TextWriter::TextWriter(const TextSource& style, bool fixed, int32_t number, TextOut& out,
                       int32_t maxWords)
    : out_(out) {
    if (fixed) {
        layout_ = std::make_unique<FixedText>(style, number, maxWords);
    } else {
        layout_ = std::make_unique<SwitchText>(style, number);
    }
}

TextWriter::~TextWriter() = default;

void writeTextFixed(const TextSource& src, int32_t cells, TextOut& out) {
    TextWriter writer(src, true, cells, out, src.len);
    writer.add(src.words, src.len);
    writer.finish();
}

void writeTextSwitch(const TextSource& src, int32_t limit, TextOut& out) {
    TextWriter writer(src, false, limit, out);
    writer.add(src.words, src.len);
    writer.finish();
}

void PrintChunks(TextOut& file, std::string& text, int32_t limit) {
    if (limit <= 0) {
        file.line(text);
        text.clear();
        return;
    }
    size_t start = 0;
    int32_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
            continue;  // inside a character
        }
        if (chars == limit) {
            file.line(std::string_view(text).substr(start, i - start));
            start = i;
            chars = 0;
        }
        ++chars;
    }
    if (start < text.size()) {
        file.line(std::string_view(text).substr(start));
    }
    text.clear();
}

int16_t TextSaveFixed(int16_t cells, const std::string& name, const TextSource& src,
                      Progress& progress) {
    if (cells < 1) {
        return status::kFailed;
    }
    return saveThrough(name, [&](TextOut& out) {
        TextWriter writer(src, true, cells, out, src.len);
        return writeInPieces(src, writer, progress);
    });
}

int16_t TextSaveSwitch(const std::string& name, int16_t limit, const TextSource& src,
                       Progress& progress) {
    if (limit < 0) {
        return status::kFailed;
    }
    return saveThrough(name, [&](TextOut& out) {
        TextWriter writer(src, false, limit, out);
        return writeInPieces(src, writer, progress);
    });
}
