#include "files/TextExport.h"

#include <array>

#include "capture/Records.h"
#include "core/Status.h"
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
        for (int i = 0; i < kDataWords; ++i) {
            Entry& e = table_[i];
            WordText(i, 0, src.dispMode, asciiSaveMode_, *src.chr, e.text);
            e.filler.assign(twoBlanks ? 2 : static_cast<size_t>(charCount(e.text)), ' ');
        }
    }

    struct Entry {
        std::string text;
        std::string filler;  // the blanks under this text in the other row (fixed layout)
    };

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
    std::string rd = "RD:";
    std::string sd = "SD:";
    int32_t count = 0;
    for (int32_t i = 0; i < src.len; ++i) {
        const int w = src.words[i];
        if (const WordTexts::Entry* e = texts.Data(w)) {
            const bool isSd = (w & word::kSd) != 0;
            (isSd ? sd : rd) += e->text;
            (isSd ? rd : sd) += e->filler;
            ++count;
        } else if (isTwoWordRecord(word::Kind(w))) {
            rd += word::Kind(w) == word::kIdle ? "(IDLE)" : "(TMST)";
            sd += texts.Digits(i);
            ++i;
            count += 2;
        }
        if (count >= cells) {
            out.Line(rd);
            out.Line(sd);
            out.Line({});
            rd.resize(3);
            sd.resize(3);
            count = 0;
        }
    }
    if (count > 0) {
        out.Line(rd);
        out.Line(sd);
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
            line += e->text;
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
