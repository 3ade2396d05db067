#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "base/Settings.h"
#include "capture/WordFile.h"

// A capture log file (.vxm): a 24-byte little-endian header with the line settings (type,
// speed, data bits, stop bits, parity) and the display settings (display mode, time stamp,
// idle scale, line state, font size, scroll step), then the raw capture records. There is
// no magic number and no length field: the data length is the file length minus 24.

inline constexpr int32_t kLogHeaderLen = 24;

// The most data bytes of a capture log file that the program shows: its display words, at most
// one per two bytes, stay within the 2^31 - 1 words the view holds.
inline constexpr uint64_t kLogShownMax = 2 * uint64_t{INT32_MAX};

// The header fields, as stored (no range check).
struct LogHeader {
    int16_t gintLineType = 0;
    int32_t glngSpeed = 0;
    int16_t gintDataLen = 0;
    int16_t gintStopBit = 0;
    int16_t gintParity = 0;
    int16_t gintDispMode = 0;
    int16_t gintTimeStamp = 0;
    int16_t gintIdleMode = 0;
    int16_t gintLineState = 0;
    int16_t gintFontSize = 0;
    int16_t gintScroll = 0;

    bool operator==(const LogHeader&) const = default;
};

// The header of the current settings, each value as clampHeader makes it, so that every
// header the program writes opens again.
[[nodiscard]] LogHeader headerOf(const Settings& s);

// The 24 header bytes, and back.
void encodeHeader(const LogHeader& h, uint8_t* out);
[[nodiscard]] LogHeader decodeHeader(const uint8_t* in);

// A header value that no setting can hold: the field's name in English and in the program's
// words, and the value stored.
struct HeaderFault {
    const char* name;
    const char* nameJa;
    int32_t value;
};
// The values of a header that no setting can hold, in header order; empty for every header
// the program writes. Each field's values: line type 0..1; speed within the unit's range
// 150 .. 115200 (or 0, that of new settings); data bits 0 (seven) or 1 (eight); stop bits and
// parity 0..2; display mode and font size 0..2; time stamp and line state 0..1; idle scale 0, 1, 10
// or 100; scroll step not below 0. A file that holds any other is not a capture log: the format has
// no signature, and these are how the readers tell.
[[nodiscard]] std::vector<HeaderFault> headerFaults(const LogHeader& h);
// The faults as "speed 825050692, data bits 13358" (English names) or with the program's
// names ("通信速度 825050692、データ長 13358").
[[nodiscard]] std::string faultText(const std::vector<HeaderFault>& faults, bool japanese = false);

// Each value moved to its nearest valid value: line type 0..1, stop bits and parity 0..2,
// display mode and font size 0..2, time stamp and line state 0..1, idle scale the nearest
// of 0, 1, 10, 100 (a tie goes to the smaller), scroll step not below 0, data bits other than
// 0 to 1 (eight), a speed the unit does not know (other than 0) to 9600, as it is sent. A
// file's bytes are never changed; only the settings taken from it.
[[nodiscard]] LogHeader clampHeader(LogHeader h);

// Makes the header (clamped) the current line and display settings.
void applyHeader(const LogHeader& h, Settings& s);

// A log file read whole.
struct LogFile {
    LogHeader header;
    std::vector<uint8_t> data;
};

// Reads a log file whole. On failure returns nothing and sets error to the reason in words
// ("no such file", "is a folder", "shorter than 24 bytes", "not a capture log (...)", "too large"
// for data of more than 2^31 - 1 bytes, "too large for the memory" when its bytes cannot be
// allocated ...).
[[nodiscard]] std::optional<LogFile> readLogFile(const std::string& name, std::string& error);

// Reads the data of a log file of any length in pieces of bounded size, so that memory does
// not grow with the file.
class LogReader {
  public:
    static constexpr size_t kPiece = size_t{1} << 20;
    // What a piece's taker returns to end the reading early.
    static constexpr size_t kStop = SIZE_MAX;
    // Hands over bytes and their count; returns how many it took (the rest, a record cut off
    // by the end of the piece, comes again at the front of the next piece) or kStop.
    using Taker = std::function<size_t(const uint8_t* bytes, size_t len)>;

    // piece: the most data bytes read at a time, at least 8.
    explicit LogReader(size_t piece = kPiece);
    ~LogReader();
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;

    // Opens the file and reads its header; false with the reason in words as readLogFile
    // gives it. A header that no setting can hold is refused with kNotALog and the values
    // (see headerFaults).
    bool open(const std::string& name, std::string& error);
    [[nodiscard]] const LogHeader& header() const { return header_; }
    [[nodiscard]] uint64_t DataLength() const { return length_; }
    // The most bytes a piece holds.
    [[nodiscard]] size_t piece() const { return buf_.size(); }

    // Hands the data from its first byte to take, piece by piece. Each piece begins with the
    // bytes the previous one left (fewer than four), then the next bytes of the file; what
    // the last piece leaves is a record cut off by the end of the file and is dropped. May be
    // called again to read the data once more. False, with the reason in error, when the
    // file cannot be read or no longer has the length it had when it was opened. After each
    // piece the bytes read so far go to progress; when it says stop, false with kCancelled.
    bool read(const Taker& take, std::string& error, Progress& progress = noProgress());

    // The reason of a read that its progress stopped.
    static constexpr const char* kCancelled = "cancelled";
    // The start of the reason of a file refused for its header: "not a capture log (speed
    // 825050692, data bits 13358)".
    static constexpr const char* kNotALog = "not a capture log";

  private:
    std::vector<uint8_t> buf_;
    FILE* file_ = nullptr;
    LogHeader header_;
    uint64_t length_ = 0;
};

// Converts the data of an opened reader into display words (as CopyDat makes them) in a word
// file, piece by piece, so that memory does not grow with the file. The file is made in the
// first of folders that takes one and holds all the words (a full disk tries the next). False with
// the reason in error when no folder takes the file
// ("no folder for the display words"), a write fails ("the display words cannot be
// written"), the words would be more than 2^31 - 1 ("too large") or the file cannot be read,
// and LogReader::kCancelled when progress stopped the reading; words is then empty, and its
// file gone.
bool logWordsToFile(LogReader& reader, const std::vector<std::filesystem::path>& folders,
                    WordFile& words, std::string& error, Progress& progress = noProgress());

// Writes the header of s and the first count bytes to name through a temporary file in the
// same folder renamed over the target, so a failure leaves an existing file as it was.
// A count of 0 or less writes the header alone (it opens as an empty capture).
// Returns status::kDone or status::kFailed.
int16_t SaveLog(const std::string& name, const uint8_t* bytes, int32_t count, const Settings& s);

// Reads a log file. On success the line and display settings of s are replaced by the file's
// header (clamped), bytes holds the data and count its length. On failure nothing changes.
int16_t LoadLog(const std::string& name, std::vector<uint8_t>& bytes, int32_t& count, Settings& s);

// Deletes the file if it exists; does nothing otherwise.
void KillFile(const std::string& name);
