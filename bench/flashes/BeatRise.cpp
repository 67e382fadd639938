#include "bench/flashes/BeatRise.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kMusicStart = 12.0;
constexpr double kFirst = 12.5;  // the first picture is up and the sensitivity has found the track
constexpr double kLast = 144.0;  // the last pulsing picture ends at 144.5 s
constexpr double kBefore = 0.05;  // "just before": the lowest frame of the last 50 ms before the hit
}  // namespace

BeatRise beatRise(const std::vector<float>& luminance, double fps, int perSecond)
{
    BeatRise r;
    std::vector<double> rises;
    const long last = static_cast<long>(luminance.size()) - 1;
    const auto frame = [&](double t) { return std::clamp(static_cast<long>(std::floor(t * fps)), 0L, last); };
    for (double hit = kMusicStart; perSecond > 0 && hit < kLast; hit += 1.0 / perSecond) {
        if (hit < kFirst || luminance.empty()) continue;
        const long from = frame(hit - kBefore), at = frame(hit), to = frame(hit + BeatRise::kAnswerSeconds);
        const float low = *std::min_element(luminance.begin() + from, luminance.begin() + at + 1);
        const float high = *std::max_element(luminance.begin() + at, luminance.begin() + to + 1);
        rises.push_back(static_cast<double>(high - low));
        r.each.push_back({hit, rises.back()});
    }
    r.hits = static_cast<int>(rises.size());
    if (rises.empty()) return r;
    std::sort(rises.begin(), rises.end());
    r.least = rises.front();
    r.tenth = rises[rises.size() / 10];
    r.median = rises[rises.size() / 2];
    return r;
}
