#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "files/LogFile.h"

// Stored records (as in gbyteDat) for printing tests, written by hand.
class SampleCapture {
  public:
    SampleCapture& Data(std::string_view text, bool sd) {
        for (const char ch : text) {
            Pair(static_cast<uint8_t>(ch), sd);
        }
        return *this;
    }
    SampleCapture& Pairs(std::initializer_list<uint8_t> values, bool sd) {
        for (const uint8_t v : values) {
            Pair(v, sd);
        }
        return *this;
    }
    SampleCapture& Pair(uint8_t v, bool sd, bool parity = false, bool framing = false) {
        bytes.push_back(
            static_cast<uint8_t>(0x80 | (sd ? 0x20 : 0) | (parity ? 0x10 : 0) | v >> 4));
        bytes.push_back(static_cast<uint8_t>(0xC0 | (framing ? 0x10 : 0) | (v & 0x0F)));
        return *this;
    }
    SampleCapture& Stamp(uint8_t h, uint8_t m, uint8_t s) { return Record(0x30, h, m, s); }
    // The six-digit idle count as three pairs of digits.
    SampleCapture& Idle(int count) {
        return Record(0x20, static_cast<uint8_t>(count / 10000),
                      static_cast<uint8_t>(count / 100 % 100), static_cast<uint8_t>(count % 100));
    }
    SampleCapture& LineState(uint8_t lines) {
        bytes.push_back(static_cast<uint8_t>(0x40 | (lines & 0x3F)));
        bytes.push_back(0x30);
        return *this;
    }

    // A short exchange: a time stamp, a command and its answer, a parity and a framing error,
    // a line-state change, an idle gap, and a second time stamp with more traffic.
    static SampleCapture Exchange() {
        SampleCapture c;
        c.Stamp(12, 34, 56).Data("ATZ\r", false).Data("OK\r\n", true);
        c.Pair('A', false, true).Pair('B', true, false, true).LineState(0x05).Idle(1234);
        c.Stamp(12, 35, 0).Data("Hello", true).Pair(0xB1, false);
        return c;
    }

    std::vector<uint8_t> bytes;

  private:
    SampleCapture& Record(uint8_t kind, uint8_t a, uint8_t b, uint8_t c) {
        bytes.insert(bytes.end(), {kind, a, b, c});
        return *this;
    }
};

// The text of a capture log file: the header of h, then the records.
inline std::string LogFileText(const LogHeader& h, const std::vector<uint8_t>& records) {
    uint8_t head[kLogHeaderLen];
    encodeHeader(h, head);
    return std::string(reinterpret_cast<const char*>(head), sizeof head) +
           std::string(records.begin(), records.end());
}
