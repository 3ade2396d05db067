#include "analysis/FrameAnalysis.h"

#include <algorithm>

#include "capture/RecordWalk.h"
#include "files/RecordClock.h"

namespace {

// One byte of a run that is kept whole until it ends, for the Modbus split.
struct RunByte {
    int64_t start;
    int64_t end;
    int32_t word;
    uint8_t value;
    bool error;
};

class FrameBuilder {
  public:
    explicit FrameBuilder(FrameList& out) : out_(out) {}

    void Byte(bool sd, const RunByte& b) {
        if (open_ && sd != sd_) {
            Close();
        }
        sd_ = sd;
        if (out_.modbus) {
            run_.push_back(b);
            open_ = true;
            return;
        }
        if (!open_) {
            Begin(b);
            open_ = true;
        }
        Add(b);
    }

    // Ends the open run, if any.
    void Close() {
        if (!open_) {
            return;
        }
        open_ = false;
        if (!out_.modbus) {
            return;
        }
        values_.resize(run_.size());
        std::transform(run_.begin(), run_.end(), values_.begin(),
                       [](const RunByte& b) { return b.value; });
        size_t pos = 0;
        while (pos < run_.size()) {
            const bool replyExpected = !out_.frames.empty() && out_.frames.back().sd != sd_ &&
                                       out_.frames.back().modbus &&
                                       out_.frames.back().modbus->kind == modbus::Kind::Request;
            const modbus::Frame m =
                modbus::NextFrame(values_.data() + pos, run_.size() - pos, replyExpected);
            Begin(run_[pos]);
            for (size_t i = 0; i < m.length; ++i) {
                Add(run_[pos + i]);
            }
            out_.frames.back().modbus = m;
            pos += m.length;
        }
        run_.clear();
    }

  private:
    void Begin(const RunByte& b) {
        Frame f;
        f.sd = sd_;
        f.startMicros = b.start;
        f.firstByte = static_cast<int32_t>(out_.data.size());
        f.firstWord = b.word;
        if (!out_.frames.empty()) {
            f.gapMicros = std::max<int64_t>(b.start - lastEnd_, 0);
            f.afterOther = out_.frames.back().sd != sd_;
        }
        out_.frames.push_back(f);
    }
    void Add(const RunByte& b) {
        Frame& f = out_.frames.back();
        out_.data.push_back(b.value);
        ++f.bytes;
        f.errors += b.error ? 1 : 0;
        f.lastWord = b.word;
        lastEnd_ = b.end;
    }

    FrameList& out_;
    bool open_ = false;
    bool sd_ = false;
    int64_t lastEnd_ = 0;
    std::vector<RunByte> run_;
    std::vector<uint8_t> values_;
};

}  // namespace

FrameList AnalyseFrames(const uint8_t* bytes, int32_t len, const PcapLine& line,
                        const FrameOptions& options) {
    len = std::max<int32_t>(len, 0);
    FrameList out;
    out.modbus = options.modbus;
    out.data.reserve(static_cast<size_t>(len) / 2);
    // Times count from the first record: the day and the end time only shift every time
    // alike, so none is needed.
    const int64_t origin = StartMicros(bytes, len, line, PcapTimes{});
    RecordClock clock(line, origin, 0);
    out.idleStepMicros = clock.IdleStep();
    FrameBuilder builder(out);
    int32_t word = 0;
    rec::ForEachRecord(bytes, len, [&](const rec::Record& r) {
        switch (r.kind) {
            case rec::Kind::Data: {
                RunByte b{clock.Now() - origin, 0, word++, rec::PairValue(r.b[0], r.b[1]),
                          rec::HasParityError(r.b[0]) || rec::HasFramingError(r.b[1])};
                clock.Pass(r);
                b.end = clock.Now() - origin;
                builder.Byte(rec::IsSd(r.b[0]), b);
                return;
            }
            case rec::Kind::Idle:
                if (clock.IdleMicros(r) >= options.gapMicros) {
                    builder.Close();
                }
                word += 2;
                break;
            case rec::Kind::Stamp:
                word += 2;
                break;
            case rec::Kind::LineState:
                break;
        }
        clock.Pass(r);
    });
    builder.Close();
    return out;
}
