#include "tools/levels/LevelTrace.h"

#include <algorithm>
#include <cmath>

#include "audio/Analyser.h"
#include "fx/BkgImage.h"
#include "fx/Fx.h"

namespace {
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBeatWindow = 6;        // passes: 100 ms
constexpr float kBeatStep = 0.1f;     // brightness change that counts as a beat

float nearestRank(std::vector<float> values, double share)
{
    if (values.empty()) return 0.0f;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}
}  // namespace

LevelTrace traceShow(const SoundReader& read)
{
    LevelTrace trace;
    Analyser analyser(kRate);
    std::vector<float> chunk;
    long heard = 0;  // frames read so far
    const long passes = static_cast<long>(LevelTrace::kShowEnd * LevelTrace::kPassesPerSecond);
    for (long pass = 0; pass <= passes; ++pass) {
        const double time = static_cast<double>(pass) / LevelTrace::kPassesPerSecond;
        const long until = std::lround(time * kRate);
        if (until > heard) {
            chunk.resize(static_cast<size_t>(until - heard) * kChannels);
            const int got = read(chunk.data(), static_cast<int>(until - heard));
            analyser.push(chunk.data(), got, kChannels);
            if (std::any_of(chunk.begin(), chunk.begin() + static_cast<long>(got) * kChannels,
                            [](float s) { return s != 0.0f; }))
                trace.soundEnd = time;
            heard = until;
        }
        const float level = loudness(analyser.compute());
        trace.time.push_back(static_cast<float>(time));
        trace.level.push_back(level);
        trace.brightness.push_back(std::min(1.0f, BkgImage::pulseAmount(level)));
    }
    return trace;
}

LevelSummary summarise(const LevelTrace& trace)
{
    return summarise(trace, LevelTrace::kMusicStart, trace.soundEnd);
}

LevelSummary summarise(const LevelTrace& trace, double from, double to)
{
    std::vector<float> level, brightness;
    for (size_t i = 0; i < trace.time.size(); ++i) {
        if (trace.time[i] <= from || trace.time[i] >= to) continue;
        level.push_back(trace.level[i]);
        brightness.push_back(trace.brightness[i]);
    }
    LevelSummary s;
    s.passes = static_cast<int>(level.size());
    const double levelShares[] = {0.1, 0.5, 0.9, 0.99, 1.0};
    for (int i = 0; i < 5; ++i) s.level[i] = nearestRank(level, levelShares[i]);
    const double brightShares[] = {0.1, 0.5, 0.9};
    for (int i = 0; i < 3; ++i) s.brightness[i] = nearestRank(brightness, brightShares[i]);

    int windows = 0, beats = 0;
    for (size_t w = 0; w + kBeatWindow <= brightness.size(); w += kBeatWindow, ++windows) {
        const auto [low, high] = std::minmax_element(brightness.begin() + w, brightness.begin() + w + kBeatWindow);
        beats += *high - *low > kBeatStep;
    }
    s.beat = windows ? static_cast<float>(beats) / windows : 0.0f;
    return s;
}
