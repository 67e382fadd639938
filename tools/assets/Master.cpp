#include "tools/assets/Master.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace {
constexpr float kMakeUpGain = 0.7f;
// The show hears 86 Hz - 2.5 kHz: a broad lift in its middle and less of the lowest bass let the music
// read louder there for the same peaks.
constexpr double kPresenceHz = 1400.0;
constexpr double kPresenceQ = 0.6;
constexpr double kPresenceGain = 2.0;  // +6 dB
constexpr double kLowHz = 110.0;
constexpr double kLowGain = 0.7;       // -3 dB below it
constexpr int kLookAhead = 96;          // frames (about 2 ms): the gain is down before a peak arrives
constexpr double kReleaseTime = 0.08;   // seconds for the gain to win back most of a reduction

float fadeGain(double t)
{
    if (t <= kFadeStart) return 1.0f;
    if (t >= kFadeEnd) return 0.0f;
    double u = (t - kFadeStart) / (kFadeEnd - kFadeStart);
    return static_cast<float>((1.0 - u) * (1.0 - u));
}

void equalise(std::vector<float>& channel)
{
    Filter presence, low;
    for (float& sample : channel) {
        presence.run(sample, kPresenceHz, kPresenceQ);
        double lifted = sample + (kPresenceGain - 1.0) / kPresenceQ * presence.band;
        low.run(lifted, kLowHz, 0.7);
        sample = static_cast<float>(lifted + (kLowGain - 1.0) * low.low);
    }
}

// Gain each frame may have at most so that it stays within the ceiling.
std::vector<float> allowedGains(const Bus& bus)
{
    std::vector<float> allowed(bus.frames());
    for (int i = 0; i < bus.frames(); ++i) {
        float peak = std::max(std::fabs(bus.left[i]), std::fabs(bus.right[i]));
        allowed[i] = peak > kMasterCeiling ? kMasterCeiling / peak : 1.0f;
    }
    return allowed;
}

// min over [i, i + width) for every i: a gain low enough for everything coming up.
std::vector<float> minimumAhead(const std::vector<float>& v, int width)
{
    int n = static_cast<int>(v.size());
    std::vector<float> out(n);
    std::deque<int> candidates;  // indices with increasing values
    for (int i = n - 1; i >= 0; --i) {
        while (!candidates.empty() && v[candidates.back()] >= v[i]) candidates.pop_back();
        candidates.push_back(i);
        while (candidates.front() >= i + width) candidates.pop_front();
        out[i] = v[candidates.front()];
    }
    return out;
}
}  // namespace

void master(Bus& bus)
{
    equalise(bus.left);
    equalise(bus.right);
    for (int i = 0; i < bus.frames(); ++i) {
        float gain = kMakeUpGain * fadeGain(static_cast<double>(i) / kMusicRate);
        bus.left[i] *= gain;
        bus.right[i] *= gain;
    }
    std::vector<float> ahead = minimumAhead(allowedGains(bus), kLookAhead);
    // Averaging the look-ahead minimum over the same width keeps every frame at or below its allowed gain
    // (each averaged value saw that frame) while turning steps into ramps.
    const float release = static_cast<float>(1.0 - std::exp(-1.0 / (kReleaseTime * kMusicRate)));
    double sum = 0.0;
    float gain = 1.0f;
    for (int i = 0; i < bus.frames(); ++i) {
        sum += ahead[i];
        if (i >= kLookAhead) sum -= ahead[i - kLookAhead];
        float smooth = static_cast<float>(sum / std::min(i + 1, kLookAhead));
        gain = std::min(smooth, gain + (1.0f - gain) * release);
        bus.left[i] = std::clamp(bus.left[i] * gain, -kMasterCeiling, kMasterCeiling);
        bus.right[i] = std::clamp(bus.right[i] * gain, -kMasterCeiling, kMasterCeiling);
    }
}
