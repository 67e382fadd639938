#pragma once
#include <cstdint>

#include "app/Platform.h"

// Binds the runtime to a hand-set clock and spectrum and counts what it asks of the outside world.
// Restores the real bindings and resets the runtime's globals to their start-up values.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    static uint32_t ticks;       // what the clock reads
    static float bins[512];      // what the analyser returns
    static float* spectrumOverride;  // when set, returned instead of bins
    static int plays;
    static int ends;
    static int redisplays;
    static int clears;
    static int swaps;
    static const ScreenLight* described;  // what the show last told the guard, and when
    static float describedAt;

private:
    Platform saved_;
};
