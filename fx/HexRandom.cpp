#include "fx/HexRandom.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kSeed = 1;
constexpr std::uint32_t kMultiplier = 214013;
constexpr std::uint32_t kIncrement = 2531011;

// Process-wide on purpose: the grids share one sequence of drifts.
std::uint32_t state = kSeed;

}  // namespace

int nextHexRandom() {
    state = state * kMultiplier + kIncrement;  // wraps modulo 2^32
    return static_cast<int>((state >> 16) & 0x7FFF);
}

void resetHexRandom() { state = kSeed; }
