#include "capture/Capture.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "base/Status.h"
#include "capture/DispWords.h"
#include "capture/RecordWalk.h"

void Capture::AllocBuffer(int32_t bufSize) {
    // The settings file may hold anything: keep the capacities positive and well inside
    // 32 bits (the largest size the options allow is far below this limit).
    glngBufSize_ = std::clamp<int32_t>(bufSize, 1, 2'000'000);
    glngBufKeep_ = glngBufSize_ * 1000;
    if (glngBufSize_ < 100) {
        glngBufSpare_ = glngBufSize_ * 1000;
    } else if (glngBufSize_ < 1000) {
        glngBufSpare_ = glngBufSize_ * 200;
    } else {
        glngBufSpare_ = glngBufSize_ * 10;
    }
    gbyteDat_.assign(static_cast<size_t>(glngBufKeep_) + glngBufSpare_ + 1, 0);
    glngDatLen_ = 0;
    gbyteAutoDat_.assign(static_cast<size_t>(glngBufKeep_) + 1, 0);
    glngAutoLen_ = 0;
    fileWords_ = WordFile();
    gintDispDat_.assign(1, 0);
    dispWords_ = gintDispDat_;
    glngDispLen_ = 0;
    glngDispTop = 0;
    glngCursol.assign(1, -1);
    droppedWords_ = 0;
    droppedBytes_ = 0;
    ++wordsChanges_;
}

void Capture::shift() {
    // The conversion of the buffer from its old first byte and the one from the first byte
    // that is kept fall into step within a few records; the words each finds before that
    // point make the difference. Only the dropped bytes and those few records are read.
    const int32_t end = glngDatLen_;
    int32_t whole = 0;
    int32_t kept = glngBufSpare_;
    int64_t wholeWords = 0;
    int64_t keptWords = 0;
    while (whole != kept) {
        const bool behindIsWhole = whole < kept;
        int32_t& i = behindIsWhole ? whole : kept;
        const rec::Shape shape = rec::shapeOf(gbyteDat_[static_cast<size_t>(i)]);
        if (i + shape.bytes > end) {
            break;  // the record in progress: the two never met
        }
        i += shape.bytes;
        (behindIsWhole ? wholeWords : keptWords) += shape.words;
    }
    droppedWords_ += wholeWords - keptWords;
    droppedBytes_ += glngBufSpare_;
    std::memmove(gbyteDat_.data(), gbyteDat_.data() + glngBufSpare_,
                 static_cast<size_t>(glngBufKeep_));
    glngDatLen_ = glngBufKeep_;
    // A pending trigger stop names a place in the data: it moves down with the data, however
    // many shifts lie before it. A place already dropped stays just below the buffer.
    if (run_.gintStopReq == status::kPending) {
        run_.glngStopPos = std::max(run_.glngStopPos - glngBufSpare_, int32_t{-1});
    }
    if (run_.gintSaveStopReq == status::kPending) {
        run_.glngSaveStopPos = std::max(run_.glngSaveStopPos - glngBufSpare_, int32_t{-1});
    }
}

void Capture::autoSaveFull() {
    if (autoSink_ != nullptr) {
        autoSink_->AutoSaveBlock();
    }
    glngAutoLen_ = 0;  // the writer has taken the full block
}

void Capture::copyHistoryToAutoSave(int32_t count) {
    count = std::clamp(count, 0, std::min(glngDatLen_, glngBufKeep_));
    if (count > 0) {
        std::memcpy(gbyteAutoDat_.data(), gbyteDat_.data() + (glngDatLen_ - count),
                    static_cast<size_t>(count));
    }
    glngAutoLen_ = count;
}

void Capture::CopyDat(const uint8_t* bytes, int32_t len) {
    len = std::max<int32_t>(len, 0);
    ++wordsChanges_;
    fileWords_ = WordFile();
    gintDispDat_.resize(static_cast<size_t>(len) / 2 + 2);
    dispWords_ = gintDispDat_;
    // A record cut off by the end of the data is dropped: its missing bytes were never
    // captured, and completing it with zeros would invent a byte or a time.
    makeDispWords(bytes, len, gintDispDat_.data(), glngDispLen_);
}

void Capture::adoptWords(WordFile words) {
    ++wordsChanges_;
    fileWords_ = std::move(words);
    dispWords_ = fileWords_.words();
    glngDispLen_ = static_cast<int32_t>(
        std::min<size_t>(dispWords_.size(), std::numeric_limits<int32_t>::max()));
    std::vector<int16_t>(1, 0).swap(gintDispDat_);  // the memory words are given back
}

int32_t makeDispWords(const uint8_t* bytes, int32_t len, int16_t* out, int32_t& words) {
    struct Words {
        int16_t* next;
        void run(const uint8_t* p, size_t n) {
            for (const uint8_t* end = p + 2 * n; p != end; p += 2) {
                const int error = rec::hasFramingError(p[1])
                                      ? word::kFraming
                                      : (rec::hasParityError(p[0]) ? word::kParity : 0);
                const int dir = rec::isSd(p[0]) ? word::kSd : 0;
                *next++ = static_cast<int16_t>(error + dir + rec::pairValue(p[0], p[1]));
            }
        }
        void record(const rec::Record& r) {
            if (r.kind == rec::Kind::Stamp || r.kind == rec::Kind::Idle) {
                const int kind = r.kind == rec::Kind::Stamp ? word::kStamp : word::kIdle;
                *next++ = static_cast<int16_t>(kind + r.b[1]);
                *next++ = static_cast<int16_t>(r.b[2] * 100 + r.b[3]);
            }
        }
    } w{out};
    const size_t taken = rec::walkRecords(bytes, static_cast<size_t>(std::max<int32_t>(len, 0)), w);
    words = static_cast<int32_t>(w.next - out);
    return static_cast<int32_t>(taken);
}

int32_t Capture::countWords() const {
    int32_t n = 0;
    for (int32_t i = 0; i < glngDatLen_;) {
        const rec::Shape shape = rec::shapeOf(gbyteDat_[static_cast<size_t>(i)]);
        if (i + shape.bytes > glngDatLen_) {
            break;
        }
        n += shape.words;
        i += shape.bytes;
    }
    return n;
}

void Capture::ClearDat() {
    std::fill(gbyteDat_.begin(), gbyteDat_.end(), uint8_t{0});
    glngDatLen_ = 0;
    fileWords_ = WordFile();
    dispWords_ = gintDispDat_;
    glngDispLen_ = 0;
    glngCursol.assign(1, -1);
    std::fill(gbyteAutoDat_.begin(), gbyteAutoDat_.end(), uint8_t{0});
    glngAutoLen_ = 0;
    gintPending_ = 0;
    droppedWords_ = 0;
    droppedBytes_ = 0;
    ++wordsChanges_;
}
