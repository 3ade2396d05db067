#include "files/TextExport.h"

#include <algorithm>
#include <array>
#include <cstring>

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
        : src_(src),
          asciiSaveMode_(src.asciiSaveMode >= 0 && src.asciiSaveMode <= 2 ? src.asciiSaveMode : 0) {
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

        [[nodiscard]] std::string_view Text() const { return {row[textRow].data(), len[textRow]}; }
    };

    // The most bytes one cell may take in a row of the fixed layout (a two-cell record takes
    // up to seven digits).
    static constexpr size_t kCellBytes = Entry::kSlot;

    // The data word w (kinds 0x000 to 0x500), or nothing for any other kind.
    [[nodiscard]] const Entry* Data(int w) const {
        return w >= 0 && w < kDataWords ? &table_[w] : nullptr;
    }

    // The six digits of the time-stamp or idle record starting at word i.
    [[nodiscard]] const std::string& Digits(int32_t i) {
        const int next = i + 1 < src_.len ? src_.words[i + 1] : 0;
        WordText(src_.words[i], next, src_.dispMode, asciiSaveMode_, *src_.chr, digits_);
        return digits_;
    }

  private:
    static constexpr int kDataWords = 0x600;
    const TextSource& src_;
    int asciiSaveMode_;
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

    [[nodiscard]] char* Start() { return buf_.data() + 3; }
    [[nodiscard]] std::string_view Text(const char* end) const {
        return {buf_.data(), static_cast<size_t>(end - buf_.data())};
    }
    // Blanks the row again up to end; returns the cursor after the prefix.
    char* Reset(char* end) {
        std::memset(Start(), ' ', static_cast<size_t>(end - Start()));
        return Start();
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

template <typename Write>
int16_t saveThrough(const std::string& name, Write write) {
    AtomicFileWriter file(name);
    TextOut out([&file](std::string_view piece) {
        file.Write(piece);
        return file.Ok();
    });
    write(out);
    return out.Flush() && file.Commit() ? status::kDone : status::kFailed;
}

}  // namespace

bool TextOut::Flush() {
    if (ok_ && !buf_.empty()) {
        ok_ = sink_(buf_);
    }
    buf_.clear();
    return ok_;
}

void WriteTextFixed(const TextSource& src, int32_t cells, TextOut& out) {
    WordTexts texts(src);
    // A line holds at most cells + 1 cells (a two-cell record may pass the number), and never
    // more cells than there are words.
    const size_t lineCells = static_cast<size_t>(std::min(cells, std::max(src.len, 0))) + 2;
    Row rdRow("RD:", 3 + lineCells * WordTexts::kCellBytes);
    Row sdRow("SD:", 3 + lineCells * WordTexts::kCellBytes);
    char* rd = rdRow.Start();
    char* sd = sdRow.Start();
    int32_t count = 0;
    // Locals, since the rows are written through char pointers that may alias anything.
    const int16_t* const words = src.words;
    const int32_t len = src.len;
    for (int32_t i = 0; i < len; ++i) {
        const int w = words[i];
        if (const WordTexts::Entry* e = texts.Data(w)) {
            rd = put(rd, *e, 0);
            sd = put(sd, *e, 1);
            ++count;
        } else if (isTwoWordRecord(word::Kind(w))) {
            rd = put(rd, word::Kind(w) == word::kIdle ? "(IDLE)" : "(TMST)");
            sd = put(sd, texts.Digits(i));
            ++i;
            count += 2;
        }
        if (count >= cells) {
            out.Line(rdRow.Text(rd));
            out.Line(sdRow.Text(sd));
            out.Line({});
            rd = rdRow.Reset(rd);
            sd = sdRow.Reset(sd);
            count = 0;
        }
    }
    if (count > 0) {
        out.Line(rdRow.Text(rd));
        out.Line(sdRow.Text(sd));
    }
}

void WriteTextSwitch(const TextSource& src, int32_t limit, TextOut& out) {
    WordTexts texts(src);
    std::string line;
    int direction = -1;  // none yet; otherwise word::kSd or 0
    for (int32_t i = 0; i < src.len; ++i) {
        const int w = src.words[i];
        if (const WordTexts::Entry* e = texts.Data(w)) {
            const int dir = w & word::kSd;
            if (dir != direction) {
                if (!line.empty()) {
                    PrintChunks(out, line, limit);
                }
                line = dir != 0 ? "SD:" : "RD:";
                direction = dir;
            }
            line += e->Text();
        } else if (isTwoWordRecord(word::Kind(w))) {
            line += word::Kind(w) == word::kIdle ? "(IDLE:" : "(TMST:";
            line += texts.Digits(i);
            line += ')';
            ++i;
        }
    }
    PrintChunks(out, line, limit);
}

void PrintChunks(TextOut& file, std::string& text, int32_t limit) {
    if (limit <= 0) {
        file.Line(text);
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
            file.Line(std::string_view(text).substr(start, i - start));
            start = i;
            chars = 0;
        }
        ++chars;
    }
    if (start < text.size()) {
        file.Line(std::string_view(text).substr(start));
    }
    text.clear();
}

int16_t TextSaveFixed(int16_t cells, const std::string& name, const TextSource& src) {
    if (cells < 1) {
        return status::kFailed;
    }
    return saveThrough(name, [&](TextOut& out) { WriteTextFixed(src, cells, out); });
}

int16_t TextSaveSwitch(const std::string& name, int16_t limit, const TextSource& src) {
    if (limit < 0) {
        return status::kFailed;
    }
    return saveThrough(name, [&](TextOut& out) { WriteTextSwitch(src, limit, out); });
}
