#include "audio/FlashGuard.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBisections = 30;        // finer than a float level needs
}  // namespace

FlashGuard::FlashGuard(int rate) : rate_(rate > 0 ? rate : 1)
{
    views_[1].shortestTurn = rate_ / kSlowestFps;
}

void FlashGuard::reset()
{
    for (View& view : views_) {
        std::fill(view.runs.begin(), view.runs.end(), Run{});
        view.next = view.total = 0;
        view.fallOwed = false;
    }
    level_ = 0.0f;
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
    for (View& view : views_) view.runs.resize(most);
    look(frame);
}

void FlashGuard::look(int64_t frame)
{
    if (!described_) return;
    const double t = zeroSeconds_ + static_cast<double>(frame) / rate_;
    span_ = screen_.find(t, hint_);
    for (; nextCut_ < screen_.cuts.size() && screen_.cuts[nextCut_] <= t; ++nextCut_)
        for (View& view : views_)
            for (int i = 0; i < kPerCut; ++i) count(view, frame);
}

void FlashGuard::count(View& view, int64_t frame)
{
    view.passed[view.next] = frame;
    view.next = (view.next + 1) % kPerFiveSeconds;
    view.total += view.total < kPerFiveSeconds;
}

int FlashGuard::layers() const
{
    return described_ ? (span_ ? static_cast<int>(span_->layers.size()) : 0) : 1;
}

// Inline, as crosses() is: the held level's search calls them thirty times a run.
inline float FlashGuard::layerSwing(int layer, float from, float to) const
{
    if (!described_) return model_.kept(from, to);
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
    return ScreenModel::swing(from, to);
}

bool FlashGuard::hasRoom(const View& view, int64_t frame, int more, int64_t lead) const
{
    // Those let through before frame - span + lead have left the window by the time `lead` is up.
    const auto within = [&](int64_t span) {
        int n = 0;
        for (int i = 0; i < view.total; ++i) n += frame - view.passed[i] < span - lead;
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

inline bool FlashGuard::crosses(const View& view, int layer, float level, float target) const
{
    const Run& r = view.runs[static_cast<size_t>(layer)];
    return !r.counted && (level - r.start) * static_cast<float>(r.direction) > 0.0f &&
           layerSwing(layer, r.start, level) >= target;
}

float FlashGuard::held(float level) const
{
    // A layer's luminance only grows with the level, so a run that crosses anywhere between what shows now and
    // `level` crosses at `level`: only those runs are searched, each between what shows now and the nearest
    // level found so far, which is short of every run searched before.
    const float target = kTransition * kHeldShare;
    for (const View& view : views_)
        for (int i = 0; i < layers(); ++i)
            if (crosses(view, i, level_, target)) return level_;
    double nearest = level;
    for (const View& view : views_) {
        for (int i = 0; i < layers(); ++i) {
            if (!crosses(view, i, static_cast<float>(nearest), target)) continue;
            double near = level_, far = nearest;
            for (int k = 0; k < kBisections; ++k) {
                const double mid = 0.5 * (near + far);
                (crosses(view, i, static_cast<float>(mid), target) ? far : near) = mid;
            }
            nearest = near;
        }
    }
    return static_cast<float>(nearest);
}

int FlashGuard::follow(View& view, float level, int64_t frame)
{
    int crossing = 0;
    for (int i = 0; i < layers(); ++i) {
        Run& r = view.runs[static_cast<size_t>(i)];
        const int heading = level > r.extreme ? 1 : (level < r.extreme ? -1 : 0);
        const float turn = heading == 0 || heading == r.direction ? 0.0f : layerSwing(i, r.extreme, level);
        if (turn <= kHysteresis) {
            r.turnedAt = -1;  // back within the run: a screen may have missed the turn altogether
        } else {
            if (r.turnedAt < 0) {
                r.turnedAt = frame;
                r.turnExtreme = r.extreme;
                r.turnCounted = false;
            }
            // A turn this screen may miss goes on the run; one as big as a held beat is seen whenever it is drawn.
            if (r.direction == 0 || frame - r.turnedAt >= view.shortestTurn || turn >= kTransition * kHeldShare) {
                r.start = r.extreme;  // a new run, from the furthest point of the last
                r.extreme = r.turnExtreme;
                r.direction = heading;
                r.counted = r.turnCounted;
                r.turnedAt = -1;
            }
        }
        if (crosses(view, i, level, kTransition)) crossing = r.direction;
    }
    return crossing;
}

float FlashGuard::limit(float level, int64_t frame)
{
    if (!(level >= 0.0f)) level = 0.0f;
    level = std::min(level, kLoudest);
    look(frame);
    // Each layer is followed as a screen of its own: whichever of them the screen mostly shows, its runs end
    // where the meter's would, and no run of any of them makes a transition unbudgeted; and so on either screen.
    const int n = layers();
    int crossing[kScreens];
    bool room = true;
    // A rise goes only with room for the fall that will undo it, kFallLead later: so a beat held back is a pulse
    // short of a transition, never a level left up for want of budget. The fall, when it comes, has the room kept
    // for it, or waits the moment until an older transition leaves the window.
    const int64_t lead = static_cast<int64_t>(kFallLead * rate_);
    for (int v = 0; v < kScreens; ++v) {
        crossing[v] = follow(views_[v], level, frame);
        const View& view = views_[v];
        if (crossing[v] > 0)
            room = room && hasRoom(view, frame, view.fallOwed ? 2 : 1, 0) && hasRoom(view, frame, kPerFlash, lead);
        else if (crossing[v] < 0)
            room = room && hasRoom(view, frame, 1, 0);
    }
    if (room) {
        for (int v = 0; v < kScreens; ++v) {
            if (crossing[v] == 0) continue;
            View& view = views_[v];
            count(view, frame);
            view.fallOwed = crossing[v] > 0;  // one fall undoes however many rises came before it
            // The layers are one screen moving one way: each of them running that way is in this transition.
            // A layer still turning that way is in it too, once its turn is seen.
            for (int i = 0; i < n; ++i) {
                Run& r = view.runs[static_cast<size_t>(i)];
                if (r.direction == crossing[v]) r.counted = true;
                if (r.turnedAt >= 0 && r.direction == -crossing[v]) r.turnCounted = true;
            }
        }
    } else {
        level = held(level);
    }
    for (View& view : views_) {
        for (int i = 0; i < n; ++i) {
            Run& r = view.runs[static_cast<size_t>(i)];
            if ((level - r.extreme) * static_cast<float>(r.direction) > 0.0f) r.extreme = level;
            if (r.turnedAt >= 0 && (r.turnExtreme - level) * static_cast<float>(r.direction) > 0.0f)
                r.turnExtreme = level;
        }
    }
    level_ = level;
    return level;
}
