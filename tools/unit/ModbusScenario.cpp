#include "ModbusScenario.h"

#include <algorithm>

namespace {

void put16(std::string& frame, unsigned value) {
    frame += static_cast<char>(value >> 8 & 0xFF);
    frame += static_cast<char>(value & 0xFF);
}

}  // namespace

uint16_t ModbusScenario::crc16(std::string_view frame) {
    uint16_t crc = 0xFFFF;
    for (const char c : frame) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
        }
    }
    return crc;
}

std::string ModbusScenario::withCrc(std::string frame) {
    const uint16_t crc = crc16(frame);
    frame += static_cast<char>(crc & 0xFF);
    frame += static_cast<char>(crc >> 8);
    return frame;
}

ModbusScenario::Poll ModbusScenario::makePoll() {
    const char slave = static_cast<char>(random_.between(1, 4));
    const unsigned kind = static_cast<unsigned>(random_.between(0, 9));
    const unsigned reg = static_cast<unsigned>(random_.between(0, 0x3FF));
    std::string request{slave};
    std::string reply{slave};
    if (kind < 6) {
        // Read holding (0x03) or input (0x04) registers.
        const char function = kind < 4 ? 0x03 : 0x04;
        const unsigned count = static_cast<unsigned>(random_.between(1, 8));
        request += function;
        put16(request, reg);
        put16(request, count);
        reply += function;
        reply += static_cast<char>(2 * count);
        for (unsigned i = 0; i < count; ++i) {
            put16(reply, static_cast<unsigned>(random_.between(0, 0xFFFF)));
        }
    } else if (kind < 9) {
        // Write single register: the reply echoes the request.
        request += '\x06';
        put16(request, reg);
        put16(request, static_cast<unsigned>(random_.between(0, 0xFFFF)));
        reply = request;
    } else {
        // A read of a register the slave does not have: illegal data address.
        request += '\x03';
        put16(request, 0xFF00 | reg);
        put16(request, 1);
        reply += '\x83';
        reply += '\x02';
    }
    return {withCrc(request), slave == 4 ? std::string() : withCrc(reply)};
}

void ModbusScenario::buildEpisode() {
    const Poll poll = makePoll();
    // The master polls on each full second unless the last exchange ran over (slow lines);
    // frames are always at least the RTU gap of 3.5 characters apart.
    const uint64_t gap = line_.characterTicks() * 7 / 2;
    const uint64_t start = std::max(second_ * line_.ticksPerSecond(), earliest_);
    ++second_;
    cursor_ = send(true, poll.request, start);
    if (!poll.reply.empty()) {
        cursor_ = send(false, poll.reply, cursor_ + gap + pause(2, 20));
    }
    earliest_ = cursor_ + gap;
}
