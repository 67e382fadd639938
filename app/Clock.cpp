#include "app/Clock.h"

#include <ctime>

uint32_t timeGetTime()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // wraps every 49.7 days; the show subtracts in 32 bits
}
