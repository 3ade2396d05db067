#include "Scenario.h"

#include <algorithm>
#include <array>

#include "BlocksScenario.h"
#include "ChatScenario.h"
#include "FloodScenario.h"
#include "GarbageScenario.h"
#include "LinesScenario.h"
#include "MeterScenario.h"
#include "ModbusScenario.h"

namespace {

constexpr std::array<Scenario::Info, 8> kScenarios = {{
    {"chat",
     "an ASCII dialogue: a terminal on SD sends commands ended by CR LF, a device "
     "on RD answers; 0.3 to 3 s between messages"},
    {"modbus", "binary RTU requests on SD and replies on RD with CRC-16, one poll a second"},
    {"meter",
     "STX text ETX frames with an xor check after ETX: meter reads on SD, readings on RD, "
     "twice a second; some bad checks, stray bytes and replies broken by a pause"},
    {"blocks",
     "binary frames of STX, a length byte, the data, a CRC-16 and ETX: block reads on SD and "
     "the blocks on RD four times a second; some bad CRCs and stray bytes before a start "
     "(8 data bits)"},
    {"errors",
     "the chat dialogue with occasional framing errors, and parity errors when the "
     "line has parity"},
    {"lines",
     "the chat dialogue with RS/CS handshakes around each request, ER/DR, CD drops "
     "and CI rings between messages"},
    {"flood",
     "both directions at full line rate, each a pseudo-random byte sequence from "
     "the seed"},
    {"garbage",
     "random bytes of every value 0x00..0xFF (CR included) as the stream, in "
     "bursts; not a valid stream"},
}};

}  // namespace

std::span<const Scenario::Info> Scenario::all() {
    return kScenarios;
}

bool Scenario::exists(std::string_view name) {
    return name == kNone || std::any_of(kScenarios.begin(), kScenarios.end(),
                                        [&](const Info& info) { return info.name == name; });
}

std::unique_ptr<Scenario> Scenario::create(std::string_view name, const LineSettings& line,
                                           uint64_t seed) {
    if (name == "chat") {
        return std::make_unique<ChatScenario>(line, seed, false);
    }
    if (name == "errors") {
        return std::make_unique<ChatScenario>(line, seed, true);
    }
    if (name == "modbus") {
        return std::make_unique<ModbusScenario>(line, seed);
    }
    if (name == "meter") {
        return std::make_unique<MeterScenario>(line, seed);
    }
    if (name == "blocks") {
        return std::make_unique<BlocksScenario>(line, seed);
    }
    if (name == "lines") {
        return std::make_unique<LinesScenario>(line, seed);
    }
    if (name == "flood") {
        return std::make_unique<FloodScenario>(line, seed);
    }
    if (name == "garbage") {
        return std::make_unique<GarbageScenario>(line, seed);
    }
    return nullptr;
}

StreamEvent Scenario::next() {
    while (head_ == events_.size()) {
        events_.clear();
        head_ = 0;
        buildEpisode();
        // Full-duplex episodes are built one direction at a time; put them in time order.
        std::stable_sort(
            events_.begin(), events_.end(),
            [](const StreamEvent& a, const StreamEvent& b) { return a.tick < b.tick; });
    }
    return events_[head_++];
}

uint64_t Scenario::send(bool sd, std::string_view text, uint64_t start) {
    const uint64_t length = line_.characterTicks();
    uint64_t end = start;
    for (const char c : text) {
        end += length;
        events_.push_back(StreamEvent::data(end, sd, line_.mask(static_cast<uint8_t>(c))));
    }
    return end;
}

void Scenario::setLines(uint64_t tick, uint8_t lines) {
    events_.push_back(StreamEvent::line(tick, lines));
}

std::span<StreamEvent> Scenario::eventsFrom(size_t first) {
    return std::span<StreamEvent>(events_).subspan(first);
}

void Scenario::appendRaw(uint64_t tick, uint8_t value) {
    events_.push_back(StreamEvent::raw(tick, value));
}

uint64_t Scenario::pause(uint64_t loMs, uint64_t hiMs) {
    return line_.ticksOfMs(random_.between(loMs, hiMs));
}
