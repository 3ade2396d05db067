#pragma once
#include <cstddef>
#include <cstdint>

// Modbus RTU frames inside a run of bytes of one direction: where the next frame ends, going
// by its function code and length fields, and whether its CRC holds.
namespace modbus {

// Noise: bytes that are no Modbus frame (too short, or no frame's shape and no CRC that holds),
// such as stray bytes on the line; they are neither a request nor a reply.
enum class Kind : uint8_t { Request, Reply, Exception, Noise };

struct Frame {
    uint32_t length = 0;  // bytes of the frame, CRC included (at least 1)
    uint8_t unit = 0;
    uint8_t function = 0;  // 0 for a frame of one byte
    Kind kind = Kind::Request;
    bool crcOk = false;  // always false for noise
};

// CRC-16 of Modbus RTU (polynomial 0xA001 reflected, start 0xFFFF) over n bytes.
[[nodiscard]] uint16_t crc16(const uint8_t* p, size_t n);

// The frame at the start of rest bytes p (rest >= 1).
// - A frame whose CRC holds at the length its function code and length fields give as a
//   request or as a reply; when both hold, replyExpected (the previous frame that was not
//   noise was a request of the other direction) decides. An exception reply (function code
//   with bit 7) is five bytes.
// - Otherwise the bytes up to the next place in the run where such a frame begins (or the
//   rest of the run, at most 256 bytes) are looked at: when they are at least the length of the
//   frame their function code gives, they start a frame of that length whose CRC is bad (the
//   expected kind first when both lengths fit); else they are noise.
// So stray bytes before, between or after frames are noise and never shift the frames around
// them; a frame with a wrong CRC is one only where its shape fits.
[[nodiscard]] Frame nextFrame(const uint8_t* p, uint32_t rest, bool replyExpected);

// The names used in every output: "request", "reply", "exception", "noise".
[[nodiscard]] const char* kindName(Kind kind);

}  // namespace modbus
