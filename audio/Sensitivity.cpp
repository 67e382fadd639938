#include "audio/Sensitivity.h"

#include <algorithm>
#include <cmath>

Sensitivity::Sensitivity(double blockSeconds)
    : rise_(1.0 - std::exp(-blockSeconds / kRiseSeconds)), fall_(1.0 - std::exp(-blockSeconds / kFallSeconds))
{
    reset();
}

void Sensitivity::reset()
{
    logEnvelope_ = std::log(static_cast<double>(kTypicalLevel));
    gain_ = kTarget / kTypicalLevel;
}

bool Sensitivity::hears(float level) const
{
    // Silence, NaN and infinity leave the envelope where it is.
    if (!(level > kSilentLevel) || !std::isfinite(level)) return false;
    return std::log(static_cast<double>(level)) - logEnvelope_ >= -std::log(static_cast<double>(kGateRatio));
}

void Sensitivity::measure(float level)
{
    if (!hears(level)) return;
    const double step = std::log(static_cast<double>(level)) - logEnvelope_;
    // In the log domain the envelope sits at the geometric mean, where a track's median loudness lies.
    logEnvelope_ += step * (step > 0.0 ? rise_ : fall_);
    const double gain = static_cast<double>(kTarget) / std::exp(logEnvelope_);
    gain_ = static_cast<float>(std::min(gain, static_cast<double>(kMaxGain)));
}
