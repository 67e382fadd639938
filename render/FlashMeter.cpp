#include "render/FlashMeter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {
constexpr float kFlashChange = 0.1f;      // of the maximum relative luminance, 1.0
constexpr float kDarkLimit = 0.8f;        // a general flash's darker state is below this
constexpr float kRedScale = 320.0f;       // red quantity: (R - G - B) x 320 of a saturated red
constexpr float kRedChange = 20.0f;
constexpr int kSaturation = 4;            // R / (R + G + B) >= 0.8  <=>  R >= 4 (G + B)
constexpr float kAreaShare = 0.25f;       // of the picture: what must change for a transition to count
constexpr float kReversalShare = 0.1f;    // of a transition: the turn back that ends a run, not noise
constexpr int kSampleRows = 180;          // the per-pixel test's grid: about this many rows, or every row
constexpr int kFiveSeconds = 5, kBusySeconds = 4;

constexpr uint32_t kLinearOne = 65535;    // linear values in fixed point
constexpr uint32_t kWeightOne = 16384;    // luminance weights in fixed point: 0.2126, 0.7152, 0.0722
constexpr uint32_t kWeightR = 3483, kWeightG = 11718, kWeightB = kWeightOne - kWeightR - kWeightG;

// The sRGB transfer function undone, per 8-bit code.
const std::array<uint32_t, 256>& linear()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            const double l = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            t[v] = static_cast<uint32_t>(std::lround(l * kLinearOne));
        }
        return t;
    }();
    return table;
}

struct Channels {
    int r, g, b, bytes;
};

Channels channelsOf(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Rgb: return {0, 1, 2, 3};
    case PixelLayout::Bgr: return {2, 1, 0, 3};
    case PixelLayout::Rgba: return {0, 1, 2, 4};
    case PixelLayout::Bgra: return {2, 1, 0, 4};
    }
    return {0, 1, 2, 4};
}

// Sums over every step-th pixel of every step-th row, in fixed point: luminance, and the red quantity of the
// saturated reds.
template <int R, int G, int B, int Bytes>
void sumFrame(const FrameView& f, int step, uint64_t& luminance, uint64_t& red)
{
    const auto& lin = linear();
    for (int y = 0; y < f.height; y += step) {
        const uint8_t* p = f.data + static_cast<long>(y) * f.stride;
        uint64_t rowLuminance = 0, rowRed = 0;
        for (int x = 0; x < f.width; x += step, p += step * Bytes) {
            const uint32_t r = lin[p[R]], g = lin[p[G]], b = lin[p[B]];
            rowLuminance += kWeightR * r + kWeightG * g + kWeightB * b;
            if (r >= kSaturation * (g + b)) rowRed += r - g - b;
        }
        luminance += rowLuminance;
        red += rowRed;
    }
}
}  // namespace

std::string describe(const FlashSummary& s)
{
    char line[512];
    auto counts = [](const FlashCounts& c) {
        char most[64] = "";
        if (c.mostInOneSecond > 0) std::snprintf(most, sizeof most, " (from %.2f s)", c.mostAt);
        char text[200];
        std::snprintf(text, sizeof text,
                      "%d transitions, at most %d in one second%s, %.2f s over the limit, %.2f s extended",
                      c.transitions, c.mostInOneSecond, most, c.secondsOver, c.extendedSeconds);
        return std::string(text);
    };
    std::snprintf(line, sizeof line, "general: %s; red: %s; %s", counts(s.general).c_str(), counts(s.red).c_str(),
                  s.passes() ? "pass" : "FAIL");
    return line;
}

FlashMeter::Track::Track(float threshold, float darkLimit, size_t samples, size_t second)
    : threshold(threshold), darkLimit(darkLimit), start(samples), extreme(samples), current(samples),
      lastSecond(second), lastFive(second * kFiveSeconds)
{
}

// Moves the run on by one frame whose samples are in `current`; true when the run's extreme moved, so the
// run may now make a transition.
bool FlashMeter::Track::follow(float mean)
{
    if (direction == 0 && mean == extremeMean) return false;
    if (direction == 0) {
        direction = mean > startMean ? 1 : -1;
    } else if ((mean - extremeMean) * static_cast<float>(direction) < 0) {
        if ((extremeMean - mean) * static_cast<float>(direction) <= threshold * kReversalShare) return false;
        // Turned back: the new run starts at the old one's extreme.
        start.swap(extreme);
        startMean = extremeMean;
        direction = -direction;
        counted = false;
    }
    extremeMean = mean;
    extreme.swap(current);
    return true;
}

// The share of samples that made the run's change themselves, with their darker state below the limit.
float FlashMeter::Track::changedShare() const
{
    size_t changed = 0;
    const float sign = static_cast<float>(direction);
    for (size_t i = 0; i < start.size(); ++i)
        changed += (extreme[i] - start[i]) * sign >= threshold && std::min(extreme[i], start[i]) < darkLimit;
    return static_cast<float>(changed) / static_cast<float>(start.size());
}

void FlashMeter::Track::tally(long frame, bool transition, FlashCounts& counts, const FlashMeter& meter)
{
    const long second = static_cast<long>(lastSecond.size());
    uint8_t& slot = lastSecond[static_cast<size_t>(frame % second)];
    inSecond += static_cast<int>(transition) - slot;
    slot = transition;
    perSecond.push_back(static_cast<uint16_t>(inSecond));
    counts.transitions += transition;
    if (inSecond > counts.mostInOneSecond) {
        counts.mostInOneSecond = inSecond;
        counts.mostAt = meter.timeOf(std::max(0L, frame - second + 1));
    }
    overFrames += inSecond > kMaxTransitions;
    uint8_t& busy = lastFive[static_cast<size_t>(frame % (second * kFiveSeconds))];
    const bool busyNow = inSecond >= kBusyTransitions;
    busyInFive += static_cast<int>(busyNow) - busy;
    busy = busyNow;
    extendedFrames += busyInFive >= kBusySeconds * second;
    counts.secondsOver = static_cast<double>(overFrames) / meter.fps_;
    counts.extendedSeconds = static_cast<double>(extendedFrames) / meter.fps_;
}

FlashMeter::FlashMeter(int width, int height, double fps, double startSeconds, long expectedFrames)
    : width_(width), height_(height), fps_(fps), start_(startSeconds),
      step_(std::max(1, std::min(width, height) / kSampleRows)), columns_((width + step_ - 1) / step_),
      rows_((height + step_ - 1) / step_),
      general_(kFlashChange, kDarkLimit, static_cast<size_t>(columns_) * rows_, std::max(1L, std::lround(fps))),
      red_(kRedChange, std::numeric_limits<float>::infinity(), static_cast<size_t>(columns_) * rows_,
           std::max(1L, std::lround(fps)))
{
    const size_t reserve = static_cast<size_t>(std::max(0L, expectedFrames));
    luminance_.reserve(reserve);
    general_.perSecond.reserve(reserve);
    red_.perSecond.reserve(reserve);
}

// Fills both tracks' `current` from the sampling grid and returns the means, taken on a grid twice as fine.
void FlashMeter::sample(const FrameView& f, double& luminance, double& red)
{
    const Channels c = channelsOf(f.layout);
    uint64_t luminanceSum = 0, redSum = 0;
    const int meanStep = std::max(1, step_ / 2);
    switch (f.layout) {
    case PixelLayout::Rgb: sumFrame<0, 1, 2, 3>(f, meanStep, luminanceSum, redSum); break;
    case PixelLayout::Bgr: sumFrame<2, 1, 0, 3>(f, meanStep, luminanceSum, redSum); break;
    case PixelLayout::Rgba: sumFrame<0, 1, 2, 4>(f, meanStep, luminanceSum, redSum); break;
    case PixelLayout::Bgra: sumFrame<2, 1, 0, 4>(f, meanStep, luminanceSum, redSum); break;
    }
    const double pixels =
        static_cast<double>((f.width + meanStep - 1) / meanStep) * ((f.height + meanStep - 1) / meanStep);
    luminance = static_cast<double>(luminanceSum) / (pixels * kLinearOne * kWeightOne);
    red = static_cast<double>(redSum) * kRedScale / (pixels * kLinearOne);

    const auto& lin = linear();
    size_t i = 0;
    for (int y = 0; y < f.height; y += step_) {
        const uint8_t* p = f.data + static_cast<long>(y) * f.stride;
        for (int x = 0; x < f.width; x += step_, ++i) {
            const uint8_t* px = p + static_cast<long>(x) * c.bytes;
            const uint32_t r = lin[px[c.r]], g = lin[px[c.g]], b = lin[px[c.b]];
            general_.current[i] =
                static_cast<float>(kWeightR * r + kWeightG * g + kWeightB * b) / (kLinearOne * kWeightOne);
            red_.current[i] = r >= kSaturation * (g + b) ? static_cast<float>(r - g - b) * kRedScale / kLinearOne : 0;
        }
    }
}

bool FlashMeter::add(const FrameView& frame)
{
    if (frame.width != width_ || frame.height != height_ || !frame.data) return false;
    double luminance = 0, red = 0;
    sample(frame, luminance, red);
    const long n = summary_.frames++;
    luminance_.push_back(static_cast<float>(luminance));
    const float means[2] = {static_cast<float>(luminance), static_cast<float>(red)};
    Track* tracks[2] = {&general_, &red_};
    FlashCounts* counts[2] = {&summary_.general, &summary_.red};
    for (int k = 0; k < 2; ++k) {
        Track& t = *tracks[k];
        bool transition = false;
        if (n == 0) {
            t.start = t.extreme = t.current;
            t.startMean = t.extremeMean = means[k];
        } else if (t.follow(means[k]) && !t.counted &&
                   (t.extremeMean - t.startMean) * static_cast<float>(t.direction) >= t.threshold &&
                   std::min(t.startMean, t.extremeMean) < t.darkLimit && t.changedShare() >= kAreaShare) {
            t.counted = transition = true;
        }
        t.tally(n, transition, *counts[k], *this);
    }
    return true;
}
