#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "files/LogFile.h"

// What a capture log file holds, counted record by record with the same resynchronisation
// as the display words: bytes that start no record are skipped one at a time, and a record
// cut off by the end of the data is not counted.
struct RecordCounts {
    int64_t rd = 0;  // every RD data record, errors included
    int64_t sd = 0;
    // Each error byte counts once: a byte with both flags is a framing error.
    int64_t parityErrors = 0;   // data records with the parity-error flag alone
    int64_t framingErrors = 0;  // data records with the framing-error flag
    int64_t idle = 0;
    int64_t timeStamps = 0;
    int64_t lineStates = 0;
    std::optional<std::string> firstTime;  // "HH:MM:SS" of the first time stamp
    std::optional<std::string> lastTime;

    bool operator==(const RecordCounts&) const = default;
};

[[nodiscard]] RecordCounts countRecords(const uint8_t* bytes, size_t len);

// Adds the whole records at the front of bytes to n; returns the bytes they take, so that
// a record cut off by the end of a piece can be counted with the next piece.
size_t countRecords(const uint8_t* bytes, size_t len, RecordCounts& n);

// The header values in words ("RS232C", "odd", "100ms" ...), of the values the program
// takes over from the header (clamped).
[[nodiscard]] const char* lineTypeName(const LogHeader& h);
[[nodiscard]] int dataBits(const LogHeader& h);
[[nodiscard]] const char* parityName(const LogHeader& h);
[[nodiscard]] const char* stopBitsName(const LogHeader& h);
[[nodiscard]] const char* dispModeName(const LogHeader& h);
[[nodiscard]] const char* idleScaleName(const LogHeader& h);
[[nodiscard]] const char* fontSizeName(const LogHeader& h);
