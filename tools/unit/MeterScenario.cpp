#include "MeterScenario.h"

#include <algorithm>
#include <cstdio>

std::string MeterScenario::frame(const std::string& text, bool bad) {
    std::string f = "\x02" + text + "\x03";
    uint8_t check = 0;
    for (const char c : f) {
        check ^= static_cast<uint8_t>(c);
    }
    f += static_cast<char>(bad ? check ^ 0x5A : check);
    return f;
}

void MeterScenario::buildEpisode() {
    const auto meter = static_cast<unsigned>(poll_ % 3 + 1);
    char number[4];
    std::snprintf(number, sizeof number, "%02u", meter);
    char reading[8];
    std::snprintf(reading, sizeof reading, "%06u",
                  static_cast<unsigned>(random_.between(0, 999999)));
    const uint64_t start = std::max(poll_ * line_.ticksPerSecond() / 2, cursor_);
    ++poll_;
    std::string request = frame(std::string("R") + number, false);
    if (random_.between(0, 9) == 0) {
        request.insert(request.begin(), '\xFF');  // a stray byte before the start
    }
    cursor_ = send(true, request, start);
    const std::string reply =
        frame(std::string("D") + number + reading, random_.between(0, 7) == 0);
    cursor_ += pause(5, 30);
    if (meter == 3 && random_.between(0, 3) == 0) {
        // A reply in two parts: a pause longer than the protocol's Timeout inside it.
        cursor_ = send(false, reply.substr(0, 4), cursor_);
        cursor_ = send(false, reply.substr(4), cursor_ + pause(150, 200));
    } else {
        cursor_ = send(false, reply, cursor_);
    }
}
