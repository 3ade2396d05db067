#include "analysis/FrameAnalysis.h"

#include <algorithm>
#include <array>
#include <deque>

#include "capture/RecordWalk.h"

namespace {

// Consecutive data records of a run kept whole for the Modbus split: the run's bytes from
// first on, up to the next piece, start at start, at the record offset and display word given.
struct RunPiece {
    size_t first;
    RecordClock::Reading start;
    int64_t offset;
    int64_t word;
    bool unknownBefore;  // idle of unknown length lies between this piece and the one before
};

}  // namespace

// Walks the records once, the data records a run of one direction at a time (the hot path: a
// tight loop without division). Without Modbus the run's bytes go straight into the open
// frame; with Modbus a run is kept until it ends and then split.
class FrameAnalyser::Walk {
  public:
    // Times count from the first record: without a day the first time stamp falls on the
    // clock, exactly as when the clock is set to reach it.
    Walk(const LineTiming& line, const FrameOptions& options, Sink sink)
        : clock_(line, 0, std::nullopt), options_(options), sink_(std::move(sink)) {
        if (options_.protocol) {
            for (int d = 0; d < 2; ++d) {
                sides_[d].emplace(*options_.protocol, [this, d](const proto::Framer::Item& item) {
                    emitItem(d == 1, item);
                });
            }
        }
    }

    size_t add(const uint8_t* bytes, size_t len) {
        piece_ = bytes;
        const size_t taken = rec::walkRecords(bytes, len, *this);
        offset_ += static_cast<int64_t>(taken);
        return taken;
    }

    // A run of data records: each part of one direction in turn.
    void run(const uint8_t* pairs, size_t n) {
        const uint8_t* const end = pairs + 2 * n;
        while (pairs != end) {
            const auto head = static_cast<uint8_t>(pairs[0] & 0xE0);  // direction and kind
            const uint8_t* next = pairs + 2;
            while (next != end && (next[0] & 0xE0) == head) {
                next += 2;
            }
            direction(pairs, static_cast<size_t>(next - pairs) / 2, rec::isSd(head));
            pairs = next;
        }
    }

    // n data records of one direction.
    void direction(const uint8_t* pairs, size_t n, bool sd) {
        const auto count = static_cast<int64_t>(n);
        const int64_t offset = offset_ + (pairs - piece_);
        if (options_.protocol) {
            byProtocol(pairs, n, sd, offset);
            return;
        }
        if (!open_ || sd != sd_) {
            close();
            sd_ = sd;
            open_ = true;
            if (!options_.modbus) {
                begin(clock_.read(), offset, word_, unknownIdle_);
            }
        }
        const size_t first = bytes_.size();
        bytes_.resize(first + n);
        uint8_t* value = bytes_.data() + first;
        // With Modbus the run keeps a flag per byte for the errors of each frame split off.
        uint8_t* flag = nullptr;
        if (options_.modbus) {
            pieces_.push_back({first, clock_.read(), offset, word_, unknownIdle_});
            errorFlags_.resize(first + n);
            flag = errorFlags_.data() + first;
        }
        int32_t errors = 0;
        for (const uint8_t* end = pairs + 2 * n; pairs != end; pairs += 2) {
            *value++ = rec::pairValue(pairs[0], pairs[1]);
            const bool e = rec::hasParityError(pairs[0]) || rec::hasFramingError(pairs[1]);
            errors += e ? 1 : 0;
            if (flag != nullptr) {
                *flag++ = e ? 1 : 0;
            }
        }
        errors_ += errors;
        word_ += count;
        lastWord_ = word_ - 1;
        clock_.characters(count);
        lastEnd_ = clock_.read();
        unknownIdle_ = false;
    }

    // Any record but a data record.
    void record(const rec::Record& r) {
        switch (r.kind) {
            case rec::Kind::Idle:
                if (options_.protocol) {
                    if (options_.protocol->timeoutMicros > 0 && clock_.idleStep() != 0 &&
                        clock_.idleMicros(r) >= options_.protocol->timeoutMicros) {
                        clock_.pass(r);
                        word_ += 2;
                        sides_[0]->gap();
                        sides_[1]->gap();
                        return;
                    }
                } else if (clock_.idleMicros(r) >= options_.gapMicros) {
                    close();
                }
                unknownIdle_ = unknownIdle_ || clock_.idleStep() == 0;
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
        if (options_.protocol) {
            sides_[0]->finish();
            sides_[1]->finish();
            return;
        }
        if (!open_) {
            return;
        }
        open_ = false;
        if (options_.modbus) {
            splitModbus();
        } else {
            frame_.bytes = static_cast<int32_t>(bytes_.size());
            frame_.errors = errors_;
            end(lastEnd_, lastWord_, bytes_);
        }
        bytes_.clear();
        errors_ = 0;
    }

    void quiet(int64_t micros) {
        if (!options_.protocol) {
            if (micros >= options_.gapMicros) {
                close();
            }
        } else if (options_.protocol->timeoutMicros > 0 &&
                   micros >= options_.protocol->timeoutMicros) {
            sides_[0]->gap();
            sides_[1]->gap();
        }
    }

    [[nodiscard]] int64_t idleStep() const { return clock_.idleStep(); }

  private:
    // A new frame whose first byte starts at start.
    void begin(const RecordClock::Reading& start, int64_t offset, int64_t word, bool unknown) {
        const bool first = !any_;
        const int64_t at = clock_.timeOf(start);
        frame_ = Frame{};
        frame_.sd = sd_;
        frame_.startMicros = at;
        frame_.offset = offset;
        frame_.firstWord = word;
        // A time stamp that sets the clock back could make a difference negative.
        if (!first && !unknown) {
            frame_.gapMicros = std::max<int64_t>(at - frameEnd_, 0);
        }
        realUnknown_ = realUnknown_ || unknown;
        if (real_ && !realUnknown_ && real_->sd != sd_) {
            replyAt_ = std::max<int64_t>(at - real_->end, 0);
        } else {
            replyAt_ = Frame::kUnknown;
        }
        any_ = true;
    }
    // The frame begun last ends with the byte of lastWord, which ends at lastEnd.
    void end(const RecordClock::Reading& lastEnd, int64_t lastWord,
             std::span<const uint8_t> bytes) {
        frame_.lastWord = lastWord;
        frameEnd_ = clock_.timeOf(lastEnd);
        if (!frame_.noise()) {
            frame_.replyMicros = replyAt_;
            real_ =
                Real{frameEnd_, sd_, frame_.modbus && frame_.modbus->kind == modbus::Kind::Request};
            realUnknown_ = false;
        }
        sink_(frame_, bytes);
    }

    void splitModbus() {
        const size_t length = bytes_.size();
        const uint8_t* values = bytes_.data();
        size_t piece = 0;
        // The piece that holds byte k of the run.
        const auto at = [&](size_t k) -> const RunPiece& {
            while (piece + 1 < pieces_.size() && pieces_[piece + 1].first <= k) {
                ++piece;
            }
            return pieces_[piece];
        };
        size_t pos = 0;
        while (pos < length) {
            const bool replyExpected = real_ && real_->sd != sd_ && real_->request;
            const modbus::Frame m = modbus::nextFrame(
                values + pos, static_cast<uint32_t>(std::min<size_t>(length - pos, UINT32_MAX)),
                replyExpected);
            const RunPiece& p = at(pos);
            const auto k = static_cast<int64_t>(pos - p.first);
            begin(clock_.after(p.start, k), p.offset + 2 * k, p.word + k,
                  p.unknownBefore && pos == p.first);
            frame_.modbus = m;
            frame_.problem =
                m.kind == modbus::Kind::Noise ? proto::Problem::Noise : proto::Problem::None;
            frame_.check = m.kind == modbus::Kind::Noise ? proto::CheckState::None
                           : m.crcOk                     ? proto::CheckState::Ok
                                                         : proto::CheckState::Bad;
            frame_.bytes = static_cast<int32_t>(m.length);
            frame_.errors = static_cast<int32_t>(
                std::count(errorFlags_.begin() + static_cast<ptrdiff_t>(pos),
                           errorFlags_.begin() + static_cast<ptrdiff_t>(pos + m.length), 1));
            const RunPiece& lastPiece = at(pos + m.length - 1);
            const auto last = static_cast<int64_t>(pos + m.length - 1 - lastPiece.first);
            end(clock_.after(lastPiece.start, last + 1), lastPiece.word + last,
                {values + pos, m.length});
            pos += m.length;
        }
        pieces_.clear();
        errorFlags_.clear();
    }

    // Bytes of one direction framed by the protocol; the place of the piece is kept until
    // every frame that begins in it has been handed on.
    void byProtocol(const uint8_t* pairs, size_t n, bool sd, int64_t offset) {
        Side& side = sides_[sd ? 1 : 0];
        side.anchors.push_back({side.pushed, clock_.read(), offset, word_});
        // The values go to the framer a batch at a time, each byte with an error told first.
        for (size_t done = 0; done < n;) {
            const size_t batch = std::min(n - done, values_.size());
            bool errors = false;  // without a branch a byte, so that the loop runs wide
            for (size_t k = 0; k < batch; ++k) {
                values_[k] = rec::pairValue(pairs[2 * k], pairs[2 * k + 1]);
                errors = errors | rec::hasParityError(pairs[2 * k]) |
                         rec::hasFramingError(pairs[2 * k + 1]);
            }
            for (size_t k = 0; errors && k < batch; ++k) {
                if (rec::hasParityError(pairs[2 * k]) || rec::hasFramingError(pairs[2 * k + 1])) {
                    side->error(side.pushed + done + k);
                }
            }
            side->push(values_.data(), batch);
            pairs += 2 * batch;
            done += batch;
        }
        side.pushed += n;
        const auto count = static_cast<int64_t>(n);
        word_ += count;
        clock_.characters(count);
    }

    // Byte index k of one direction: the piece it lies in.
    struct Anchor {
        uint64_t first;  // index of the piece's first byte among the direction's bytes
        RecordClock::Reading start;
        int64_t offset;
        int64_t word;
    };
    // The anchors before the piece of the next byte to be handed on are gone, so the piece of
    // a frame's first byte is the first anchor, and that of its last byte among those the
    // frame spans, which go after it.
    static const Anchor& anchorOf(const std::deque<Anchor>& anchors, uint64_t k) {
        size_t i = 0;
        while (i + 1 < anchors.size() && anchors[i + 1].first <= k) {
            ++i;
        }
        return anchors[i];
    }

    void emitItem(bool sd, const proto::Framer::Item& item) {
        Side& side = sides_[sd ? 1 : 0];
        const Anchor& a = anchorOf(side.anchors, item.first);
        const auto k = static_cast<int64_t>(item.first - a.first);
        const int64_t start = clock_.timeOf(clock_.after(a.start, k));
        const uint64_t lastIndex = item.first + item.length - 1;
        const Anchor& b = anchorOf(side.anchors, lastIndex);
        const auto l = static_cast<int64_t>(lastIndex - b.first);
        Frame f;
        f.sd = sd;
        f.startMicros = start;
        f.offset = a.offset + 2 * k;
        f.firstWord = a.word + k;
        f.lastWord = b.word + l;
        f.bytes = static_cast<int32_t>(item.length);
        f.errors = item.errors;
        f.check = item.check;
        f.problem = item.problem;
        const bool unknown = unknownIdle_;
        if (any_ && !unknown) {
            f.gapMicros = std::max<int64_t>(start - frameEnd_, 0);
        }
        const bool noise = item.problem == proto::Problem::Noise;
        if (!noise && real_ && !realUnknown_ && !unknown && real_->sd != sd) {
            f.replyMicros = std::max<int64_t>(start - real_->end, 0);
        }
        any_ = true;
        frameEnd_ = clock_.timeOf(clock_.after(b.start, l + 1));
        unknownIdle_ = false;
        if (!noise) {
            real_ = Real{frameEnd_, sd, false};
            realUnknown_ = false;
        } else {
            realUnknown_ = realUnknown_ || unknown;
        }
        sink_(f, {item.bytes, item.length});
        // The pieces before the one that holds the next byte are done with.
        while (side.anchors.size() > 1 && side.anchors[1].first <= lastIndex + 1) {
            side.anchors.pop_front();
        }
    }

    // One direction under a protocol: its framer and the pieces of its held bytes.
    struct Side {
        std::optional<proto::Framer> framer;
        std::deque<Anchor> anchors;
        uint64_t pushed = 0;
        template <typename... A>
        void emplace(A&&... args) {
            framer.emplace(std::forward<A>(args)...);
        }
        proto::Framer* operator->() { return &*framer; }
    };
    Side sides_[2];  // RD, SD

    // The last frame that is not noise: where it ended, its direction, whether it was a
    // Modbus request.
    struct Real {
        int64_t end;
        bool sd;
        bool request;
    };

    RecordClock clock_;
    FrameOptions options_;
    Sink sink_;
    const uint8_t* piece_ = nullptr;  // the piece being walked, which begins at offset_
    int64_t offset_ = 0;
    int64_t word_ = 0;
    bool open_ = false;
    bool sd_ = false;
    bool any_ = false;          // a frame has begun
    bool unknownIdle_ = false;  // idle of unknown length since the last data byte
    bool realUnknown_ = false;  // ... since the end of the last frame that is not noise
    std::optional<Real> real_;
    int64_t replyAt_ = Frame::kUnknown;  // the reply time of the frame begun last
    Frame frame_;                        // the frame being built
    int32_t errors_ = 0;
    int64_t lastWord_ = 0;
    RecordClock::Reading lastEnd_{};  // the end of the last data byte
    int64_t frameEnd_ = 0;            // the end of the last frame
    std::vector<uint8_t> bytes_;      // the open frame's bytes (Modbus: the run's)
    std::vector<RunPiece> pieces_;
    std::vector<uint8_t> errorFlags_;     // 1 for each byte of the run with an error
    std::array<uint8_t, 4096> values_{};  // a batch of values for a protocol's framer
};

FrameAnalyser::FrameAnalyser(const LineTiming& line, const FrameOptions& options, Sink sink)
    : walk_(std::make_unique<Walk>(line, options, std::move(sink))) {}

FrameAnalyser::~FrameAnalyser() = default;

size_t FrameAnalyser::add(const uint8_t* bytes, size_t len) {
    return walk_->add(bytes, len);
}

void FrameAnalyser::quiet(int64_t micros) {
    walk_->quiet(micros);
}

void FrameAnalyser::finish() {
    walk_->close();
}

int64_t FrameAnalyser::idleStep() const {
    return walk_->idleStep();
}

FrameOptions frameOptionsNamed(const std::string& name, const proto::ProtocolFile& protocols,
                               int64_t gapMicros) {
    FrameOptions options;
    options.gapMicros = gapMicros;
    options.modbus = name == "modbus-rtu";
    if (auto builtin = proto::builtinProtocol(name)) {
        options.protocol = std::move(*builtin);
    } else if (const proto::Protocol* defined = proto::findProtocol(protocols, name)) {
        options.protocol = *defined;
    }
    return options;
}

void analyseFrames(const uint8_t* bytes, size_t len, const LineTiming& line,
                   const FrameOptions& options, FrameList& out) {
    out.frames.clear();
    out.modbus = options.modbus;
    out.checked = options.checked();
    out.protocol = options.protocolName();
    FrameAnalyser analyser(line, options, [&out](const Frame& f, std::span<const uint8_t>) {
        out.frames.push_back(f);
    });
    out.idleStepMicros = analyser.idleStep();
    analyser.add(bytes, len);
    analyser.finish();
}

size_t appendDataBytes(const uint8_t* records, size_t len, size_t want, std::vector<uint8_t>& out) {
    struct Values {
        std::vector<uint8_t>& out;
        size_t want;
        void run(const uint8_t* p, size_t n) {
            for (size_t k = 0; k < n && out.size() < want; ++k, p += 2) {
                out.push_back(rec::pairValue(p[0], p[1]));
            }
        }
        void record(const rec::Record&) {}
    };
    return rec::walkRecords(records, len, Values{out, want});
}
