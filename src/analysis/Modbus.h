#pragma once
#include <cstddef>
#include <cstdint>

// Modbus RTU frames inside a run of bytes of one direction: where the next frame ends, going
// by its function code and length fields, and whether its CRC holds.
namespace modbus {

enum class Kind : uint8_t { Request, Reply, Exception };

struct Frame {
    uint32_t length = 0;  // bytes of the frame, CRC included (at least 1)
    uint8_t unit = 0;
    uint8_t function = 0;  // 0 for a frame of one byte
    Kind kind = Kind::Request;
    bool crcOk = false;
};

// CRC-16 of Modbus RTU (polynomial 0xA001 reflected, start 0xFFFF) over n bytes.
[[nodiscard]] uint16_t crc16(const uint8_t* p, size_t n);

// The frame at the start of rest bytes p (rest >= 1). A frame whose length fits both a
// request and a reply takes the one whose CRC holds; when both or neither hold, replyExpected
// (the previous frame was a request of the other direction) decides. Without a good CRC at
// either length the frame is the rest of the run, unless the run holds more than the expected
// length. An exception reply (function code with bit 7) is five bytes; an unknown function
// code, or fewer than four bytes, is the rest of the run.
[[nodiscard]] Frame nextFrame(const uint8_t* p, uint32_t rest, bool replyExpected);

// The names used in every output: "request", "reply", "exception".
[[nodiscard]] const char* kindName(Kind kind);

}  // namespace modbus
