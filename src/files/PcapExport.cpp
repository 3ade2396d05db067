#include "files/PcapExport.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>

#include "capture/RecordClock.h"
#include "capture/RecordWalk.h"
#include "files/AtomicFile.h"
#include "files/ProgramFolder.h"

namespace {

constexpr int64_t kMicros = RecordClock::kMicros;

enum Event : uint8_t { kStatus = 0x00, kSd = 0x01, kRd = 0x02, kFraming = 0x07, kParity = 0x08 };

// Control-line byte of the packet header from a stored line state (bit 0 RS .. bit 5 CI).
uint8_t controlLines(uint8_t state) {
    static constexpr uint8_t kBit[6] = {0x08, 0x01, 0x10, 0x04, 0x02, 0x20};  // RS CS ER DR CD CI
    uint8_t out = 0;
    for (int k = 0; k < 6; ++k) {
        if (((state >> k) & 1U) != 0) {
            out |= kBit[k];
        }
    }
    return out;
}

char* putLe32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        *p++ = static_cast<char>((v >> (8 * i)) & 0xFFU);
    }
    return p;
}
char* putBe32(char* p, uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        *p++ = static_cast<char>((v >> (8 * i)) & 0xFFU);
    }
    return p;
}

}  // namespace

LineTiming lineTimingOf(const LogHeader& h) {
    return {h.glngSpeed, h.gintDataLen, h.gintStopBit, h.gintParity, clampHeader(h).gintIdleMode};
}

PcapPackets::PcapPackets(std::string& out) : out_(out) {
    char head[24];
    char* p = putLe32(head, 0xA1B2C3D4U);
    p = putLe32(p, 0x00040002U);  // version 2.4
    p = putLe32(p, 0);            // time zone
    p = putLe32(p, 0);            // accuracy
    p = putLe32(p, kPcapSnapLength);
    putLe32(p, kPcapLinkType);
    out_.append(head, sizeof head);
}

void PcapPackets::packet(int64_t micros, uint8_t event, const uint8_t* payload, size_t n) {
    micros = std::clamp<int64_t>(micros, 0, int64_t{UINT32_MAX} * kMicros);
    const auto sec = static_cast<uint32_t>(micros / kMicros);
    const auto usec = static_cast<uint32_t>(micros % kMicros);
    const auto length = static_cast<uint32_t>(kPcapEventHeader + n);
    // The record header and the event header, appended in one piece.
    char head[16 + kPcapEventHeader];
    char* p = putLe32(head, sec);
    p = putLe32(p, usec);
    p = putLe32(p, length);
    p = putLe32(p, length);
    p = putBe32(p, sec);
    p = putBe32(p, usec);
    p[0] = static_cast<char>(event);
    p[1] = static_cast<char>(lines_);
    p[2] = p[3] = '\0';
    out_.append(head, sizeof head);
    if (n > 0) {
        out_.append(reinterpret_cast<const char*>(payload), n);
    }
}

void PcapPackets::flush() {
    if (runEvent_ != kStatus) {
        packet(runStart_, runEvent_, payload_.data(), n_);
    }
    runEvent_ = kStatus;
    n_ = 0;
}

void PcapPackets::add(const rec::Record& r, int64_t micros) {
    if (r.kind != rec::Kind::Data) {
        flush();
        if (r.kind == rec::Kind::LineState) {
            lines_ = controlLines(r.b[0]);
            packet(micros, kStatus, nullptr, 0);
        }
        return;
    }
    const uint8_t value = rec::pairValue(r.b[0], r.b[1]);
    const uint8_t direction = rec::isSd(r.b[0]) ? kSd : kRd;
    if (rec::hasFramingError(r.b[1]) || rec::hasParityError(r.b[0])) {
        flush();
        packet(micros, rec::hasFramingError(r.b[1]) ? kFraming : kParity, &value, 1);
        return;
    }
    if (runEvent_ != direction || n_ == payload_.size()) {
        flush();
        runEvent_ = direction;
        runStart_ = micros;
    }
    payload_[n_++] = value;
}

// The packets of the records, as they pass on the clock.
struct PcapStream::State {
    State(const LineTiming& line, std::string& out) : lead(line), packets(out) {}
    ClockLead lead;
    std::optional<RecordClock> clock;  // from the first Add on
    PcapPackets packets;
};

PcapStream::PcapStream(const LineTiming& line, const PcapTimes& times, Sink sink)
    : line_(line),
      times_(times),
      sink_(std::move(sink)),
      state_(std::make_unique<State>(line, out_)) {}

PcapStream::~PcapStream() = default;

size_t PcapStream::measure(const uint8_t* bytes, size_t len) {
    const size_t taken = state_->lead.add(bytes, len);
    return state_->lead.done() ? kStop : taken;
}

size_t PcapStream::add(const uint8_t* bytes, size_t len) {
    State& st = *state_;
    if (!st.clock) {
        st.clock.emplace(line_, st.lead.startMicros(times_.dayStart * kMicros, times_.endMicros),
                         times_.dayStart * kMicros);
    }
    RecordClock& clock = *st.clock;
    const size_t taken = rec::forEachRecord(bytes, len, [&](const rec::Record& r) {
        st.packets.add(r, clock.now());  // the clock moves on after the call
        clock.pass(r);
    });
    if (out_.size() >= kOutPiece) {
        pass();
    }
    return taken;
}

bool PcapStream::finish() {
    state_->packets.flush();
    pass();
    return ok_;
}

void PcapStream::pass() {
    if (ok_ && !out_.empty()) {
        ok_ = sink_(out_);
    }
    out_.clear();
}

bool writePcapOfLog(LogReader& reader, const PcapTimes& times, AtomicFileWriter& out,
                    std::string& error, Progress& progress) {
    error.clear();
    PcapStream pcap(lineTimingOf(reader.header()), times, [&out](std::string_view piece) {
        out.write(piece);
        return out.ok();
    });
    // The first reading ends at the first time stamp, mostly long before the end: the whole
    // is what it read and the second reading.
    ProgressPart measured(progress, 0, reader.DataLength());
    const auto measure = [&pcap](const uint8_t* bytes, size_t len) {
        return pcap.measure(bytes, len);
    };
    if (!reader.read(measure, error, measured)) {
        return false;
    }
    ProgressPart written(progress, measured.reached(), 0);
    const bool read = reader.read(
        [&](const uint8_t* bytes, size_t len) {
            const size_t taken = pcap.add(bytes, len);
            return out.ok() ? taken : LogReader::kStop;
        },
        error, written);
    if (!read) {
        return false;
    }
    return pcap.finish() && out.commit();
}

std::string pcapFromCapture(const uint8_t* bytes, int32_t len, const LineTiming& line,
                            const PcapTimes& times) {
    const auto n = static_cast<size_t>(std::max<int32_t>(len, 0));
    std::string out;
    PcapStream pcap(line, times, [&out](std::string_view piece) {
        out.append(piece);
        return true;
    });
    (void)pcap.measure(bytes, n);
    (void)pcap.add(bytes, n);
    pcap.finish();
    return out;
}

namespace {

std::tm localTm(const DateTime& t) {
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

int64_t localMidnight(const DateTime& t) {
    DateTime day{t.year, t.month, t.day};
    std::tm tm = localTm(day);
    return static_cast<int64_t>(std::mktime(&tm));
}

int64_t localEpochMicros(const DateTime& t) {
    std::tm tm = localTm(t);
    return static_cast<int64_t>(std::mktime(&tm)) * kMicros + t.millisecond * 1000LL;
}

std::optional<PcapTimes> fileTimes(const std::string& path, const std::optional<DateTime>& day) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(nativePath(path), ec);
    if (ec) {
        return std::nullopt;
    }
    const auto modified = std::chrono::file_clock::to_sys(written);
    const int64_t end =
        std::chrono::duration_cast<std::chrono::microseconds>(modified.time_since_epoch()).count();
    if (day) {
        return PcapTimes{localMidnight(*day), end};
    }
    const std::time_t t = std::chrono::system_clock::to_time_t(modified);
    const std::tm* local = std::localtime(&t);
    if (local == nullptr) {
        return std::nullopt;
    }
    return PcapTimes{
        localMidnight(DateTime{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday}), end};
}
