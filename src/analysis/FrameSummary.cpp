#include "analysis/FrameSummary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

ReplyStats statsOf(std::vector<int64_t>& v) {
    ReplyStats s;
    s.count = static_cast<int32_t>(v.size());
    if (v.empty()) {
        return s;
    }
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    s.min = v.front();
    s.max = v.back();
    s.median = n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.p95 = v[(n * 95 + 99) / 100 - 1];
    return s;
}

}  // namespace

FrameSummary summarise(const FrameList& list) {
    FrameSummary s;
    std::vector<int64_t> replies[2];
    int32_t crcBad = 0;
    for (const Frame& f : list.frames) {
        DirectionSummary& d = f.sd ? s.sd : s.rd;
        ++d.frames;
        d.bytes += f.bytes;
        if (const auto reply = f.replyMicros()) {
            replies[f.sd ? 1 : 0].push_back(*reply);
        }
        crcBad += f.modbus && !f.modbus->crcOk ? 1 : 0;
    }
    s.rd.reply = statsOf(replies[0]);
    s.sd.reply = statsOf(replies[1]);
    if (list.modbus) {
        s.crcBad = crcBad;
    }
    return s;
}

ReplyHistogram histogramOf(const FrameList& list, int maxBins, std::optional<bool> sd) {
    maxBins = std::max(maxBins, 1);
    const auto shown = [&sd](const Frame& f) { return f.replyMicros() && (!sd || f.sd == *sd); };
    int64_t largest = 0;
    for (const Frame& f : list.frames) {
        if (shown(f)) {
            largest = std::max(largest, *f.replyMicros());
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
            ++(f.sd ? h.sd : h.rd)[static_cast<size_t>(*f.replyMicros() / h.binMicros)];
        }
    }
    return h;
}

std::string msText(int64_t micros) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%03lld", micros < 0 ? "-" : "",
                  static_cast<long long>(std::abs(micros) / 1000),
                  static_cast<long long>(std::abs(micros) % 1000));
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') {
        s.pop_back();
    }
    return s;
}

std::string secondsText(int64_t micros) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%06lld", micros < 0 ? "-" : "",
                  static_cast<long long>(std::abs(micros) / 1'000'000),
                  static_cast<long long>(std::abs(micros) % 1'000'000));
    return text;
}

std::string hexText(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (const uint8_t b : bytes) {
        if (!s.empty()) {
            s.push_back(' ');
        }
        s.push_back(kDigits[b >> 4]);
        s.push_back(kDigits[b & 0x0F]);
    }
    return s;
}
