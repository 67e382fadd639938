#include "audio/Analyser.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kN = Analyser::kFrames;

// `frames` interleaved frames of a sine at `bin` (its centre when whole), the same in every channel,
// starting at frame `first` so that consecutive calls continue one wave.
std::vector<float> sine(double bin, float amplitude, int frames, int channels = 1, int first = 0)
{
    std::vector<float> out(static_cast<size_t>(frames) * channels);
    for (int n = 0; n < frames; ++n)
        for (int c = 0; c < channels; ++c)
            out[n * channels + c] = amplitude * static_cast<float>(std::sin(2.0 * kPi * bin * (first + n) / kN));
    return out;
}

void push(Analyser& a, const std::vector<float>& samples, int channels = 1)
{
    a.push(samples.data(), static_cast<int>(samples.size()) / channels, channels);
}

float maxOutside(const float* bins, int from, int to)
{
    float m = 0.0f;
    for (int k = 0; k < Analyser::kBins; ++k)
        if (k < from || k > to)
            m = std::fmax(m, bins[k]);
    return m;
}

void expectAllZero(const float* bins)
{
    for (int k = 0; k < Analyser::kBins; ++k)
        ASSERT_EQ(0.0f, bins[k]) << "bin " << k;
}

TEST(Analyser, SilenceAndEmptyRingReadZero)
{
    Analyser a;
    expectAllZero(a.compute());
    push(a, std::vector<float>(2 * kN, 0.0f), 2);
    expectAllZero(a.compute());
}

TEST(Analyser, FullScaleSineAtBinCentreReadsOneThereAndHalfBeside)
{
    for (int bin : {2, 20, 59, 300, 510}) {
        Analyser a;
        push(a, sine(bin, 1.0f, kN));
        const float* bins = a.compute();
        EXPECT_NEAR(1.0f, bins[bin], 1e-4f) << "bin " << bin;
        EXPECT_NEAR(0.5f, bins[bin - 1], 1e-4f) << "bin " << bin;
        EXPECT_NEAR(0.5f, bins[bin + 1], 1e-4f) << "bin " << bin;
        EXPECT_LT(maxOutside(bins, bin - 1, bin + 1), 1e-4f) << "bin " << bin;
    }
}

TEST(Analyser, MagnitudeFollowsAmplitude)
{
    Analyser a;
    push(a, sine(40, 0.25f, kN));
    EXPECT_NEAR(0.25f, a.compute()[40], 1e-4f);
}

TEST(Analyser, LouderThanFullScaleClampsAtOne)
{
    Analyser a;
    push(a, sine(30, 3.0f, kN));
    const float* bins = a.compute();
    EXPECT_EQ(1.0f, bins[30]);
    EXPECT_EQ(1.0f, bins[29]);  // 1.5 before clamping
    EXPECT_EQ(1.0f, bins[31]);
    for (int k = 0; k < Analyser::kBins; ++k) {
        EXPECT_GE(bins[k], 0.0f);
        EXPECT_LE(bins[k], 1.0f);
    }
}

TEST(Analyser, BadSamplesStayInRange)
{
    Analyser a;
    std::vector<float> samples = sine(10, 1.0f, kN);
    samples[100] = std::nanf("");
    samples[200] = INFINITY;
    push(a, samples);
    const float* bins = a.compute();
    for (int k = 0; k < Analyser::kBins; ++k)
        ASSERT_TRUE(bins[k] >= 0.0f && bins[k] <= 1.0f) << "bin " << k << " = " << bins[k];
}

TEST(Analyser, FewerFramesThanTheWindowCountMissingOnesAsSilence)
{
    // Half a window of tone under the newer half of the Hann window carries half its weight.
    Analyser partial;
    push(partial, sine(25, 1.0f, kN / 2));
    const float* got = partial.compute();
    EXPECT_NEAR(0.5f, got[25], 0.01f);

    Analyser padded;
    push(padded, std::vector<float>(kN / 2, 0.0f));
    push(padded, sine(25, 1.0f, kN / 2));
    const float* want = padded.compute();
    for (int k = 0; k < Analyser::kBins; ++k)
        ASSERT_NEAR(want[k], got[k], 1e-6f) << "bin " << k;
}

TEST(Analyser, OnlyTheLatestWindowCounts)
{
    Analyser a;
    push(a, sine(10, 1.0f, 3 * kN));
    push(a, sine(30, 1.0f, kN));
    const float* bins = a.compute();
    EXPECT_NEAR(1.0f, bins[30], 1e-4f);
    EXPECT_LT(bins[10], 1e-4f);
}

TEST(Analyser, ChunkedPushesWrapTheRingLikeOnePush)
{
    // Odd chunk sizes make the ring wrap at many offsets. The tone sits between bins so that it does not
    // repeat every window: frames read back in the wrong order would then change the spectrum.
    Analyser chunked;
    push(chunked, sine(7, 0.5f, kN));
    int first = 0;
    for (int size : {1, 333, 77, 1000, 5, 450, 2048, 300}) {
        push(chunked, sine(45.37, 0.8f, size, 2, first), 2);
        first += size;
    }
    Analyser whole;
    push(whole, sine(45.37, 0.8f, kN, 1, first - kN));
    const float* got = chunked.compute();
    const float* want = whole.compute();
    for (int k = 0; k < Analyser::kBins; ++k)
        ASSERT_NEAR(want[k], got[k], 1e-5f) << "bin " << k;
}

TEST(Analyser, ChannelsAreAveraged)
{
    std::vector<float> left = sine(50, 1.0f, kN);
    std::vector<float> stereo(2 * kN);

    for (int n = 0; n < kN; ++n) {
        stereo[2 * n] = left[n];
        stereo[2 * n + 1] = 0.0f;
    }
    Analyser oneSide;
    push(oneSide, stereo, 2);
    EXPECT_NEAR(0.5f, oneSide.compute()[50], 1e-4f);

    for (int n = 0; n < kN; ++n)
        stereo[2 * n + 1] = -left[n];
    Analyser opposed;
    push(opposed, stereo, 2);
    expectAllZero(opposed.compute());

    Analyser six;
    push(six, sine(50, 1.0f, kN, 6), 6);
    EXPECT_NEAR(1.0f, six.compute()[50], 1e-4f);
}

TEST(Analyser, ClearForgetsSamplesAndBins)
{
    Analyser a;
    push(a, sine(12, 1.0f, kN));
    ASSERT_GT(a.compute()[12], 0.99f);
    a.clear();
    expectAllZero(a.bins());
    expectAllZero(a.compute());
    push(a, sine(12, 1.0f, kN / 4));
    EXPECT_GT(a.compute()[12], 0.0f);
}

TEST(Analyser, ComputeFillsTheSameArrayThatBinsReturns)
{
    Analyser a;
    push(a, sine(20, 1.0f, kN));
    float* first = a.compute();
    EXPECT_EQ(first, a.bins());
    EXPECT_EQ(first, a.compute());
    EXPECT_NEAR(1.0f, a.bins()[20], 1e-4f);
}

TEST(Analyser, MeaninglessPushesAddNothing)
{
    Analyser a;
    const std::vector<float> loud = sine(20, 1.0f, kN);
    a.push(nullptr, kN, 1);
    a.push(loud.data(), 0, 1);
    a.push(loud.data(), -5, 1);
    a.push(loud.data(), kN, 0);
    expectAllZero(a.compute());
}

}  // namespace
