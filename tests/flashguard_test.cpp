#include "audio/FlashGuard.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "fx/BkgImage.h"
#include "fx/HexColour.h"
#include "audio/ScreenLight.h"

namespace {

constexpr int kRate = 44100;
constexpr int kHop = 256;

double linear(float grey)
{
    const double c = std::clamp(static_cast<double>(grey), 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The guard's model must be at least as steep as every grey the show really draws from the level: if an effect
// starts to draw brighter from the same level, this fails before the show flashes.
TEST(FlashGuard, SwingBoundsEveryGreyTheShowDrawsFromTheLevel)
{
    const std::vector<std::function<float(float)>> greys = {
        [](float level) { return BkgImage::pulseAmount(level); },
        [](float level) { return cellColour(2, 1.0f, level).r; },
        [](float level) { return cellColour(3, 1.0f, level).r; },
        [](float level) { return cellColour(4, 0.0f, level).r; },
    };
    for (float a = 0.0f; a <= 1.6f; a += 0.04f) {
        for (float b = 0.0f; b <= 1.6f; b += 0.04f) {
            for (const auto& grey : greys) {
                const double screen = FlashGuard::kPictureLuminance * std::fabs(linear(grey(a)) - linear(grey(b)));
                ASSERT_GE(FlashGuard::modelSwing(a, b) + 1e-6, screen) << a << " to " << b;
            }
        }
    }
}

// The guard asks the model again for the levels it kept; a kept level must never answer for another, however
// many levels were asked in between.
TEST(FlashGuard, TheModelsKeptLevelsAnswerAsTheModel)
{
    ScreenModel model;
    unsigned seed = 1;
    for (int n = 0; n < 4000; ++n) {
        seed = seed * 1103515245u + 12345u;
        const float a = 0.04f * static_cast<float>((seed >> 8) % 40), b = 0.04f * static_cast<float>((seed >> 16) % 40);
        ASSERT_EQ(model.kept(a, b), ScreenModel::swing(a, b)) << a << " to " << b << ", ask " << n;
    }
}

// Feeds `level(t)` hop by hop for `seconds` and returns what the guard let through.
std::vector<float> guarded(FlashGuard& guard, double seconds, const std::function<float(double)>& level)
{
    std::vector<float> out;
    for (int64_t frame = kHop; frame <= static_cast<int64_t>(seconds * kRate); frame += kHop)
        out.push_back(guard.limit(level(static_cast<double>(frame) / kRate), frame));
    return out;
}

float square(double t, double hertz, float low, float high)
{
    return std::fmod(t * hertz, 1.0) < 0.5 ? high : low;
}

// When each run of a level sequence became a transition, in hops, counted as the criteria count them.
std::vector<int> transitions(const std::vector<float>& levels)
{
    std::vector<int> at;
    float start = 0.0f, extreme = 0.0f;
    int direction = 0;
    bool counted = false;
    for (size_t i = 0; i < levels.size(); ++i) {
        const float level = levels[i];
        const int heading = level > extreme ? 1 : (level < extreme ? -1 : 0);
        if (heading != 0 && heading != direction && FlashGuard::modelSwing(extreme, level) > FlashGuard::kHysteresis) {
            start = extreme;
            direction = heading;
            counted = false;
        }
        if (heading != 0 && heading == direction) extreme = level;
        if (!counted && FlashGuard::modelSwing(start, extreme) >= FlashGuard::kTransition) {
            at.push_back(static_cast<int>(i));
            counted = true;
        }
    }
    return at;
}

int mostWithin(const std::vector<int>& at, double seconds)
{
    const int window = static_cast<int>(seconds * kRate / kHop);
    int most = 0;
    for (size_t i = 0; i < at.size(); ++i)
        most = std::max(most, static_cast<int>(std::upper_bound(at.begin(), at.end(), at[i] + window - 1) -
                                               at.begin() - static_cast<long>(i)));
    return most;
}

TEST(FlashGuard, BeatsSlowEnoughPassUntouched)
{
    FlashGuard guard(kRate);
    const auto beat = [](double t) { return square(t, 1.4, 0.0f, FlashGuard::kLoudest); };  // 2.8 transitions a second
    const std::vector<float> out = guarded(guard, 30.0, beat);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(beat(static_cast<double>((i + 1) * kHop) / kRate), out[i]) << "hop " << i;
}

TEST(FlashGuard, NothingLouderThanTheLoudestPasses)
{
    FlashGuard guard(kRate);
    for (float level : {0.5f, 3.0f, 1e30f, INFINITY, 0.2f, 7.0f})
        EXPECT_LE(guard.limit(level, 0), FlashGuard::kLoudest) << level;
}

TEST(FlashGuard, SwingsBelowATransitionAreFreeAtAnyRate)
{
    FlashGuard guard(kRate);
    const auto flutter = [](double t) { return square(t, 40.0, 0.5f, 0.53f); };
    const std::vector<float> out = guarded(guard, 10.0, flutter);
    ASSERT_LT(FlashGuard::modelSwing(0.5f, 0.53f), FlashGuard::kTransition);
    for (size_t i = 1; i < out.size(); ++i)
        ASSERT_EQ(flutter(static_cast<double>((i + 1) * kHop) / kRate), out[i]) << "hop " << i;
}

// Full swings at 8 Hz would be sixteen transitions a second: the guard lets through at most four in any second
// and fifteen in any five, and what it holds back still moves.
TEST(FlashGuard, FastFullSwingsStayWithinTheBudgetAndStillMove)
{
    for (double hertz : {2.0, 3.0, 8.0, 20.0}) {
        SCOPED_TRACE(hertz);
        FlashGuard guard(kRate);
        const std::vector<float> out = guarded(guard, 30.0, [&](double t) { return square(t, hertz, 0.0f, FlashGuard::kLoudest); });
        const std::vector<int> at = transitions(out);
        // A screen that skips a dip sees a slow climb's transition later than the guard counted it, so a window
        // of its own may hold one more than the budget: the budget's margin is for that.
        EXPECT_LE(mostWithin(at, 1.0), FlashGuard::kPerSecond + 1) << ::testing::PrintToString(at);
        EXPECT_LE(mostWithin(at, 5.0), FlashGuard::kPerFiveSeconds + 1);
        EXPECT_LE(mostWithin(at, 5.0), FlashGuard::kPerFiveSeconds);
        EXPECT_GE(at.size(), 80u);  // about three a second pass: the beat still shows
        const auto [low, high] = std::minmax_element(out.end() - kRate / kHop, out.end());
        EXPECT_GT(*high - *low, 0.1f);
    }
}

// A climb with a dip every other hop, three a second, each dropping back at once: hop by hop every rise is short
// of a transition, but the slowest screen misses the dips and sees each climb whole. Whatever hops its frames
// fall on, it stays within the limit.
TEST(FlashGuard, AScreenThatMissesShortDipsStaysWithinTheBudget)
{
    const auto climb = [](double t) {
        const int hop = static_cast<int>(std::fmod(t, 1.0 / 3.0) * kRate / kHop);
        return hop >= 60 ? 0.2f : 0.2f + 0.02f * static_cast<float>(hop / 2) + (hop % 2 ? 0.0f : 0.04f);
    };
    ASSERT_LT(FlashGuard::modelSwing(0.24f, 0.26f), FlashGuard::kTransition);
    FlashGuard guard(kRate);
    const std::vector<float> out = guarded(guard, 10.0, climb);
    const double hopsPerFrame = static_cast<double>(kRate) / kHop / FlashGuard::kSlowestFps;
    for (int phase = 0; phase < hopsPerFrame; ++phase) {
        SCOPED_TRACE(phase);
        std::vector<float> frames;
        std::vector<int> hopOf;
        for (double h = phase; h < static_cast<double>(out.size()); h += hopsPerFrame) {
            frames.push_back(out[static_cast<size_t>(h)]);
            hopOf.push_back(static_cast<int>(h));
        }
        std::vector<int> at;
        for (int i : transitions(frames)) at.push_back(hopOf[static_cast<size_t>(i)]);
        // A screen that skips a dip sees a slow climb's transition later than the guard counted it, so a window
        // of its own may hold one more than the budget: the budget's margin is for that.
        EXPECT_LE(mostWithin(at, 1.0), FlashGuard::kPerSecond + 1) << ::testing::PrintToString(at);
        EXPECT_LE(mostWithin(at, 5.0), FlashGuard::kPerFiveSeconds + 1);
        EXPECT_GE(at.size(), 20u);  // the climbs still show
    }
}

TEST(FlashGuard, AHeldRunIsShortOfATransitionAndResetForgetsTheCount)
{
    FlashGuard guard(kRate);
    const auto fast = [](double t) { return square(t, 8.0, 0.0f, FlashGuard::kLoudest); };
    const std::vector<float> out = guarded(guard, 3.0, fast);
    const auto held =
        std::find_if(out.begin(), out.end(), [](float v) { return v != 0.0f && v != FlashGuard::kLoudest; });
    ASSERT_NE(held, out.end());
    // Held on its way up from 0 or down from the loudest: just short of a transition from where it began.
    const float fromStart =
        std::min(FlashGuard::modelSwing(0.0f, *held), FlashGuard::modelSwing(FlashGuard::kLoudest, *held));
    EXPECT_LT(fromStart, FlashGuard::kTransition * FlashGuard::kHeldShare * 1.01f);
    EXPECT_GT(fromStart, FlashGuard::kTransition * FlashGuard::kHeldShare * 0.9f);

    guard.reset();
    FlashGuard fresh(kRate);
    EXPECT_EQ(guarded(fresh, 3.0, fast), guarded(guard, 3.0, fast));
}

// A layer as bright as a background over a picture of `picture` relative luminance at full grey.
ScreenLight screenOf(float picture, float from = 0.0f, float to = 1e6f)
{
    ScreenLight light;
    ScreenLight::Span span{from, to, {ScreenLight::Layer{}}};
    for (int i = 0; i <= ScreenLight::kSteps; ++i) {
        const float level = ScreenLight::kTop * static_cast<float>(i) / ScreenLight::kSteps;
        span.layers[0].luminance[i] = picture * static_cast<float>(linear(BkgImage::pulseAmount(level)));
    }
    light.spans.push_back(span);
    return light;
}

// The screen's own transitions, as the criteria count them, of a level sequence shown over `light` at time 0.
std::vector<int> screenTransitions(const ScreenLight& light, const std::vector<float>& levels)
{
    std::vector<float> screen;
    for (float level : levels) screen.push_back(light.spans[0].layers[0].at(level));
    std::vector<int> at;
    float start = screen.empty() ? 0.0f : screen[0], extreme = start;
    int direction = 0;
    bool counted = false;
    for (size_t i = 0; i < screen.size(); ++i) {
        const int heading = screen[i] > extreme ? 1 : (screen[i] < extreme ? -1 : 0);
        if (heading != 0 && heading != direction && std::fabs(screen[i] - extreme) > 0.01f) {
            start = extreme;
            direction = heading;
            counted = false;
        }
        if (heading != 0 && heading == direction) extreme = screen[i];
        if (!counted && std::fabs(extreme - start) >= 0.1f) {
            at.push_back(static_cast<int>(i));
            counted = true;
        }
    }
    return at;
}

// Whatever the picture, from a dark one to white, full beats six a second make no more transitions on the
// screen than the budget, and every beat still shows: the brighter the picture, the smaller the swing.
TEST(FlashGuard, ADescribedScreenIsGuardedHoweverBrightItsPictures)
{
    for (float picture : {0.1f, 0.3f, 0.6f, 1.0f}) {
        SCOPED_TRACE(picture);
        const ScreenLight light = screenOf(picture);
        FlashGuard guard(kRate);
        guard.describe(light, 0.0, 0);
        const auto beat = [](double t) { return std::fmod(t * 6.0, 1.0) < 0.3 ? FlashGuard::kLoudest : 0.0f; };
        const std::vector<float> out = guarded(guard, 20.0, beat);
        const std::vector<int> at = screenTransitions(light, out);
        // A screen that skips a dip sees a slow climb's transition later than the guard counted it, so a window
        // of its own may hold one more than the budget: the budget's margin is for that.
        EXPECT_LE(mostWithin(at, 1.0), FlashGuard::kPerSecond + 1) << ::testing::PrintToString(at);
        EXPECT_LE(mostWithin(at, 5.0), FlashGuard::kPerFiveSeconds + 1);
        EXPECT_LE(mostWithin(at, 5.0), FlashGuard::kPerFiveSeconds);
        // Each beat, after the first seconds: the screen rises by a visible step within its hits.
        const int hopsPerBeat = kRate / kHop / 6;
        for (size_t beatStart = 15 * kRate / kHop; beatStart + hopsPerBeat < out.size(); beatStart += hopsPerBeat) {
            const auto [low, high] = std::minmax_element(out.begin() + static_cast<long>(beatStart),
                                                         out.begin() + static_cast<long>(beatStart + hopsPerBeat));
            ASSERT_GT(light.spans[0].layers[0].at(*high) - light.spans[0].layers[0].at(*low), 0.03f) << beatStart;
        }
    }
}

// The guard reads the description by show time, which it keeps with the stream's frames: where nothing
// follows the level the level moves freely, and a picture's span is guarded from its start.
TEST(FlashGuard, TheDescriptionHoldsFromItsShowTimeOn)
{
    const ScreenLight light = screenOf(1.0f, 12.0f, 20.0f);
    FlashGuard guard(kRate);
    guard.describe(light, 10.0, 0);  // stream frame 0 is show time 10
    const auto fast = [](double t) { return square(t, 8.0, 0.0f, FlashGuard::kLoudest); };
    const std::vector<float> out = guarded(guard, 6.0, fast);
    const size_t twelve = 2 * kRate / kHop;
    for (size_t i = 0; i + 1 < twelve; ++i)
        ASSERT_EQ(fast(static_cast<double>((i + 1) * kHop) / kRate), out[i]) << "before 12 s, hop " << i;
    const std::vector<float> shown(out.begin() + static_cast<long>(twelve), out.end());
    EXPECT_LE(mostWithin(screenTransitions(light, shown), 1.0), FlashGuard::kPerSecond);
    EXPECT_GE(screenTransitions(light, shown).size(), 6u);

    // The screen's own cut takes its share of the budget: with a cut as the picture appears, three more in its
    // first second, not five.
    ScreenLight cut = light;
    cut.cuts = {12.0f};
    FlashGuard cutting(kRate);
    cutting.describe(cut, 10.0, 0);
    const std::vector<float> around = guarded(cutting, 3.0, fast);
    const std::vector<float> first(around.begin() + static_cast<long>(twelve), around.end());
    EXPECT_LE(static_cast<int>(screenTransitions(cut, first).size()), FlashGuard::kPerSecond - FlashGuard::kPerCut);
    EXPECT_LE(static_cast<int>(screenTransitions(cut, first).size()), 3);

    // A cut is known before it comes: the second before it keeps its room.
    ScreenLight later = light;
    later.cuts = {14.5f};
    FlashGuard ahead(kRate);
    ahead.describe(later, 10.0, 0);
    const std::vector<float> before = guarded(ahead, 4.5, fast);
    const std::vector<float> lastSecond(before.end() - kRate / kHop, before.end());
    EXPECT_LE(static_cast<int>(screenTransitions(later, lastSecond).size()), FlashGuard::kPerSecond - FlashGuard::kPerCut);

    // A reset forgets the count, not the screen.
    guard.reset();
    EXPECT_LT(guard.swing(0.0f, FlashGuard::kLoudest), 1.0f);
    EXPECT_GT(guard.swing(0.0f, FlashGuard::kLoudest), 0.9f);
}

}  // namespace

namespace {
// Two layers drawn alternately, as a grid over a background: the background swings at the top of the range,
// where the grid has long been at full brightness.
ScreenLight gridOverBackground()
{
    ScreenLight light;
    ScreenLight::Span span{0.0f, 1e6f, {ScreenLight::Layer{}, ScreenLight::Layer{}}};
    for (int i = 0; i <= ScreenLight::kSteps; ++i) {
        const float level = ScreenLight::kTop * static_cast<float>(i) / ScreenLight::kSteps;
        span.layers[0].luminance[i] = 0.21f * static_cast<float>(linear(BkgImage::pulseAmount(level)));
        span.layers[1].luminance[i] = 0.21f * static_cast<float>(linear(cellColour(3, 1.0f, level).r));
    }
    light.spans.push_back(span);
    return light;
}
}  // namespace

// Kicks three a second, each falling away with the show's own 0.1 s: once the budget is spent, a beat is held
// on its way up, never on its way down, so the level falls back between the beats and each one still rises on
// the layer that swings at the bottom of the range as on the one that swings at the top.
TEST(FlashGuard, ABeatHeldBackStillFallsBackAndRisesOnEveryLayer)
{
    const ScreenLight light = gridOverBackground();
    FlashGuard guard(kRate);
    guard.describe(light, 0.0, 0);
    const auto kicks = [](double t) { return static_cast<float>(std::exp(-std::fmod(t, 1.0 / 3.0) / 0.1)); };
    const std::vector<float> out = guarded(guard, 20.0, kicks);
    const int hopsPerBeat = kRate / kHop / 3;
    for (size_t beat = 5 * kRate / kHop; beat + hopsPerBeat < out.size(); beat += hopsPerBeat) {
        const auto from = out.begin() + static_cast<long>(beat);
        const float low = *std::min_element(from, from + hopsPerBeat);
        const float high = *std::max_element(from, from + hopsPerBeat);
        ASSERT_LT(low, 0.2f) << "hop " << beat;
        for (const ScreenLight::Layer& layer : light.spans[0].layers)
            ASSERT_GT(layer.at(high) - layer.at(low), FlashGuard::kTransition / 4) << "hop " << beat;
    }
}
