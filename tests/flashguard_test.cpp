#include "audio/FlashGuard.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "fx/BkgImage.h"
#include "fx/HexColour.h"

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
                ASSERT_GE(FlashGuard::swing(a, b) + 1e-6, screen) << a << " to " << b;
            }
        }
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
        if (heading != 0 && heading != direction && FlashGuard::swing(extreme, level) > FlashGuard::kHysteresis) {
            start = extreme;
            direction = heading;
            counted = false;
        }
        if (heading != 0 && heading == direction) extreme = level;
        if (!counted && FlashGuard::swing(start, extreme) >= FlashGuard::kTransition) {
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
    ASSERT_LT(FlashGuard::swing(0.5f, 0.53f), FlashGuard::kTransition);
    for (size_t i = 1; i < out.size(); ++i)
        ASSERT_EQ(flutter(static_cast<double>((i + 1) * kHop) / kRate), out[i]) << "hop " << i;
}

// Full swings at 8 Hz would be sixteen transitions a second: the guard lets through at most five in any second
// and fifteen in any five, and what it holds back still moves, merged into a raised level.
TEST(FlashGuard, FastFullSwingsStayWithinTheBudgetAndStillMove)
{
    for (double hertz : {2.0, 3.0, 8.0, 20.0}) {
        SCOPED_TRACE(hertz);
        FlashGuard guard(kRate);
        const std::vector<float> out = guarded(guard, 30.0, [&](double t) { return square(t, hertz, 0.0f, FlashGuard::kLoudest); });
        const std::vector<int> at = transitions(out);
        EXPECT_LE(mostWithin(at, 1.0), FlashGuard::kPerSecond);
        EXPECT_LE(mostWithin(at, 5.0), FlashGuard::kPerFiveSeconds);
        EXPECT_GE(at.size(), 80u);  // about three a second pass: the beat still shows
        const auto [low, high] = std::minmax_element(out.end() - kRate / kHop, out.end());
        EXPECT_GT(*high - *low, 0.1f);
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
    EXPECT_LT(FlashGuard::swing(FlashGuard::kLoudest, *held), FlashGuard::kTransition);
    EXPECT_GT(FlashGuard::swing(FlashGuard::kLoudest, *held), 0.9f * FlashGuard::kTransition);

    guard.reset();
    FlashGuard fresh(kRate);
    EXPECT_EQ(guarded(fresh, 3.0, fast), guarded(guard, 3.0, fast));
}

}  // namespace
