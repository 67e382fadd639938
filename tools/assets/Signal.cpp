#include "tools/assets/Signal.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDt = 1.0 / kMusicRate;

// The correction that turns a naive step into a band-limited one (polynomial band-limited step).
double polyBlep(double phase, double step)
{
    if (phase < step) {
        double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

void advance(double& phase, double step)
{
    phase += step;
    phase -= std::floor(phase);
}
}  // namespace

void Bus::mixIn(const Bus& other, float gain)
{
    for (int i = 0; i < frames() && i < other.frames(); ++i) {
        left[i] += other.left[i] * gain;
        right[i] += other.right[i] * gain;
    }
}

double Oscillator::saw(double hz)
{
    double step = hz * kDt;
    double value = 2.0 * phase - 1.0 - polyBlep(phase, step);
    advance(phase, step);
    return value;
}

double Oscillator::square(double hz)
{
    double step = hz * kDt;
    double half = std::fmod(phase + 0.5, 1.0);
    double value = (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, step) - polyBlep(half, step);
    advance(phase, step);
    return value;
}

double Oscillator::sine(double hz)
{
    double value = std::sin(2.0 * kPi * phase);
    advance(phase, hz * kDt);
    return value;
}

void Filter::run(double x, double hz, double q)
{
    if (hz != hz_ || q != q_) {  // the tangent is the costly part; many filters never move
        hz_ = hz;
        q_ = q;
        double g = std::tan(kPi * std::min(hz, 0.45 * kMusicRate) * kDt);
        k_ = 1.0 / q;
        a1_ = 1.0 / (1.0 + g * (g + k_));
        a2_ = g * a1_;
        a3_ = g * a2_;
    }
    double v3 = x - ic2_;
    double v1 = a1_ * ic1_ + a2_ * v3;
    double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    low = v2;
    band = v1;
    high = x - k_ * v1 - v2;
}

float Noise::next()
{
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_ >> 8) / 8388608.0f - 1.0f;
}
