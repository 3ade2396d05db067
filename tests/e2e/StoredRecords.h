#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The records of a capture buffer (gbyteDat), read strictly: a buffer that holds anything but
// whole, well-formed records is reported with the offset of the first bad byte.
struct StoredRecord {
    enum class Kind { Pair, Line, Stamp, Idle };
    Kind kind;
    uint8_t bytes[4];
    size_t offset;

    [[nodiscard]] bool IsMarker() const { return kind == Kind::Stamp || kind == Kind::Idle; }
    // The observed byte of a data pair.
    [[nodiscard]] uint8_t Value() const;
    // A time stamp as seconds since midnight; an idle record as its six-digit count.
    [[nodiscard]] int32_t Number() const;
};

struct StoredRecords {
    std::vector<StoredRecord> records;
    std::string fault;  // empty when the whole buffer is well formed

    [[nodiscard]] size_t Count(StoredRecord::Kind kind) const;
};

[[nodiscard]] StoredRecords ParseStored(std::string_view bytes);

// What a capture buffer holds after a run that stored the whole of a well-formed stream from
// the unit (as vexlo-unit --record writes it) with no idle or time-stamp records: every data
// pair as sent and every line-state byte followed by 0x30. The unit reports a line state
// only when it changes, so none is dropped as a repeat.
[[nodiscard]] std::string StoredFormOf(std::string_view stream);

// The stored bytes without their idle and time-stamp records.
[[nodiscard]] std::string WithoutMarkers(std::string_view stored, const StoredRecords& parsed);
