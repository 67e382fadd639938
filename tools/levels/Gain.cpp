#include "tools/levels/Gain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

Gain::Gain(double decibels) : decibels_(decibels), factor_(static_cast<float>(std::pow(10.0, decibels / 20.0))) {}

bool Gain::parse(const std::string& text, double& decibels)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end || !std::isfinite(value)) return false;
    decibels = value;
    return true;
}

void Gain::apply(float* samples, long count) const
{
    if (factor_ == 1.0f) return;
    for (long i = 0; i < count; ++i) samples[i] = std::clamp(samples[i] * factor_, -1.0f, 1.0f);
}
