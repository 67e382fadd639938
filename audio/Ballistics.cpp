#include "audio/Ballistics.h"

#include <cmath>
#include <cstring>

namespace {
// Far below anything the show can show (-140 dB): a fall ends here, so silence reads exactly 0 and the mixer's
// thread never computes with subnormal floats.
constexpr float kFloor = 1e-7f;
}

Ballistics::Ballistics(double hopSeconds) : keep_(static_cast<float>(std::exp(-hopSeconds / kFallSeconds))) {}

void Ballistics::step(const float* heard, float heardLevel, float* shown, float shownLevel, int n) const
{
    if (!(heardLevel < shownLevel) || shownLevel - heardLevel < kFloor) {
        std::memcpy(shown, heard, sizeof(float) * static_cast<size_t>(n));
        return;
    }
    for (int k = 0; k < n; ++k) shown[k] = heard[k] + (shown[k] - heard[k]) * keep_;
}
