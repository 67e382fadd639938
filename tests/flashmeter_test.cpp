// The flash meter on generated clips whose answers are known from the criteria.
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "render/FlashMeter.h"
#include "tests/support/AllocationCounter.h"

namespace {
constexpr int kWidth = 160, kHeight = 90;
constexpr double kPi = 3.14159265358979;

struct Rgb {
    uint8_t r, g, b;
};
const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

// The colour of pixel (x, y) at time t seconds.
using Clip = std::function<Rgb(int x, int y, double t)>;

// A square wave between two colours, `hz` cycles a second, starting on `low`.
Rgb square(double hz, double t, Rgb low, Rgb high)
{
    return std::fmod(t * hz, 1.0) < 0.5 ? low : high;
}

FlashSummary measure(const Clip& clip, double seconds, int fps, double startSeconds = 0)
{
    FlashMeter meter(kWidth, kHeight, fps, startSeconds);
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    const long frames = std::lround(seconds * fps);
    for (long n = 0; n < frames; ++n) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Rgb c = clip(x, y, static_cast<double>(n) / fps);
                uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
                p[0] = c.r, p[1] = c.g, p[2] = c.b;
            }
        EXPECT_TRUE(meter.add({rgb.data(), kWidth, kHeight, kWidth * 3, PixelLayout::Rgb}));
    }
    EXPECT_EQ(frames, meter.summary().frames);
    return meter.summary();
}

class FlashMeterAt : public testing::TestWithParam<int> {
protected:
    int fps() const { return GetParam(); }
};
}  // namespace

TEST_P(FlashMeterAt, FullScreenFlashesFailByRateAndByDuration)
{
    // 5 Hz: ten transitions a second, over the limit from the seventh.
    const FlashSummary fast = measure([](int, int, double t) { return square(5, t, kBlack, kWhite); }, 3, fps(), 20);
    EXPECT_EQ(10, fast.general.mostInOneSecond);
    EXPECT_GE(fast.general.mostAt, 20.0) << "times count from the first frame's";
    EXPECT_GT(fast.general.secondsOver, 1.8);
    EXPECT_FALSE(fast.passes());

    // 2 Hz for 6 s: four transitions a second, under the limit, but held for more than four seconds of five.
    const FlashSummary held = measure([](int, int, double t) { return square(2, t, kBlack, kWhite); }, 6, fps());
    EXPECT_EQ(23, held.general.transitions) << "one at each change of colour";
    EXPECT_EQ(4, held.general.mostInOneSecond);
    EXPECT_EQ(0.0, held.general.secondsOver);
    EXPECT_GT(held.general.extendedSeconds, 1.0);
    EXPECT_FALSE(held.passes());
    EXPECT_TRUE(held.red.passes()) << "grey has no red";

    // The same 2 Hz for 3 s only: not yet extended.
    EXPECT_TRUE(measure([](int, int, double t) { return square(2, t, kBlack, kWhite); }, 3, fps()).passes());
}

TEST_P(FlashMeterAt, SmallOrBrightFlashesAndSlowChangesPass)
{
    // 5 Hz in the top tenth of the picture: the mean moves by 0.1, but too little of the picture flashes.
    const FlashSummary tenth = measure(
        [](int, int y, double t) { return y < kHeight / 10 ? square(5, t, kBlack, kWhite) : kBlack; }, 3, fps());
    EXPECT_EQ(0, tenth.general.transitions);
    EXPECT_TRUE(tenth.passes());
    // A third of it does fail.
    EXPECT_FALSE(measure([](int, int y, double t) { return y < kHeight / 3 ? square(5, t, kBlack, kWhite) : kBlack; },
                         3, fps())
                     .passes());

    // Between 0.85 and 1.0 of full luminance: a change of 0.15, but the darker state is too bright to count.
    const Rgb pale{237, 237, 237};  // linear 0.846
    EXPECT_TRUE(measure([&](int, int, double t) { return square(5, t, pale, kWhite); }, 3, fps()).passes());

    // A slow 0.5 Hz sweep from black to white and back: one transition a second.
    const FlashSummary sweep = measure(
        [](int, int, double t) {
            const auto v = static_cast<uint8_t>(std::lround(127.5 - 127.5 * std::cos(kPi * t)));
            return Rgb{v, v, v};
        },
        10, fps());
    EXPECT_EQ(10, sweep.general.transitions) << "one each half cycle";
    EXPECT_LE(sweep.general.mostInOneSecond, 2);
    EXPECT_TRUE(sweep.passes());

    const FlashSummary still = measure([](int, int, double) { return Rgb{128, 128, 128}; }, 3, fps());
    EXPECT_EQ(0, still.general.transitions);
    EXPECT_EQ(0, still.red.transitions);
    EXPECT_TRUE(still.passes());
}

TEST_P(FlashMeterAt, SaturatedRedFlashesFailTheRedCriterionAlone)
{
    // A dim saturated red on black at 5 Hz: luminance moves by 0.05 only, the red quantity by about 98.
    const Rgb red{150, 0, 0};  // linear 0.305
    const FlashSummary s = measure([&](int, int, double t) { return square(5, t, kBlack, red); }, 3, fps());
    EXPECT_EQ(0, s.general.transitions);
    EXPECT_EQ(10, s.red.mostInOneSecond);
    EXPECT_GT(s.red.secondsOver, 1.8);
    EXPECT_FALSE(s.passes());
    // An orange as bright is not saturated red: R / (R + G + B) < 0.8.
    const Rgb orange{150, 100, 0};
    EXPECT_EQ(0, measure([&](int, int, double t) { return square(5, t, kBlack, orange); }, 3, fps()).red.transitions);
}

INSTANTIATE_TEST_SUITE_P(Fps, FlashMeterAt, testing::Values(30, 60), testing::PrintToStringParamName());

TEST(FlashMeter, ReadsEveryLayoutStrideAndRowOrderAlike)
{
    // A picture with every kind of pixel: a grey ramp over a red, a green and a blue band.
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            const auto v = static_cast<uint8_t>(x * 255 / (kWidth - 1));
            p[0] = y % 30 < 10 ? v : 0, p[1] = y % 30 >= 10 && y % 30 < 20 ? v : 0, p[2] = y % 30 >= 20 ? v : 0;
        }
    FlashMeter plain(kWidth, kHeight, 30);
    ASSERT_TRUE(plain.add({rgb.data(), kWidth, kHeight, kWidth * 3, PixelLayout::Rgb}));

    // BGRA, bottom row first, rows padded to 704 bytes: read through a negative stride.
    const long stride = 704;
    std::vector<uint8_t> bgra(static_cast<size_t>(stride) * kHeight, 0xee);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* s = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            uint8_t* d = &bgra[static_cast<size_t>(kHeight - 1 - y) * stride + x * 4];
            d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
        }
    FlashMeter flipped(kWidth, kHeight, 30);
    ASSERT_TRUE(flipped.add({&bgra[static_cast<size_t>(kHeight - 1) * stride], kWidth, kHeight, -stride,
                             PixelLayout::Bgra}));
    EXPECT_FLOAT_EQ(plain.luminance()[0], flipped.luminance()[0]);
    EXPECT_FALSE(flipped.add({bgra.data(), kWidth, kHeight - 2, stride, PixelLayout::Bgra})) << "another size";

    // Mid grey, 128 of 255, is 0.2158 linear: the transfer function is undone, not ignored.
    const std::vector<uint8_t> grey(static_cast<size_t>(kWidth) * kHeight * 4, 128);
    FlashMeter meter(kWidth, kHeight, 30);
    ASSERT_TRUE(meter.add({grey.data(), kWidth, kHeight, kWidth * 4, PixelLayout::Rgba}));
    EXPECT_NEAR(0.2158, meter.luminance()[0], 1e-4);
}

TEST(FlashMeter, AllocatesNothingPerFrameOnceReserved)
{
    const int fps = 60;
    const long frames = 2 * fps;
    FlashMeter meter(1280, 720, fps, 0, frames);
    std::vector<uint8_t> black(1280 * 720 * 4, 0), white(1280 * 720 * 4, 255);
    AllocationCounter counter;
    for (long n = 0; n < frames; ++n)
        meter.add({(n / 6) % 2 ? white.data() : black.data(), 1280, 720, 1280 * 4, PixelLayout::Bgra});
    EXPECT_EQ(0u, counter.count());
    EXPECT_EQ(static_cast<size_t>(frames), meter.generalPerSecond().size());
    EXPECT_EQ(10, meter.summary().general.mostInOneSecond) << "the same flash at full size";
    EXPECT_EQ(0u, counter.count()) << "reading the results neither";
}
