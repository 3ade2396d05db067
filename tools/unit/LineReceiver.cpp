#include "LineReceiver.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <numeric>

namespace {

// Buffers hold this many consumed entries at most before they are moved down.
constexpr size_t kCompactAt = 64;

bool sameFraming(const LineSettings& a, const LineSettings& b) {
    return a.speed == b.speed && a.dataBits == b.dataBits && a.parity == b.parity &&
           a.stopHalves == b.stopHalves;
}

int wholeBits(const LineSettings& line) {
    return 1 + line.dataBits + (line.hasParity() ? 1 : 0) + 1;
}

// The parity bit that makes the character's ones even (or odd) with it.
bool parityBit(const LineSettings& line, unsigned value) {
    const bool odd = (std::popcount(value) & 1) != 0;
    return line.parity == LineSettings::Parity::Even ? odd : !odd;
}

template <typename T>
void dropConsumed(std::vector<T>& items, size_t& next) {
    if (next == items.size()) {
        items.clear();
        next = 0;
    } else if (next >= kCompactAt) {
        items.erase(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(next));
        next = 0;
    }
}

}  // namespace

LineReceiver::LineReceiver(const LineSettings& truth, const LineSettings& receiver)
    : truth_(truth),
      receiver_(receiver),
      transparent_(sameFraming(truth, receiver)),
      trueBits_(wholeBits(truth)),
      receiverBits_(wholeBits(receiver)) {
    const auto gcd = std::gcd(truth.speed, receiver.speed);
    unitsPerTick_ = static_cast<int64_t>(receiver.speed / gcd);
    unitsPerHalfBit_ = static_cast<int64_t>(truth.speed / gcd);
    sd_.sd = true;
}

uint64_t LineReceiver::settleTicks() const {
    const auto units = static_cast<int64_t>(receiver_.characterTicks()) * unitsPerHalfBit_;
    return static_cast<uint64_t>((units + unitsPerTick_ - 1) / unitsPerTick_) + 1;
}

void LineReceiver::push(const StreamEvent& e, std::vector<StreamEvent>& out) {
    if (transparent_) {
        out.push_back(e);
        return;
    }
    if (e.kind == StreamEvent::Kind::Data) {
        addChar(e.sd ? sd_ : rd_, e);
    } else {
        passed_.push_back(e);
    }
    // Every character still to come ends at this tick or later, so starts one character
    // before it or later.
    const auto length = static_cast<int64_t>(truth_.characterTicks());
    advance((static_cast<int64_t>(e.tick) - length) * unitsPerTick_, out);
}

void LineReceiver::flush(uint64_t tick, std::vector<StreamEvent>& out) {
    if (!transparent_) {
        // Any tick beyond what the units can count (UINT64_MAX for "the line stays idle")
        // is the end of time.
        const auto last =
            static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / unitsPerTick_);
        advance(static_cast<int64_t>(std::min(tick, last)) * unitsPerTick_, out);
    }
}

void LineReceiver::addChar(Wire& wire, const StreamEvent& e) {
    const unsigned value = truth_.mask(e.value);
    unsigned high = value << 1;  // start bit low, data bits from bit 1
    int bit = 1 + truth_.dataBits;
    if (truth_.hasParity()) {
        if (parityBit(truth_, value) != e.parityError) {
            high |= 1U << bit;
        }
        ++bit;
    }
    if (!e.framingError) {
        high |= 1U << bit;
    }
    const auto length = static_cast<int64_t>(truth_.characterTicks());
    wire.chars.push_back(
        {(static_cast<int64_t>(e.tick) - length) * unitsPerTick_, static_cast<uint16_t>(high)});
}

bool LineReceiver::level(const Wire& wire, int64_t t) const {
    const int64_t length = static_cast<int64_t>(truth_.characterTicks()) * unitsPerTick_;
    const int64_t bitUnits = 2 * unitsPerTick_;
    const auto first = wire.chars.begin() + static_cast<std::ptrdiff_t>(wire.head);
    // The characters that cover t start after t - length and at t or before.
    auto it = std::upper_bound(first, wire.chars.end(), t,
                               [](int64_t time, const TrueChar& c) { return time < c.start; });
    while (it != first && (it - 1)->start + length > t) {
        --it;
        const int64_t bit = (t - it->start) / bitUnits;
        // Overlapping characters (which a real line cannot carry) pull it low together.
        if (bit < trueBits_ && ((it->high >> bit) & 1U) == 0) {
            return false;
        }
    }
    return true;
}

int64_t LineReceiver::nextFallingEdge(const Wire& wire) const {
    const int64_t bitUnits = 2 * unitsPerTick_;
    int64_t best = -1;
    for (size_t i = wire.head; i < wire.chars.size(); ++i) {
        const TrueChar& c = wire.chars[i];
        if (best >= 0 && c.start >= best) {
            break;
        }
        // A falling edge can only be where a low bit begins.
        for (int bit = 0; bit < trueBits_; ++bit) {
            const int64_t t = c.start + bit * bitUnits;
            if (t >= known_ || (best >= 0 && t >= best)) {
                break;
            }
            if (t > wire.hunt && ((c.high >> bit) & 1U) == 0 && !level(wire, t) &&
                level(wire, t - 1)) {
                best = t;
                break;
            }
        }
    }
    return best;
}

void LineReceiver::decode(Wire& wire) {
    const int64_t half = unitsPerHalfBit_;
    const int dataBits = receiver_.dataBits;
    const int stopBit = receiverBits_ - 1;
    for (;;) {
        if (wire.edge < 0) {
            wire.edge = nextFallingEdge(wire);
        }
        if (wire.edge < 0) {
            // No character starts before known_: nothing before it is needed any more.
            wire.hunt = std::max(wire.hunt, known_ - 1);
            break;
        }
        const int64_t edge = wire.edge;
        if (edge + (2 * stopBit + 1) * half >= known_) {
            break;  // its last sample is still unknown
        }
        wire.edge = -1;
        const auto sample = [&](int bit) { return level(wire, edge + (2 * bit + 1) * half); };
        if (sample(0)) {
            wire.hunt = edge + half;  // a glitch, not a start bit
            continue;
        }
        unsigned value = 0;
        bool anyHigh = false;
        for (int bit = 0; bit < dataBits; ++bit) {
            if (sample(1 + bit)) {
                value |= 1U << bit;
                anyHigh = true;
            }
        }
        bool parityError = false;
        if (receiver_.hasParity()) {
            const bool parity = sample(1 + dataBits);
            anyHigh = anyHigh || parity;
            parityError = parity != parityBit(receiver_, value);
        }
        const bool stop = sample(stopBit);
        const int64_t end =
            edge + static_cast<int64_t>(receiver_.characterTicks()) * unitsPerHalfBit_;
        StreamEvent e =
            StreamEvent::data(static_cast<uint64_t>((end + unitsPerTick_ - 1) / unitsPerTick_),
                              wire.sd, static_cast<uint8_t>(value));
        // A line low all through the character is a break: a NUL with a framing error.
        e.parityError = parityError && (anyHigh || stop);
        e.framingError = !stop;
        wire.decoded.push_back(e);
        wire.hunt = edge + (2 * stopBit + 1) * half;
    }
    const int64_t length = static_cast<int64_t>(truth_.characterTicks()) * unitsPerTick_;
    while (wire.head < wire.chars.size() && wire.chars[wire.head].start + length <= wire.hunt) {
        ++wire.head;
    }
    dropConsumed(wire.chars, wire.head);
}

void LineReceiver::advance(int64_t known, std::vector<StreamEvent>& out) {
    if (known <= known_) {
        return;
    }
    known_ = known;
    decode(rd_);
    decode(sd_);
    release(out);
}

void LineReceiver::release(std::vector<StreamEvent>& out) {
    // A character reported at tick r has its last sample before r; one that starts at or
    // after known_ ends after it. So everything up to this tick is decided.
    const auto last = static_cast<uint64_t>(known_ / unitsPerTick_);
    for (;;) {
        const StreamEvent* best = nullptr;
        size_t* from = nullptr;
        for (auto [items, next] :
             {std::pair{&rd_.decoded, &rd_.next}, std::pair{&sd_.decoded, &sd_.next},
              std::pair{&passed_, &passedNext_}}) {
            if (*next < items->size() && (*items)[*next].tick <= last &&
                (best == nullptr || (*items)[*next].tick < best->tick)) {
                best = &(*items)[*next];
                from = next;
            }
        }
        if (best == nullptr) {
            break;
        }
        out.push_back(*best);
        ++*from;
    }
    dropConsumed(rd_.decoded, rd_.next);
    dropConsumed(sd_.decoded, sd_.next);
    dropConsumed(passed_, passedNext_);
}
