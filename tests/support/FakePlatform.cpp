#include "tests/support/FakePlatform.h"

#include <algorithm>

#include "app/Demo.h"
#include "fx/Fx.h"

uint32_t FakePlatform::ticks = 0;
float FakePlatform::bins[512] = {};
float* FakePlatform::spectrumOverride = nullptr;
int FakePlatform::plays = 0;
int FakePlatform::ends = 0;
int FakePlatform::redisplays = 0;
int FakePlatform::clears = 0;
int FakePlatform::swaps = 0;
const ScreenLight* FakePlatform::described = nullptr;
float FakePlatform::describedAt = -1.0f;

FakePlatform::FakePlatform() : saved_(platform)
{
    ticks = 0;
    std::fill(std::begin(bins), std::end(bins), 0.0f);
    spectrumOverride = nullptr;
    plays = ends = redisplays = clears = swaps = 0;
    described = nullptr;
    describedAt = -1.0f;
    audioLevel = 1.0f;
    spectrum = nullptr;
    stream = nullptr;
    musicStarted = false;
    platform = Platform{
        [] { return ticks; },
        [] { return spectrumOverride ? spectrumOverride : bins; },
        [] { ++plays; },
        [] { ++ends; },
        [] { ++redisplays; },
        [] { ++clears; },
        [] { ++swaps; },
        [](const ScreenLight* light, float seconds) {
            described = light;
            describedAt = seconds;
        },
    };
}

FakePlatform::~FakePlatform()
{
    platform = saved_;
}
