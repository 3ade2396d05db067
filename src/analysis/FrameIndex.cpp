#include "analysis/FrameIndex.h"

#include <algorithm>

FrameIndex::FrameIndex() = default;
FrameIndex::~FrameIndex() = default;

void FrameIndex::reset(const LineTiming& line, const FrameOptions& options) {
    list_.frames.clear();
    list_.modbus = options.modbus;
    list_.checked = options.checked();
    list_.protocol = options.protocolName();
    analyser_ = std::make_unique<FrameAnalyser>(
        line, options, [this](const Frame& f, std::span<const uint8_t>) { insert(f); });
    list_.idleStepMicros = analyser_->idleStep();
    fed_ = 0;
    droppedFrames_ = 0;
    changed_ = 0;
    longest_ = 0;
}

void FrameIndex::feed(std::span<const uint8_t> buffer, int64_t dropped) {
    if (!analyser_) {
        return;
    }
    // Records dropped before they were fed are lost to the index: it goes on from the front.
    const int64_t from = std::max<int64_t>(fed_ - dropped, 0);
    if (from < static_cast<int64_t>(buffer.size())) {
        fed_ = dropped + from;
        add(buffer.data() + from, buffer.size() - from);
    }
    size_t gone = 0;
    while (gone < list_.frames.size() && list_.frames[gone].offset < dropped) {
        ++gone;
    }
    if (gone > 0) {
        list_.frames.erase(list_.frames.begin(),
                           list_.frames.begin() + static_cast<ptrdiff_t>(gone));
        droppedFrames_ += static_cast<int64_t>(gone);
        changed_ = 0;
    }
}

size_t FrameIndex::add(const uint8_t* bytes, size_t len) {
    if (!analyser_) {
        return len;
    }
    const size_t taken = analyser_->add(bytes, len);
    fed_ += static_cast<int64_t>(taken);
    list_.idleStepMicros = analyser_->idleStep();
    return taken;
}

void FrameIndex::quiet(int64_t micros) {
    if (analyser_) {
        analyser_->quiet(micros);
    }
}

void FrameIndex::finish() {
    if (analyser_) {
        analyser_->finish();
    }
}

size_t FrameIndex::takeChanged() {
    const size_t at = std::min(changed_, list_.frames.size());
    changed_ = list_.frames.size();
    return at;
}

void FrameIndex::insert(const Frame& f) {
    // Mostly at the end; a frame of one direction that ended after a later one of the other
    // goes a few places back.
    auto it = list_.frames.end();
    while (it != list_.frames.begin() && std::prev(it)->offset > f.offset) {
        --it;
    }
    changed_ = std::min(changed_, static_cast<size_t>(it - list_.frames.begin()));
    list_.frames.insert(it, f);
    longest_ = std::max(longest_, f.lastWord - f.firstWord + 1);
}

size_t FrameIndex::firstEndingFrom(int64_t word) const {
    // Frames begin in order; one that ends at or after word begins at most longest_ - 1 words
    // before it.
    const auto& frames = list_.frames;
    auto it = std::lower_bound(frames.begin(), frames.end(), word - longest_ + 1,
                               [](const Frame& f, int64_t w) { return f.firstWord < w; });
    while (it != frames.end() && it->lastWord < word) {
        ++it;
    }
    return static_cast<size_t>(it - frames.begin());
}

std::optional<size_t> FrameIndex::frameAt(int64_t word, bool sd) const {
    const auto& frames = list_.frames;
    for (size_t i = firstEndingFrom(word); i < frames.size() && frames[i].firstWord <= word; ++i) {
        if (frames[i].sd == sd && frames[i].lastWord >= word) {
            return i;
        }
    }
    return std::nullopt;
}

void markFrames(const FrameIndex& index, int64_t top,
                const std::function<bool(int32_t k, bool sd)>& holds, std::span<uint8_t> rd,
                std::span<uint8_t> sd) {
    const auto& frames = index.frames();
    const int64_t end = top + static_cast<int64_t>(std::min(rd.size(), sd.size()));
    for (size_t i = index.firstEndingFrom(top); i < frames.size(); ++i) {
        const Frame& f = frames[i];
        if (f.firstWord >= end) {
            break;
        }
        std::span<uint8_t> row = f.sd ? sd : rd;
        if (f.firstWord >= top) {
            row[static_cast<size_t>(f.firstWord - top)] |= FrameMark::kStart;
        }
        if (f.check != proto::CheckState::Bad) {
            continue;
        }
        const int64_t last = std::min(f.lastWord, end - 1);
        for (int64_t w = std::max(f.firstWord, top); w <= last; ++w) {
            const auto k = static_cast<int32_t>(w - top);
            if (!holds(k, f.sd)) {
                continue;
            }
            uint8_t& m = row[static_cast<size_t>(k)];
            m |= FrameMark::kBad;
            m |= w == f.firstWord ? FrameMark::kBadFirst : 0;
            m |= w == f.lastWord ? FrameMark::kBadLast : 0;
        }
    }
}
