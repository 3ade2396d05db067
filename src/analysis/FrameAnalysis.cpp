#include "analysis/FrameAnalysis.h"

#include <algorithm>

#include "capture/RecordWalk.h"
#include "files/RecordClock.h"

namespace {

// Consecutive data records of a run kept whole for the Modbus split: the run's bytes from
// first on, up to the next piece, start at start and have the display words from word on.
struct RunPiece {
    size_t first;
    RecordClock::Reading start;
    int32_t word;
};

// Walks the records once, a run of data records of one direction at a time (the hot path: a
// tight loop without division). Without Modbus the run's bytes go straight into the open
// frame; with Modbus a run is kept until it ends and then split.
class Analyser {
  public:
    Analyser(const PcapLine& line, const FrameOptions& options, FrameList& out)
        : clock_(line, 0, std::nullopt), options_(options), out_(out) {
        // Times count from the first record: without a day the first time stamp falls on the
        // clock, exactly as when the clock is set to reach it.
        out_.modbus = options.modbus;
        out_.idleStepMicros = clock_.idleStep();
        out_.data.clear();
        out_.frames.clear();
    }

    // The data records from bytes[i] on that are of the direction of the first; returns the
    // index after them.
    int32_t run(const uint8_t* bytes, int32_t len, int32_t i) {
        const bool sd = rec::isSd(bytes[i]);
        int32_t end = i;
        while (end + 1 < len && rec::isFirst(bytes[end]) && rec::isSd(bytes[end]) == sd) {
            end += 2;
        }
        const int32_t count = (end - i) / 2;
        if (!open_ || sd != sd_) {
            close();
            sd_ = sd;
            open_ = true;
            if (!out_.modbus) {
                begin(clock_.read(), word_);
            }
        }
        const size_t first = out_.data.size();
        out_.data.resize(first + static_cast<size_t>(count));
        uint8_t* value = out_.data.data() + first;
        // With Modbus the run keeps a flag per byte for the errors of each frame split off.
        uint8_t* flag = nullptr;
        if (out_.modbus) {
            pieces_.push_back({runErrors_.size(), clock_.read(), word_});
            runErrors_.resize(runErrors_.size() + static_cast<size_t>(count));
            flag = runErrors_.data() + (runErrors_.size() - static_cast<size_t>(count));
        }
        int32_t errors = 0;
        for (int32_t k = i; k < end; k += 2) {
            *value++ = rec::pairValue(bytes[k], bytes[k + 1]);
            const bool e = rec::hasParityError(bytes[k]) || rec::hasFramingError(bytes[k + 1]);
            errors += e ? 1 : 0;
            if (flag != nullptr) {
                *flag++ = e ? 1 : 0;
            }
        }
        bytes_ += count;
        errors_ += errors;
        word_ += count;
        lastWord_ = word_ - 1;
        clock_.characters(count);
        lastEnd_ = clock_.read();
        return end;
    }

    // Any record but a data record.
    void other(const rec::Record& r) {
        switch (r.kind) {
            case rec::Kind::Idle:
                if (clock_.idleMicros(r) >= options_.gapMicros) {
                    close();
                }
                word_ += 2;
                break;
            case rec::Kind::Stamp:
                word_ += 2;
                break;
            case rec::Kind::Data:
            case rec::Kind::LineState:
                break;
        }
        clock_.pass(r);
    }

    // Ends the open run, if any.
    void close() {
        if (!open_) {
            return;
        }
        open_ = false;
        if (out_.modbus) {
            splitModbus();
        } else {
            end();
        }
    }

  private:
    // A new frame whose first byte starts at start.
    void begin(const RecordClock::Reading& start, int32_t word) {
        Frame& f = out_.frames.emplace_back();
        f.sd = sd_;
        f.startMicros = clock_.timeOf(start);
        f.firstWord = word;
        if (out_.frames.size() > 1) {
            // A time stamp that sets the clock back could make the difference negative.
            f.gapMicros = std::max<int64_t>(f.startMicros - clock_.timeOf(frameEnd_), 0);
            f.afterOther = out_.frames[out_.frames.size() - 2].sd != sd_;
        }
        bytes_ = 0;
        errors_ = 0;
    }
    // The frame begun last ends with the byte of lastWord_, which ends at lastEnd_.
    void end() {
        Frame& f = out_.frames.back();
        f.bytes = bytes_;
        f.errors = errors_;
        f.lastWord = lastWord_;
        f.firstByte = frameFirstByte_;
        frameFirstByte_ += bytes_;
        frameEnd_ = lastEnd_;
    }

    void splitModbus() {
        const size_t length = runErrors_.size();
        const uint8_t* values = out_.data.data() + (out_.data.size() - length);
        size_t piece = 0;
        // The start and display word of byte k of the run.
        const auto at = [&](size_t k) {
            while (piece + 1 < pieces_.size() && pieces_[piece + 1].first <= k) {
                ++piece;
            }
            const RunPiece& p = pieces_[piece];
            const auto n = static_cast<int32_t>(k - p.first);
            return std::pair{clock_.after(p.start, n), p.word + n};
        };
        size_t pos = 0;
        while (pos < length) {
            const Frame* last = out_.frames.empty() ? nullptr : &out_.frames.back();
            const bool replyExpected = last != nullptr && last->sd != sd_ && last->modbus &&
                                       last->modbus->kind == modbus::Kind::Request;
            const modbus::Frame m =
                modbus::nextFrame(values + pos, static_cast<uint32_t>(length - pos), replyExpected);
            const auto [start, word] = at(pos);
            begin(start, word);
            bytes_ = static_cast<int32_t>(m.length);
            errors_ = static_cast<int32_t>(
                std::count(runErrors_.begin() + static_cast<ptrdiff_t>(pos),
                           runErrors_.begin() + static_cast<ptrdiff_t>(pos + m.length), 1));
            pos += m.length;
            const auto [lastStart, lastWord] = at(pos - 1);
            lastWord_ = lastWord;
            lastEnd_ = clock_.after(lastStart, 1);
            end();
            out_.frames.back().modbus = m;
        }
        pieces_.clear();
        runErrors_.clear();
    }

    RecordClock clock_;
    const FrameOptions& options_;
    FrameList& out_;
    int32_t word_ = 0;
    bool open_ = false;
    bool sd_ = false;
    // The frame being built: its byte and error counts, the word of its last byte.
    int32_t bytes_ = 0;
    int32_t errors_ = 0;
    int32_t lastWord_ = 0;
    int32_t frameFirstByte_ = 0;
    RecordClock::Reading lastEnd_{};   // the end of the last data byte
    RecordClock::Reading frameEnd_{};  // the end of the last frame
    std::vector<RunPiece> pieces_;
    std::vector<uint8_t> runErrors_;  // 1 for each byte of the run with an error
};

}  // namespace

void analyseFrames(const uint8_t* bytes, int32_t len, const PcapLine& line,
                   const FrameOptions& options, FrameList& out) {
    Analyser analyser(line, options, out);
    // The records as rec::forEachRecord reads them, with each run of data records at once.
    int32_t i = 0;
    while (i < len) {
        const uint8_t b = bytes[i];
        const rec::Shape shape = rec::shapeOf(b);
        if (i + shape.bytes > len) {
            break;
        }
        if (rec::isFirst(b)) {
            i = analyser.run(bytes, len, i);
            continue;
        }
        if (b == rec::kStamp || b == rec::kIdle) {
            analyser.other(rec::Record{b == rec::kStamp ? rec::Kind::Stamp : rec::Kind::Idle,
                                       {b, bytes[i + 1], bytes[i + 2], bytes[i + 3]}});
        }
        i += shape.bytes;
    }
    analyser.close();
}
