#include "analysis/FramePreview.h"

#include <algorithm>

namespace {

FrameOptions optionsOf(proto::Protocol p) {
    FrameOptions o;
    o.protocol = std::move(p);
    return o;
}

}  // namespace

FramePreview::FramePreview(std::span<const uint8_t> records, const LineTiming& line,
                           proto::Protocol p)
    : records_(records),
      analyser_(line, optionsOf(std::move(p)), [this](const Frame& f, std::span<const uint8_t> b) {
          ++counts_.frames;
          counts_.ok += f.check == proto::CheckState::Ok ? 1 : 0;
          counts_.bad += f.check == proto::CheckState::Bad ? 1 : 0;
          counts_.noise += f.noise() ? 1 : 0;
          counts_.problems += f.problem != proto::Problem::None && !f.noise() ? 1 : 0;
          if (rows_.size() < kMaxRows) {
              const size_t n = std::min(b.size(), kHeadBytes);
              rows_.push_back(
                  {f, std::vector<uint8_t>(b.begin(), b.begin() + static_cast<ptrdiff_t>(n))});
          }
      }) {}

bool FramePreview::step(size_t budget) {
    if (done_) {
        return true;
    }
    const size_t n = std::min(records_.size() - at_, std::max<size_t>(budget, 4));
    const size_t taken = analyser_.add(records_.data() + at_, n);
    at_ += taken;
    // What is left and not taken is a record cut off by the end of the records.
    if (at_ == records_.size() || (taken == 0 && at_ + n == records_.size())) {
        analyser_.finish();
        done_ = true;
    }
    return done_;
}
