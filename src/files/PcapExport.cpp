#include "files/PcapExport.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>

#include "capture/RecordWalk.h"
#include "files/ProgramFolder.h"
#include "files/RecordClock.h"

namespace {

constexpr int64_t kMicros = RecordClock::kMicros;
constexpr size_t kMaxPayload = kPcapSnapLength - kPcapEventHeader;

enum Event : uint8_t { kStatus = 0x00, kSd = 0x01, kRd = 0x02, kFraming = 0x07, kParity = 0x08 };

// Control-line byte of the packet header from a stored line state (bit 0 RS .. bit 5 CI).
uint8_t ControlLines(uint8_t state) {
    static constexpr uint8_t kBit[6] = {0x08, 0x01, 0x10, 0x04, 0x02, 0x20};  // RS CS ER DR CD CI
    uint8_t out = 0;
    for (int k = 0; k < 6; ++k) {
        if (((state >> k) & 1U) != 0) {
            out |= kBit[k];
        }
    }
    return out;
}

void PutLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFU));
    }
}
void PutBe32(std::string& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFU));
    }
}

class PcapWriter {
  public:
    explicit PcapWriter(std::string& out) : out_(out) {
        PutLe32(out_, 0xA1B2C3D4U);
        out_.append({'\x02', '\x00', '\x04', '\x00'});  // version 2.4
        PutLe32(out_, 0);                               // time zone
        PutLe32(out_, 0);                               // accuracy
        PutLe32(out_, kPcapSnapLength);
        PutLe32(out_, kPcapLinkType);
    }

    void Packet(int64_t micros, uint8_t event, uint8_t lines, const uint8_t* payload, size_t n) {
        micros = std::clamp<int64_t>(micros, 0, int64_t{UINT32_MAX} * kMicros);
        const auto sec = static_cast<uint32_t>(micros / kMicros);
        const auto usec = static_cast<uint32_t>(micros % kMicros);
        const auto length = static_cast<uint32_t>(kPcapEventHeader + n);
        PutLe32(out_, sec);
        PutLe32(out_, usec);
        PutLe32(out_, length);
        PutLe32(out_, length);
        PutBe32(out_, sec);
        PutBe32(out_, usec);
        out_.push_back(static_cast<char>(event));
        out_.push_back(static_cast<char>(lines));
        out_.append(2, '\0');
        if (n > 0) {
            out_.append(reinterpret_cast<const char*>(payload), n);
        }
    }

  private:
    std::string& out_;
};

}  // namespace

PcapLine PcapLineOf(const LogHeader& h) {
    return {h.glngSpeed, h.gintDataLen, h.gintStopBit, h.gintParity, ClampHeader(h).gintIdleMode};
}

std::string PcapFromCapture(const uint8_t* bytes, int32_t len, const PcapLine& line,
                            const PcapTimes& times) {
    len = std::max<int32_t>(len, 0);
    std::string out;
    out.reserve(24 + static_cast<size_t>(len) * 8);
    PcapWriter pcap(out);

    uint8_t lines = 0;
    uint8_t runEvent = kStatus;  // direction of the open run; kStatus: none open
    int64_t runStart = 0;
    uint8_t payload[kMaxPayload];
    size_t n = 0;
    auto flush = [&] {
        if (runEvent != kStatus) {
            pcap.Packet(runStart, runEvent, lines, payload, n);
        }
        runEvent = kStatus;
        n = 0;
    };

    const auto add = [&](const rec::Record& r, const RecordClock& clock) {
        switch (r.kind) {
            case rec::Kind::Data: {
                const uint8_t value = rec::PairValue(r.b[0], r.b[1]);
                const uint8_t direction = rec::IsSd(r.b[0]) ? kSd : kRd;
                if (rec::HasFramingError(r.b[1]) || rec::HasParityError(r.b[0])) {
                    flush();
                    const uint8_t event = rec::HasFramingError(r.b[1]) ? kFraming : kParity;
                    pcap.Packet(clock.Now(), event, lines, &value, 1);
                } else {
                    if (runEvent != direction || n == kMaxPayload) {
                        flush();
                        runEvent = direction;
                        runStart = clock.Now();
                    }
                    payload[n++] = value;
                }
                break;
            }
            case rec::Kind::LineState:
                flush();
                lines = ControlLines(r.b[0]);
                pcap.Packet(clock.Now(), kStatus, lines, nullptr, 0);
                break;
            case rec::Kind::Idle:
            case rec::Kind::Stamp:
                flush();  // the clock moves on after the call
                break;
        }
    };
    ForEachTimedRecord(bytes, len, line, times, add);
    flush();
    return out;
}

namespace {

std::tm LocalTm(const DateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

}  // namespace

int64_t LocalMidnight(const DateTime& t) {
    DateTime day{t.year, t.month, t.day};
    std::tm tm = LocalTm(day);
    return static_cast<int64_t>(std::mktime(&tm));
}

int64_t LocalEpochMicros(const DateTime& t) {
    std::tm tm = LocalTm(t);
    return static_cast<int64_t>(std::mktime(&tm)) * kMicros + t.millisecond * 1000LL;
}

std::optional<PcapTimes> FileTimes(const std::string& path, const std::optional<DateTime>& day) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(NativePath(path), ec);
    if (ec) {
        return std::nullopt;
    }
    const auto modified = std::chrono::file_clock::to_sys(written);
    const int64_t end =
        std::chrono::duration_cast<std::chrono::microseconds>(modified.time_since_epoch()).count();
    if (day) {
        return PcapTimes{LocalMidnight(*day), end};
    }
    const std::time_t t = std::chrono::system_clock::to_time_t(modified);
    const std::tm* local = std::localtime(&t);
    if (local == nullptr) {
        return std::nullopt;
    }
    return PcapTimes{
        LocalMidnight(DateTime{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday}), end};
}
