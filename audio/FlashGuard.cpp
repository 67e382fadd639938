#include "audio/FlashGuard.h"

#include <algorithm>
#include <cmath>

namespace {
// The greys the show draws from a level: backgrounds level² + 0.3, grids level + 0.3 and level + 0.6.
constexpr float kBackgroundFloor = 0.3f;
constexpr double kMiddlePerSize = 0.125;  // how bright a zoomed picture's middle may be, per window of size
constexpr float kGridFloors[] = {0.3f, 0.6f};
constexpr int kBisections = 30;        // finer than a float level needs

// Relative luminance of an sRGB grey.
double luminance(float grey)
{
    const double c = std::clamp(static_cast<double>(grey), 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// A pulsing background's mean relative luminance: its grey times the part of its picture in the window. Zoomed
// in far enough, that part may be brighter than the picture as a whole, as the middles of the show's tunnel and
// galaxy are (0.29 and 0.33 at 2.7 windows, 0.36 and 0.43 at 3.5, 0.46 and 0.54 at 5): so a level that
// swings above full brightness still swings the picture.
double background(float level)
{
    const double amount = static_cast<double>(level) * level + kBackgroundFloor;
    const double size = 1.0 + amount;
    const double picture = std::min(1.0, std::max<double>(FlashGuard::kPictureLuminance, kMiddlePerSize * size));
    return luminance(static_cast<float>(amount)) * picture;
}
}  // namespace

FlashGuard::FlashGuard(int rate) : rate_(rate > 0 ? rate : 1) {}

void FlashGuard::reset()
{
    std::fill(runs_.begin(), runs_.end(), Run{});
    level_ = 0.0f;
    next_ = total_ = 0;
    fallOwed_ = false;
}

void FlashGuard::describe(const ScreenLight& light, double seconds, int64_t frame)
{
    screen_ = light;
    described_ = true;
    zeroSeconds_ = seconds - static_cast<double>(frame) / rate_;
    hint_ = 0;
    const auto& cuts = screen_.cuts;
    nextCut_ = static_cast<size_t>(std::lower_bound(cuts.begin(), cuts.end(), seconds) - cuts.begin());
    size_t most = 1;
    for (const ScreenLight::Span& span : screen_.spans) most = std::max(most, span.layers.size());
    runs_.resize(most);
    look(frame);
}

void FlashGuard::look(int64_t frame)
{
    if (!described_) return;
    const double t = zeroSeconds_ + static_cast<double>(frame) / rate_;
    span_ = screen_.find(t, hint_);
    for (; nextCut_ < screen_.cuts.size() && screen_.cuts[nextCut_] <= t; ++nextCut_)
        for (int i = 0; i < kPerCut; ++i) count(frame);
}

void FlashGuard::count(int64_t frame)
{
    passed_[next_] = frame;
    next_ = (next_ + 1) % kPerFiveSeconds;
    total_ += total_ < kPerFiveSeconds;
}

int FlashGuard::layers() const
{
    return described_ ? (span_ ? static_cast<int>(span_->layers.size()) : 0) : 1;
}

float FlashGuard::layerSwing(int layer, float from, float to) const
{
    if (!described_) return modelSwing(from, to);
    const ScreenLight::Layer& l = span_->layers[static_cast<size_t>(layer)];
    return std::fabs(l.at(from) - l.at(to));
}

float FlashGuard::swing(float from, float to) const
{
    float most = 0.0f;
    for (int i = 0; i < layers(); ++i) most = std::max(most, layerSwing(i, from, to));
    return most;
}

float FlashGuard::modelSwing(float from, float to)
{
    double most = std::fabs(background(from) - background(to));
    for (float floor : kGridFloors)
        most = std::max(most, kPictureLuminance * std::fabs(luminance(from + floor) - luminance(to + floor)));
    return static_cast<float>(most);
}

bool FlashGuard::hasRoom(int64_t frame, int more, int64_t lead) const
{
    // Those let through before frame - span + lead have left the window by the time `lead` is up.
    const auto within = [&](int64_t span) {
        int n = 0;
        for (int i = 0; i < total_; ++i) n += frame - passed_[i] < span - lead;
        return n;
    };
    return within(rate_) + cutsAhead(frame) + more <= kPerSecond &&
           within(5 * static_cast<int64_t>(rate_)) + more <= kPerFiveSeconds;
}

int FlashGuard::cutsAhead(int64_t frame) const
{
    if (!described_) return 0;
    // The screen's own cuts come whatever the level does: the second before one keeps room for it.
    const double until = zeroSeconds_ + static_cast<double>(frame) / rate_ + 1.0;
    int n = 0;
    for (size_t i = nextCut_; i < screen_.cuts.size() && screen_.cuts[i] < until; ++i) n += kPerCut;
    return n;
}

bool FlashGuard::crosses(int layer, float level, float target) const
{
    const Run& r = runs_[static_cast<size_t>(layer)];
    return !r.counted && (level - r.start) * static_cast<float>(r.direction) > 0.0f &&
           layerSwing(layer, r.start, level) >= target;
}

float FlashGuard::held(float level) const
{
    const auto crossesAny = [&](double x) {
        for (int i = 0; i < layers(); ++i)
            if (crosses(i, static_cast<float>(x), kTransition * kHeldShare)) return true;
        return false;
    };
    double near = level_, far = level;  // from what shows now, short of every run's next transition
    if (crossesAny(near)) return level_;
    for (int i = 0; i < kBisections; ++i) {
        const double mid = 0.5 * (near + far);
        (crossesAny(mid) ? far : near) = mid;
    }
    return static_cast<float>(near);
}

float FlashGuard::limit(float level, int64_t frame)
{
    if (!(level >= 0.0f)) level = 0.0f;
    level = std::min(level, kLoudest);
    look(frame);
    // Each layer is followed as a screen of its own: whichever of them the screen mostly shows, its runs end
    // where the meter's would, and no run of any of them makes a transition unbudgeted.
    const int n = layers();
    int crossing = 0;  // the direction of the runs this level takes to a transition
    for (int i = 0; i < n; ++i) {
        Run& r = runs_[static_cast<size_t>(i)];
        const int heading = level > r.extreme ? 1 : (level < r.extreme ? -1 : 0);
        if (heading != 0 && heading != r.direction && layerSwing(i, r.extreme, level) > kHysteresis) {
            r.start = r.extreme;  // a new run, from the furthest point of the last
            r.direction = heading;
            r.counted = false;
        }
        if (crosses(i, level, kTransition)) crossing = r.direction;
    }
    if (crossing != 0) {
        // A rise goes only with room for the fall that will undo it, kFallLead later: so a beat held back is a
        // pulse short of a transition, never a level left up for want of budget. The fall, when it comes,
        // has the room kept for it, or waits the moment until an older transition leaves the window.
        const int64_t lead = static_cast<int64_t>(kFallLead * rate_);
        const bool room = crossing > 0 ? hasRoom(frame, fallOwed_ ? 2 : 1, 0) && hasRoom(frame, kPerFlash, lead)
                                       : hasRoom(frame, 1, 0);
        if (room) {
            count(frame);
            fallOwed_ = crossing > 0;  // one fall undoes however many rises came before it
            // The layers are one screen moving one way: each of them running that way is in this transition.
            for (int i = 0; i < n; ++i)
                if (runs_[static_cast<size_t>(i)].direction == crossing) runs_[static_cast<size_t>(i)].counted = true;
        } else {
            level = held(level);
        }
    }
    for (int i = 0; i < n; ++i) {
        Run& r = runs_[static_cast<size_t>(i)];
        if ((level - r.extreme) * static_cast<float>(r.direction) > 0.0f) r.extreme = level;
    }
    level_ = level;
    return level;
}
