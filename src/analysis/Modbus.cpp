#include "analysis/Modbus.h"

#include <array>
#include <initializer_list>

namespace modbus {

namespace {

constexpr uint32_t kCrcLen = 2;
constexpr uint32_t kMinFrame = 4;  // unit, function, CRC
constexpr uint32_t kExceptionLen = 5;
constexpr uint32_t kMaxFrame = 256;

bool crcHolds(const uint8_t* p, uint32_t n) {
    if (n < kMinFrame) {
        return false;
    }
    const uint16_t crc = crc16(p, n - kCrcLen);
    return p[n - 2] == (crc & 0xFF) && p[n - 1] == (crc >> 8);
}

// The length of a request of function code p[1], 0 when unknown or when its length field
// lies beyond the rest bytes.
uint32_t requestLength(const uint8_t* p, uint32_t rest) {
    const auto at = [&](uint32_t i) -> uint32_t { return i < rest ? p[i] : UINT32_MAX; };
    uint32_t n = 0;
    switch (p[1]) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 8:
            return 8;
        case 7:
        case 11:
        case 12:
        case 17:
            return 4;
        case 15:
        case 16:
            n = at(6);
            return n == UINT32_MAX ? 0 : 9 + n;
        case 20:
        case 21:
            n = at(2);
            return n == UINT32_MAX ? 0 : 5 + n;
        case 22:
            return 10;
        case 23:
            n = at(10);
            return n == UINT32_MAX ? 0 : 13 + n;
        case 24:
            return 6;
        default:
            return 0;
    }
}

// The length of a normal reply of function code p[1], as requestLength.
uint32_t replyLength(const uint8_t* p, uint32_t rest) {
    switch (p[1]) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 12:
        case 17:
        case 20:
        case 21:
        case 23:
            return rest > 2 ? 5 + uint32_t{p[2]} : 0;
        case 5:
        case 6:
        case 8:
        case 11:
        case 15:
        case 16:
            return 8;
        case 7:
            return 5;
        case 22:
            return 10;
        case 24:
            return rest > 3 ? 6 + (uint32_t{p[2]} << 8 | p[3]) : 0;
        default:
            return 0;
    }
}

}  // namespace

uint16_t crc16(const uint8_t* p, size_t n) {
    // Four tables, so that four bytes take one step: table k is the CRC of a byte followed by k
    // zero bytes.
    static constexpr auto kTables = [] {
        std::array<std::array<uint16_t, 256>, 4> t{};
        for (unsigned i = 0; i < 256; ++i) {
            auto crc = static_cast<uint16_t>(i);
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
            }
            t[0][i] = crc;
        }
        for (size_t k = 1; k < t.size(); ++k) {
            for (unsigned i = 0; i < 256; ++i) {
                t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
            }
        }
        return t;
    }();
    uint16_t crc = 0xFFFF;
    for (; n >= 4; n -= 4, p += 4) {
        const uint32_t x =
            crc ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
        crc = static_cast<uint16_t>(kTables[3][x & 0xFF] ^ kTables[2][x >> 8 & 0xFF] ^
                                    kTables[1][x >> 16 & 0xFF] ^ kTables[0][x >> 24]);
    }
    for (; n > 0; --n, ++p) {
        crc = static_cast<uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *p) & 0xFF]);
    }
    return crc;
}

namespace {

struct Candidate {
    uint32_t length;
    Kind kind;
};

// The lengths p[0..] would have as a frame (the expected kind first), 0 when unknown.
std::array<Candidate, 2> candidatesAt(const uint8_t* p, uint32_t rest, bool replyExpected) {
    if ((p[1] & 0x80) != 0) {
        return {Candidate{kExceptionLen, Kind::Exception}, Candidate{0, Kind::Exception}};
    }
    const Candidate request{requestLength(p, rest), Kind::Request};
    const Candidate reply{replyLength(p, rest), Kind::Reply};
    return replyExpected ? std::array{reply, request} : std::array{request, reply};
}

// The candidate of p whose CRC holds, if any (length 0 when none).
Candidate goodFrameAt(const uint8_t* p, uint32_t rest, bool replyExpected) {
    if (rest < kMinFrame) {
        return {0, Kind::Noise};
    }
    for (const Candidate& c : candidatesAt(p, rest, replyExpected)) {
        if (c.length >= kMinFrame && c.length <= rest && crcHolds(p, c.length)) {
            return c;
        }
    }
    return {0, Kind::Noise};
}

}  // namespace

Frame nextFrame(const uint8_t* p, uint32_t rest, bool replyExpected) {
    const uint8_t unit = p[0];
    const uint8_t function = rest > 1 ? p[1] : 0;
    if (const Candidate good = goodFrameAt(p, rest, replyExpected); good.length > 0) {
        return {good.length, unit, function, good.kind, true};
    }
    // The bytes before the next good frame, whichever kind it is (both are tried, whatever is
    // expected); no further than the longest frame, so that a long run of garbage is read in
    // pieces of bounded cost.
    uint32_t span = 1;
    while (span < rest && span < kMaxFrame &&
           goodFrameAt(p + span, rest - span, false).length == 0) {
        ++span;
    }
    if (span >= kMinFrame) {
        for (const Candidate& c : candidatesAt(p, span, replyExpected)) {
            if (c.length >= kMinFrame && c.length <= span) {
                return {c.length, unit, function, c.kind, false};
            }
        }
    }
    return {span, unit, function, Kind::Noise, false};
}

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Request:
            return "request";
        case Kind::Reply:
            return "reply";
        case Kind::Exception:
            return "exception";
        case Kind::Noise:
            return "noise";
    }
    return "";
}

}  // namespace modbus
