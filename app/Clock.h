#pragma once
#include <cstdint>

// Milliseconds from a monotonic clock, as an unsigned 32-bit count that wraps.
uint32_t timeGetTime();
