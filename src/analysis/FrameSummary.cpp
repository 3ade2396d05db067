#include "analysis/FrameSummary.h"

#include <algorithm>
#include <cstdlib>

void ReplyTally::merge() {
    std::sort(fresh_.begin(), fresh_.end());
    std::vector<std::pair<int64_t, int64_t>> merged;
    merged.reserve(counts_.size() + fresh_.size());
    auto old = counts_.begin();
    const auto put = [&merged](int64_t v, int64_t n) {
        if (!merged.empty() && merged.back().first == v) {
            merged.back().second += n;
        } else {
            merged.emplace_back(v, n);
        }
    };
    for (const int64_t v : fresh_) {
        for (; old != counts_.end() && old->first < v; ++old) {
            put(old->first, old->second);
        }
        put(v, 1);
    }
    for (; old != counts_.end(); ++old) {
        put(old->first, old->second);
    }
    merged.shrink_to_fit();
    counts_.swap(merged);
    fresh_.clear();
}

ReplyStats ReplyTally::stats() {
    merge();
    ReplyStats s;
    for (const auto& [v, n] : counts_) {
        s.count += n;
    }
    if (s.count == 0) {
        return s;
    }
    // The value of rank k (from 0) in sorted order.
    const auto rank = [this](int64_t k) {
        for (const auto& [v, n] : counts_) {
            if (k < n) {
                return v;
            }
            k -= n;
        }
        return counts_.back().first;
    };
    const int64_t n = s.count;
    s.min = counts_.front().first;
    s.max = counts_.back().first;
    s.median = n % 2 == 1 ? rank(n / 2) : (rank(n / 2 - 1) + rank(n / 2)) / 2;
    s.p95 = rank((n * 95 + 99) / 100 - 1);
    return s;
}

void FrameTally::add(const Frame& f) {
    if (f.noise()) {
        ++*s_.noise;
        return;
    }
    DirectionSummary& d = f.sd ? s_.sd : s_.rd;
    ++d.frames;
    d.bytes += f.bytes;
    if (const auto reply = f.reply()) {
        replies_[f.sd ? 1 : 0].add(*reply);
    }
    if (f.check == proto::CheckState::Bad) {
        ++*s_.crcBad;
        ++d.badChecks;
    }
}

FrameSummary FrameTally::summary() {
    FrameSummary s = s_;
    s.rd.reply = replies_[0].stats();
    s.sd.reply = replies_[1].stats();
    if (!checked_) {
        s.crcBad.reset();
        s.noise.reset();
    }
    return s;
}

FrameSummary summarise(const FrameList& list) {
    FrameTally tally(list.checked);
    for (const Frame& f : list.frames) {
        tally.add(f);
    }
    return tally.summary();
}

ReplyHistogram histogramOf(const FrameList& list, int maxBins, std::optional<bool> sd) {
    maxBins = std::max(maxBins, 1);
    const auto shown = [&sd](const Frame& f) { return f.reply() && (!sd || f.sd == *sd); };
    int64_t largest = 0;
    for (const Frame& f : list.frames) {
        if (shown(f)) {
            largest = std::max(largest, f.replyMicros);
        }
    }
    ReplyHistogram h;
    const int64_t step = list.idleStepMicros > 0 ? list.idleStepMicros : 1000;
    h.binMicros = step;
    for (int64_t scale = 1; largest / h.binMicros >= maxBins; scale *= 10) {
        for (const int64_t m : {1, 2, 5}) {
            h.binMicros = step * m * scale;
            if (largest / h.binMicros < maxBins) {
                break;
            }
        }
    }
    const auto bins = static_cast<size_t>(largest / h.binMicros + 1);
    h.sd.assign(bins, 0);
    h.rd.assign(bins, 0);
    for (const Frame& f : list.frames) {
        if (shown(f)) {
            ++(f.sd ? h.sd : h.rd)[static_cast<size_t>(f.replyMicros / h.binMicros)];
        }
    }
    return h;
}

namespace {

// Appends the decimal digits of v (v >= 0), at least width of them.
void appendDigits(std::string& out, uint64_t v, int width) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 || n < width);
    while (n > 0) {
        out.push_back(digits[--n]);
    }
}

// The sign of micros and its magnitude.
uint64_t magnitude(std::string& out, int64_t micros) {
    if (micros < 0) {
        out.push_back('-');
        return 0 - static_cast<uint64_t>(micros);
    }
    return static_cast<uint64_t>(micros);
}

}  // namespace

void appendMs(std::string& out, int64_t micros) {
    const uint64_t m = magnitude(out, micros);
    appendDigits(out, m / 1000, 1);
    uint64_t frac = m % 1000;
    if (frac == 0) {
        return;
    }
    int width = 3;
    for (; frac % 10 == 0; frac /= 10) {
        --width;
    }
    out.push_back('.');
    appendDigits(out, frac, width);
}

void appendSeconds(std::string& out, int64_t micros) {
    const uint64_t m = magnitude(out, micros);
    appendDigits(out, m / 1'000'000, 1);
    out.push_back('.');
    appendDigits(out, m % 1'000'000, 6);
}

void appendHex(std::string& out, std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const size_t at = out.size();
    out.resize(at + (bytes.empty() ? 0 : bytes.size() * 3 - 1), ' ');
    char* p = out.data() + at;
    for (const uint8_t b : bytes) {
        p[0] = kDigits[b >> 4];
        p[1] = kDigits[b & 0x0F];
        p += 3;
    }
}

std::string msText(int64_t micros) {
    std::string s;
    appendMs(s, micros);
    return s;
}

std::string replyMsText(int64_t micros, int64_t stepMicros) {
    return stepMicros > 0 && micros < stepMicros ? "<" + msText(stepMicros) : msText(micros);
}

std::string secondsText(int64_t micros) {
    std::string s;
    appendSeconds(s, micros);
    return s;
}

std::string hexText(std::span<const uint8_t> bytes) {
    std::string s;
    appendHex(s, bytes);
    return s;
}
