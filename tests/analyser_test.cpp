#include "audio/Analyser.h"

#include <cstdint>
#include <cstring>

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "audio/FlashGuard.h"
#include "audio/Sensitivity.h"
#include "fx/Fx.h"

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

// A sine at a bin centre has its amplitude there and half of it in each neighbour, times the gain.
TEST(Analyser, SineAtBinCentreReadsItsAmplitudeThereAndHalfBesideTimesTheGain)
{
    for (int bin : {2, 20, 59, 300, 510}) {
        for (float amplitude : {0.01f, 0.05f}) {
            Analyser a;
            push(a, sine(bin, amplitude, 40 * kN));  // a steady tone: the first hops' partial windows have faded
            const float* bins = a.compute();
            const float g = a.gain();
            EXPECT_NEAR(amplitude * g, bins[bin], 1e-4f) << "bin " << bin;
            EXPECT_NEAR(0.5f * amplitude * g, bins[bin - 1], 1e-4f) << "bin " << bin;
            EXPECT_NEAR(0.5f * amplitude * g, bins[bin + 1], 1e-4f) << "bin " << bin;
            EXPECT_LT(maxOutside(bins, bin - 1, bin + 1), 1e-4f) << "bin " << bin;
        }
    }
}

// Every bin clamps at 1, and the loudness of them all stops at the guard's loudest, all bins alike.
TEST(Analyser, LouderThanFullScaleStaysInRange)
{
    Analyser a;
    push(a, sine(30, 3.0f, kN));
    const float* bins = a.compute();
    EXPECT_EQ(bins[29], bins[30]);  // 1.5 times the tone's bin before clamping
    EXPECT_EQ(bins[31], bins[30]);
    EXPECT_LE(loudness(bins), FlashGuard::kLoudest * (1.0f + 1e-6f));
    for (int k = 0; k < Analyser::kBins; ++k) {
        EXPECT_GE(bins[k], 0.0f);
        EXPECT_LE(bins[k], 1.0f);
    }
    Analyser chord;
    std::vector<float> loud = sine(20, 1.0f, 40 * kN);
    for (int bin : {25, 30, 35, 40, 45}) {
        const std::vector<float> tone = sine(bin, 1.0f, 40 * kN);
        for (size_t n = 0; n < loud.size(); ++n) loud[n] += tone[n];
    }
    push(chord, loud);
    EXPECT_NEAR(FlashGuard::kLoudest, loudness(chord.compute()), 1e-5f);
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
    push(partial, sine(25, 0.02f, kN / 2));
    EXPECT_NEAR(0.01f, partial.compute()[25] / partial.gain(), 2e-4f);
}

TEST(Analyser, TheSpectrumMovesOnlyWhenAHopCompletes)
{
    Analyser a;
    push(a, sine(25, 0.02f, Analyser::kHop - 1));
    expectAllZero(a.compute());
    push(a, sine(25, 0.02f, 1, 1, Analyser::kHop - 1));
    EXPECT_GT(a.compute()[25], 0.0f);
}

// The loudness of a tone shows in the hop that hears it whole; when the tone stops it falls away with the
// ballistics' time constant, not at once, and is gone within a second or two. A new sound shows at once again.
TEST(Analyser, AnAttackShowsInItsHopAndTheFallTakesItsTime)
{
    const int second = 44100 / Analyser::kHop * Analyser::kHop;  // whole hops, so a window is all tone
    Analyser steady;
    push(steady, sine(10, 0.03f, 40 * kN));
    const float tone = loudness(steady.compute()) / steady.gain();

    Analyser a;
    push(a, std::vector<float>(second, 0.0f));
    push(a, sine(10, 0.03f, kN));
    EXPECT_GE(loudness(a.compute()) / a.gain(), 0.999f * tone);
    EXPECT_LE(loudness(a.compute()) / a.gain(), 1.5f * tone);

    push(a, std::vector<float>(kN, 0.0f));  // the tone leaves the window
    const float gone = loudness(a.compute());
    push(a, std::vector<float>(second / 10, 0.0f));
    EXPECT_GT(loudness(a.compute()), 0.25f * gone);
    EXPECT_LT(loudness(a.compute()), 0.5f * gone);
    push(a, std::vector<float>(2 * second, 0.0f));
    expectAllZero(a.compute());

    push(a, sine(30, 0.03f, kN));
    EXPECT_GE(loudness(a.compute()) / a.gain(), 0.999f * tone);
}

// After the ring has wrapped at every hop's offset, the window is still the latest frames in order: a tone
// between bins, which does not repeat within the window, reads as a direct transform of those frames does.
TEST(Analyser, TheWindowIsTheLatestFramesInOrder)
{
    constexpr double kBin = 45.37;
    constexpr int kTotal = 7 * Analyser::kHop + 50 * kN;
    const std::vector<float> tone = sine(kBin, 0.02f, kTotal);
    Analyser a;
    for (int at = 0, size = 1; at < kTotal; at += size, size = size * 7 % 1009 + 1)
        a.push(tone.data() + at, std::min(size, kTotal - at), 1);
    double re = 0.0, im = 0.0, sum = 0.0;
    for (int n = 0; n < kN; ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * n / kN);
        const double x = w * tone[kTotal - kN + n];
        re += x * std::cos(2.0 * kPi * 45 * n / kN);
        im -= x * std::sin(2.0 * kPi * 45 * n / kN);
        sum += w;
    }
    EXPECT_NEAR(2.0 * std::hypot(re, im) / sum, a.compute()[45] / a.gain(), 2e-4);
}

TEST(Analyser, ChannelsAreAveraged)
{
    constexpr int kSteady = 40 * kN;  // the first hops' partial windows have faded
    std::vector<float> left = sine(50, 0.04f, kSteady);
    std::vector<float> stereo(2 * kSteady);

    for (int n = 0; n < kSteady; ++n) {
        stereo[2 * n] = left[n];
        stereo[2 * n + 1] = 0.0f;
    }
    Analyser oneSide;
    push(oneSide, stereo, 2);
    EXPECT_NEAR(0.02f * oneSide.gain(), oneSide.compute()[50], 1e-4f);

    for (int n = 0; n < kSteady; ++n)
        stereo[2 * n + 1] = -left[n];
    Analyser opposed;
    push(opposed, stereo, 2);
    expectAllZero(opposed.compute());

    Analyser six;
    push(six, sine(50, 0.04f, kSteady, 6), 6);
    EXPECT_NEAR(0.04f * six.gain(), six.compute()[50], 1e-4f);
}

TEST(Analyser, ClearForgetsSamplesBinsAndTheSensitivity)
{
    Analyser a;
    const float fresh = a.gain();
    push(a, sine(12, 1.0f, 200 * kN));
    ASSERT_GT(a.compute()[12], 0.99f);
    ASSERT_LT(a.gain(), 0.9f * fresh);  // a loud tone turned it down
    a.clear();
    EXPECT_EQ(fresh, a.gain());
    expectAllZero(a.bins());
    expectAllZero(a.compute());
    push(a, sine(12, 1.0f, Analyser::kHop));
    EXPECT_GT(a.compute()[12], 0.0f);
}

TEST(Analyser, ComputeFillsTheSameArrayThatBinsReturns)
{
    Analyser a;
    push(a, sine(20, 1.0f, kN));
    float* first = a.compute();
    EXPECT_EQ(first, a.bins());
    EXPECT_EQ(first, a.compute());
    EXPECT_GT(a.bins()[20], 0.0f);
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

// Tones at every third bin of the show's band, each of `amplitude`: a steady sound that fills the band
// without clamping, whose band loudness before the gain is 0.1 x 19 x 2 x amplitude.
std::vector<float> chord(float amplitude, double seconds)
{
    std::vector<float> block(kN, 0.0f);  // whole cycles of every tone: blocks repeat
    for (int bin = 3; bin <= 57; bin += 3) {
        const std::vector<float> tone = sine(bin, amplitude, kN);
        for (int n = 0; n < kN; ++n) block[n] += tone[n];
    }
    std::vector<float> out;
    for (int b = static_cast<int>(seconds * 44100 / kN); b > 0; --b) out.insert(out.end(), block.begin(), block.end());
    return out;
}

float loudnessAfter(Analyser& a, const std::vector<float>& samples)
{
    push(a, samples);
    return loudness(a.compute());
}

TEST(Sensitivity, BringsATrackOfAnyLevelToTheTargetLoudness)
{
    for (float amplitude : {0.003f, 0.03f, 0.3f}) {  // -40 to 0 dB around typical music
        SCOPED_TRACE(amplitude);
        Analyser a;
        EXPECT_NEAR(Sensitivity::kTarget, loudnessAfter(a, chord(amplitude, 40.0)), 0.1f * Sensitivity::kTarget);
    }
}

TEST(Sensitivity, KeepsTheContrastOfQuietAndLoudPassagesForSeconds)
{
    Analyser a;
    const float settled = loudnessAfter(a, chord(0.1f, 30.0));
    ASSERT_NEAR(Sensitivity::kTarget, settled, 0.1f * Sensitivity::kTarget);
    // 12 dB quieter: a quarter once the fall has settled, and still well below after three seconds.
    EXPECT_NEAR(0.25f * settled, loudnessAfter(a, chord(0.025f, 0.5)), 0.05f * settled);
    EXPECT_LT(loudnessAfter(a, chord(0.025f, 3.0)), 0.5f * settled);
    // Back up: it flares, then settles again.
    EXPECT_GT(loudnessAfter(a, chord(0.1f, 0.1)), 1.3f * settled);
    EXPECT_NEAR(settled, loudnessAfter(a, chord(0.1f, 15.0)), 0.1f * settled);
}

TEST(Sensitivity, SilenceAndFadeTailsNeitherReadNorMoveIt)
{
    Analyser a;
    push(a, chord(0.03f, 5.0));
    const float gain = a.gain();
    push(a, std::vector<float>(20 * 44100, 0.0f));
    expectAllZero(a.compute());
    EXPECT_EQ(gain, a.gain());
    push(a, chord(0.03f / 300.0f, 5.0));  // 50 dB down: the tail of a fade
    EXPECT_EQ(gain, a.gain());
    EXPECT_LT(loudness(a.compute()), 0.01f);
}

// Noise bursts from a fixed seed: different at every point, the same every run.
std::vector<float> bursts(int frames)
{
    std::vector<float> out(frames);
    uint32_t state = 1u;
    for (int n = 0; n < frames; ++n) {
        state = state * 1664525u + 1013904223u;
        const float noise = static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
        out[n] = noise * ((n / 5000) % 3 == 0 ? 0.6f : 0.05f);
    }
    return out;
}

// Bursts that reverse the level four times a second put the guard to work, too.
TEST(Analyser, SameStreamGivesTheSameSpectrumBitForBitHoweverItIsChunkedAndRead)
{
    const std::vector<float> stream = bursts(8 * 44100);
    const std::vector<std::vector<int>> chunkings = {{1024}, {735}, {1, 333, 4096, 17, 1000, 2}};
    std::vector<std::vector<float>> heard(chunkings.size());
    for (size_t c = 0; c < chunkings.size(); ++c) {
        Analyser a;
        int at = 0;
        size_t next = 0;
        for (int checkpoint = 3001; checkpoint <= static_cast<int>(stream.size()); checkpoint += 3001) {
            while (at < checkpoint) {
                const int size = std::min(chunkings[c][next++ % chunkings[c].size()], checkpoint - at);
                a.push(stream.data() + at, size, 1);
                at += size;
                if (c == 2) a.compute();  // as a show at a thousand frames a second would
            }
            const float* bins = a.compute();
            heard[c].insert(heard[c].end(), bins, bins + Analyser::kBins);
        }
    }
    for (size_t c = 1; c < heard.size(); ++c) {
        ASSERT_EQ(heard[0].size(), heard[c].size());
        EXPECT_EQ(0, std::memcmp(heard[0].data(), heard[c].data(), heard[0].size() * sizeof(float)))
            << "chunking " << c;
    }
}

}  // namespace
