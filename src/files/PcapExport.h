#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Clock.h"
#include "base/Progress.h"
#include "capture/RecordClock.h"
#include "capture/RecordWalk.h"
#include "files/LogFile.h"

// Export of a capture to a classic pcap file (microsecond times, link type 250: serial line
// events with a 12-byte big-endian header before each payload), so that protocol dissectors
// can read it.
//
// Packets: a run of data bytes of one direction is one packet (event 0x01 SD, 0x02 RD); a new
// packet begins at a change of direction, an idle record, a time-stamp record and a
// line-state record (itself a packet of event 0x00 with no payload); a byte with a framing
// (0x07) or parity (0x08) error is a packet of its own, framing winning when both are set.
// Every header carries the control lines as they stand (CS 0x01, CD 0x02, DR 0x04, RS 0x08,
// ER 0x10, CI 0x20; all off before the first line-state record).
//
// Times: the capture holds no time per byte, so they are rebuilt. Each data byte takes one
// character time of the line settings, (1 start + data bits + parity bit + stop bits) / speed,
// and a packet is stamped with the start of its first byte; an idle record advances the clock
// by its count of idle steps (1 s, 100 ms or 10 ms by the idle scale; nothing under an unknown
// scale). A time-stamp record sets the clock to its time of day on the given date unless the
// clock already stands later within that second; a time of day more than 12 hours before the
// clock is taken as the next day. Before the first time-stamp record the clock runs so that
// it reaches the first record exactly; a capture without time stamps ends at endMicros.

// The line timing of a capture file's header (the idle scale as the program applies it).
[[nodiscard]] LineTiming lineTimingOf(const LogHeader& h);

struct PcapTimes {
    int64_t dayStart = 0;   // seconds since 1970 at local midnight of the capture's date
    int64_t endMicros = 0;  // microseconds since 1970 at which a capture without stamps ends
};

inline constexpr uint32_t kPcapLinkType = 250;
inline constexpr int kPcapEventHeader = 12;
inline constexpr int kPcapSnapLength = 65535;

// The pcap export of stored records that come in pieces, so that a capture of any length is
// exported with bounded memory. The records are read twice: Measure finds where the clock
// starts (it reads up to the first time-stamp record), Add writes the packets, Finish the
// last one. Each takes whole records and returns the bytes it took (a record cut off by the
// end of a piece is left for the next piece); Measure returns LogReader::kStop once it has
// what it needs. The file goes to the sink in large pieces.
class PcapStream {
  public:
    using Sink = std::function<bool(std::string_view)>;
    static constexpr size_t kStop = LogReader::kStop;

    PcapStream(const LineTiming& line, const PcapTimes& times, Sink sink);
    ~PcapStream();
    PcapStream(const PcapStream&) = delete;
    PcapStream& operator=(const PcapStream&) = delete;

    [[nodiscard]] size_t measure(const uint8_t* bytes, size_t len);
    [[nodiscard]] size_t add(const uint8_t* bytes, size_t len);
    // Hands on the rest; false once the sink has refused a piece.
    bool finish();

  private:
    struct State;
    static constexpr size_t kOutPiece = size_t{1} << 20;
    void pass();

    LineTiming line_;
    PcapTimes times_;
    Sink sink_;
    std::string out_;
    std::unique_ptr<State> state_;
    bool ok_ = true;
};

class AtomicFileWriter;

// Writes the pcap file of the capture log file that reader has open to out and commits it,
// reading the file twice in pieces (see PcapStream), the two readings one progress. On failure
// error holds the reason when the capture could not be read (LogReader::kCancelled when
// progress stopped it; out is then not committed), and is empty when out failed (out.reason()
// tells why).
bool writePcapOfLog(LogReader& reader, const PcapTimes& times, AtomicFileWriter& out,
                    std::string& error, Progress& progress = noProgress());

// The packets of stored records, as the export and a live capture form them: the file header
// first, then each record at the time of its start (microseconds since 1970), appended to out.
// Data bytes of one direction gather in one packet, stamped with the time of its first byte,
// until a record of another kind or direction, a full packet or Flush ends it.
class PcapPackets {
  public:
    explicit PcapPackets(std::string& out);
    void add(const rec::Record& r, int64_t micros);
    // Ends the open data packet, if any.
    void flush();
    // True while a data packet is open (waits for more bytes or Flush).
    [[nodiscard]] bool packetOpen() const { return runEvent_ != 0; }

  private:
    void packet(int64_t micros, uint8_t event, const uint8_t* payload, size_t n);

    std::string& out_;
    uint8_t lines_ = 0;     // the control lines as they stand
    uint8_t runEvent_ = 0;  // direction of the open data packet; 0: none open
    int64_t runStart_ = 0;
    size_t n_ = 0;
    std::array<uint8_t, kPcapSnapLength - kPcapEventHeader> payload_{};
};

// The whole pcap file for the first len stored record bytes.
[[nodiscard]] std::string pcapFromCapture(const uint8_t* bytes, int32_t len, const LineTiming& line,
                                          const PcapTimes& times);

// Seconds since 1970 at local midnight of the day of t.
[[nodiscard]] int64_t localMidnight(const DateTime& t);

// Microseconds since 1970 of the local time t.
[[nodiscard]] int64_t localEpochMicros(const DateTime& t);

// The times of a capture log file: it ends at its modification time, and its time stamps lie
// on the given day, or on the (local) day of its modification time. Nothing when the file has
// no modification time.
[[nodiscard]] std::optional<PcapTimes> fileTimes(const std::string& path,
                                                 const std::optional<DateTime>& day);
