#include "Random.h"

uint64_t Random::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t Random::between(uint64_t lo, uint64_t hi) {
    const uint64_t span = hi - lo + 1;
    return span == 0 ? next() : lo + next() % span;
}
