#pragma once
#include <cstdint>

// A small deterministic generator (splitmix64). The standard library's distributions
// differ between implementations, so every scenario draws its numbers from this one and
// gives the same stream for a seed on every platform.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next();
    // A number from lo to hi, both included (lo <= hi).
    uint64_t between(uint64_t lo, uint64_t hi);
    uint8_t byte() { return static_cast<uint8_t>(next() >> 56); }
    // True with a chance of one in n.
    bool oneIn(uint64_t n) { return between(1, n) == 1; }

  private:
    uint64_t state_;
};
