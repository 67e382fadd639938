#include "tools/levels/LevelTrace.h"

#include <algorithm>
#include <cmath>

#include "audio/Analyser.h"
#include "fx/BkgImage.h"
#include "fx/Fx.h"

namespace {
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kOnsetGap = 6;          // passes: 100 ms from one onset to the next
constexpr int kResponsePasses = 2;    // two frames at 60 fps
constexpr double kBandLow = 86.0;     // Hz: the band the show's loudness sums, so that onsets are ones it hears
constexpr double kBandHigh = 2500.0;
constexpr double kPi = 3.14159265358979323846;

// A second-order Butterworth section (the audio EQ cookbook's), high- or low-pass.
class Biquad {
public:
    Biquad(double hertz, bool highPass)
    {
        const double w = 2.0 * kPi * hertz / kRate, alpha = std::sin(w) / std::sqrt(2.0), c = std::cos(w);
        const double a0 = 1.0 + alpha, edge = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
        b0_ = edge / a0;
        b1_ = (highPass ? -2.0 : 2.0) * edge / a0;
        b2_ = b0_;
        a1_ = -2.0 * c / a0;
        a2_ = (1.0 - alpha) / a0;
    }
    double operator()(double x)
    {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

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
    Biquad highPass(kBandLow, true), lowPass(kBandHigh, false);
    const long passes = static_cast<long>(LevelTrace::kShowEnd * LevelTrace::kPassesPerSecond);
    for (long pass = 0; pass <= passes; ++pass) {
        const double time = static_cast<double>(pass) / LevelTrace::kPassesPerSecond;
        const long until = std::lround(time * kRate);
        if (until > heard) {
            chunk.resize(static_cast<size_t>(until - heard) * kChannels);
            const int got = read(chunk.data(), static_cast<int>(until - heard));
            analyser.push(chunk.data(), got, kChannels);
            double square = 0.0;
            for (int f = 0; f < got; ++f) {
                const double mono = lowPass(highPass(0.5 * (static_cast<double>(chunk[2 * f]) + chunk[2 * f + 1])));
                square += mono * mono;
                if (chunk[2 * f] != 0.0f || chunk[2 * f + 1] != 0.0f) trace.soundEnd = time;
            }
            trace.energy.push_back(got > 0 ? static_cast<float>(square / got) : 0.0f);
            heard = until;
        } else {
            trace.energy.push_back(0.0f);
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

std::vector<size_t> onsets(const LevelTrace& trace, double from, double to)
{
    std::vector<float> music;
    for (size_t i = 0; i < trace.time.size(); ++i)
        if (trace.time[i] > from && trace.time[i] < to) music.push_back(trace.energy[i]);
    const float loud = nearestRank(music, 0.9);
    std::vector<size_t> at;
    for (size_t i = 1; i + kResponsePasses < trace.time.size(); ++i) {
        if (trace.time[i] <= from || trace.time[i] >= to) continue;
        const float e = trace.energy[i];
        if (e >= kOnsetJump * trace.energy[i - 1] && e * kOnsetBelow >= loud && e > 0.0f &&
            (at.empty() || i - at.back() >= kOnsetGap))
            at.push_back(i);
    }
    return at;
}

float riseAt(const LevelTrace& trace, size_t i)
{
    float top = trace.brightness[i];
    for (size_t j = i; j < i + kResponsePasses && j < trace.brightness.size(); ++j) top = std::max(top, trace.brightness[j]);
    return top - trace.brightness[i - 1];
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

    std::vector<float> rises;
    for (size_t i : onsets(trace, from, to)) rises.push_back(riseAt(trace, i));
    s.onsets = static_cast<int>(rises.size());
    s.answered = rises.empty() ? 0.0f
                               : static_cast<float>(std::count_if(rises.begin(), rises.end(),
                                                                  [](float r) { return r >= kAnswer; })) /
                                     static_cast<float>(rises.size());
    s.rise = nearestRank(rises, 0.5);
    return s;
}
