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

// Writes the decimal digits of v, at least width of them, at p; returns their end.
char* putDigits(char* p, uint64_t v, int width) {
    int n = 1;
    for (uint64_t rest = v / 10; rest != 0; rest /= 10) {
        ++n;
    }
    char* const end = p + std::max(n, width);
    for (char* d = end; d != p; v /= 10) {
        *--d = static_cast<char>('0' + v % 10);
    }
    return end;
}

// Writes the sign of micros at p, moving p on; returns its magnitude.
uint64_t magnitude(char*& p, int64_t micros) {
    if (micros < 0) {
        *p++ = '-';
        return 0 - static_cast<uint64_t>(micros);
    }
    return static_cast<uint64_t>(micros);
}

}  // namespace

char* putMs(char* p, int64_t micros) {
    const uint64_t m = magnitude(p, micros);
    p = putDigits(p, m / 1000, 1);
    uint64_t frac = m % 1000;
    if (frac == 0) {
        return p;
    }
    int width = 3;
    for (; frac % 10 == 0; frac /= 10) {
        --width;
    }
    *p++ = '.';
    return putDigits(p, frac, width);
}

char* putSeconds(char* p, int64_t micros) {
    const uint64_t m = magnitude(p, micros);
    p = putDigits(p, m / 1'000'000, 1);
    *p++ = '.';
    return putDigits(p, m % 1'000'000, 6);
}

char* putHex(char* p, std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const uint8_t b : bytes) {
        p[0] = kDigits[b >> 4];
        p[1] = kDigits[b & 0x0F];
        p[2] = ' ';
        p += 3;
    }
    return bytes.empty() ? p : p - 1;
}

void appendMs(std::string& out, int64_t micros) {
    char text[kMaxTimeText];
    out.append(text, putMs(text, micros));
}

void appendSeconds(std::string& out, int64_t micros) {
    char text[kMaxTimeText];
    out.append(text, putSeconds(text, micros));
}

void appendHex(std::string& out, std::span<const uint8_t> bytes) {
    const size_t at = out.size();
    out.resize(at + 3 * bytes.size());
    out.resize(static_cast<size_t>(putHex(out.data() + at, bytes) - out.data()));
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
