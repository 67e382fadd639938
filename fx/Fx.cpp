#include "fx/Fx.h"

namespace {
constexpr int kFirstBin = 2;   // bins 0 and 1 hold DC and rumble
constexpr int kLastBin = 59;   // about 2.5 kHz at 44.1 kHz and 1024-point frames
constexpr float kBinWeight = 0.1f;
}

float loudness(const float* bins)
{
    float sum = 0.0f;
    if (!bins) return sum;
    for (int k = kFirstBin; k <= kLastBin; ++k) sum += bins[k] * kBinWeight;
    return sum;
}
