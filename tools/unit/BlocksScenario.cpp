#include "BlocksScenario.h"

#include <algorithm>

#include "analysis/Protocol.h"

std::string BlocksScenario::frame(const std::string& payload, bool bad) {
    std::string f = "\x02" + std::string(1, static_cast<char>(payload.size())) + payload;
    const uint32_t crc =
        proto::checksum(proto::Check::Crc16CcittFalse,
                        reinterpret_cast<const uint8_t*>(f.data()) + 1, f.size() - 1) ^
        (bad ? 0x5A5AU : 0U);
    f += static_cast<char>(crc >> 8);
    f += static_cast<char>(crc & 0xFF);
    f += '\x03';
    return f;
}

void BlocksScenario::buildEpisode() {
    const auto address = static_cast<unsigned>(random_.between(0, 0xFFFF));
    const auto count = static_cast<unsigned>(random_.between(1, 32));
    std::string read{'R', static_cast<char>(address >> 8), static_cast<char>(address & 0xFF),
                     static_cast<char>(count)};
    std::string data{'D', read[1], read[2]};
    for (unsigned i = 0; i < count; ++i) {
        data += static_cast<char>(random_.between(0, 255));
    }
    std::string request = frame(read, false);
    if (poll_ % kNoiseEvery == 0) {
        for (auto n = random_.between(1, 3); n > 0; --n) {
            request.insert(request.begin(), random_.between(0, 1) == 0 ? '\x00' : '\xFF');
        }
    }
    const uint64_t start = std::max(poll_ * line_.ticksPerSecond() / 4, cursor_);
    const bool bad = poll_ % kBadEvery == 0;
    ++poll_;
    cursor_ = send(true, request, start);
    cursor_ = send(false, frame(data, bad), cursor_ + pause(5, 30));
}
