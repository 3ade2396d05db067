#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The five trigger definitions, parallel arrays indexed by trigger 0..4 (shown as
// "トリガ-１".."トリガ-５"). Everything is zero or empty until VXTrig.ini is read.
struct Triggers {
    static constexpr int kCount = 5;
    static constexpr int kCodes = 11;  // storage for string codes per trigger
    static constexpr int kLines = 6;   // RS, CS, ER, DR, CD, CI
    // The largest byte count (MonitorStop, SaveStart, SaveStop): a count becomes a buffer
    // distance of twice as many bytes in 16 bits. The dialog refuses larger counts and
    // reading the trigger file limits them to 0..kMaxByteCount.
    static constexpr int16_t kMaxByteCount = 16383;

    // 0 none, 1 string, 2 time of day, 3 error, 4 line state
    std::array<int16_t, kCount> gintTrigType{};
    // 0 the string is edited as ASCII, 1 as hexadecimal; matching is the same
    std::array<int16_t, kCount> gintChrType{};
    // number of string codes as decimal text; see chrCount
    std::array<std::string, kCount> gstrChrLen{};
    // the string to match, [trigger][code]
    std::array<std::array<uint8_t, kCodes>, kCount> gbyteChrCode{};
    // time of day HHMM, as entered
    std::array<std::string, kCount> gstrTime{};
    // 1 parity error, 2 framing error, 3 both
    std::array<int16_t, kCount> gintErrType{};
    // [line][trigger]: 0 ignore the line, 1 turns on, 2 turns off
    std::array<std::array<int16_t, kCount>, kLines> gintLineEdge{};
    // 0 stop the monitor, 1 start saving, 2 stop saving, 3 count
    std::array<int16_t, kCount> gintAction{};
    // data bytes after the event before the monitor stops (action 0)
    std::array<int16_t, kCount> gintMonitorStop{};
    // data bytes before the event included when saving starts (action 1)
    std::array<int16_t, kCount> gintSaveStart{};
    // data bytes after the event before saving stops (action 2)
    std::array<int16_t, kCount> gintSaveStop{};
    // times fired with action 3, at most 999999; not saved
    std::array<int32_t, kCount> glngTrigCount{};

    // True when any trigger has an event type (gintTrigType above 0).
    [[nodiscard]] bool anySet() const;

    // The number of meaningful codes of trigger n: gstrChrLen[n] as a number, limited to
    // 0..kCodes so that it can always index gbyteChrCode.
    [[nodiscard]] int chrCount(int n) const;

    // The first chrCount codes of trigger n, two uppercase hexadecimal digits each ("0D0A").
    [[nodiscard]] std::string chrCodeText(int n) const;
    // Code j of a text of two hexadecimal digits per code: the hexadecimal number at the start
    // of characters 2j+1 and 2j+2; missing characters or no hexadecimal digit give 0.
    [[nodiscard]] static uint8_t hexCode(std::string_view text, int j);
};
