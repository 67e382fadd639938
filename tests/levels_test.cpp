// How loud the show finds music, as kiv-levels measures it: generated tracks of drums and noise at several
// levels land in the range the show is designed for, silence reads nothing, and the same sound always
// gives the same levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/support/DesignedRange.h"
#include "tools/levels/LevelTrace.h"

namespace {

constexpr int kRate = 44100;
constexpr double kTrackSeconds = 140.0;  // as long as the show plays music
constexpr double kBeat = 0.5;            // seconds: 120 beats a minute
constexpr double kSectionBeats = 16;     // loud and quiet sections take turns, 8 s each
constexpr float kQuietSection = 0.2f;    // -14 dB

// A deterministic noise source (a 32-bit LCG), so every run hears the same track.
struct Noise {
    uint32_t state = 12345u;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }
};

// A kick drum `since` seconds after it was struck: a falling sweep that dies away.
float kick(double since)
{
    const double sweep = 2.0 * M_PI * (50.0 * since + 60.0 * (1.0 - std::exp(-since * 25.0)));
    return 0.6f * static_cast<float>(std::exp(-since * 6.0) * std::sin(sweep));
}

// Mono: a held bass chord, a kick on every beat, a noise snare on every other, a hiss of noise; louder and
// quieter sections in turn.
std::vector<float> drumTrack()
{
    std::vector<float> out(static_cast<size_t>(kTrackSeconds * kRate));
    Noise noise;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double beat = t / kBeat;
        const double since = (beat - std::floor(beat)) * kBeat;  // seconds since the last beat
        const bool offbeat = static_cast<long>(beat) % 2 == 1;
        const float section = static_cast<long>(beat / kSectionBeats) % 2 == 0 ? 1.0f : kQuietSection;
        const float white = noise.next();
        const float snare = offbeat ? 0.3f * white * static_cast<float>(std::exp(-since * 10.0)) : 0.0f;
        float chord = 0.0f;
        for (double hz : {110.0, 165.0, 220.0, 277.2, 440.0})
            chord += 0.06f * static_cast<float>(std::sin(2.0 * M_PI * hz * t));
        out[i] = section * (kick(since) + snare + chord + 0.05f * white);
    }
    return out;
}

// The show's sound for a mono track at `gain`, clipped at full scale: 12 s of silence, then the track.
SoundReader showSound(const std::vector<float>& track, float gain)
{
    auto position = std::make_shared<long>(0);
    return [&track, gain, position](float* out, int frames) {
        const long start = static_cast<long>(LevelTrace::kMusicStart * kRate);
        for (int f = 0; f < frames; ++f, ++*position) {
            const long i = *position - start;
            const float s = i >= 0 && i < static_cast<long>(track.size()) ? track[i] * gain : 0.0f;
            out[2 * f] = out[2 * f + 1] = std::clamp(s, -1.0f, 1.0f);
        }
        return frames;
    };
}

const std::vector<float>& drums()
{
    static const std::vector<float> track = drumTrack();
    return track;
}

TEST(Levels, DrumsAtAnyLevelLandInTheDesignedRange)
{
    for (float db : {0.0f, -20.0f, 12.0f}) {
        SCOPED_TRACE(testing::Message() << db << " dB" << (db > 0 ? ", clipped" : ""));
        const LevelSummary s = summarise(traceShow(showSound(drums(), std::pow(10.0f, db / 20.0f))));
        std::printf("drums %+3.0f dB: level %.2f %.2f %.2f %.2f %.2f, brightness %.2f %.2f %.2f, %d onsets, %.2f "
                    "answered, rise %.2f\n", db, s.level[0], s.level[1], s.level[2], s.level[3], s.level[4],
                    s.brightness[0], s.brightness[1], s.brightness[2], s.onsets, s.answered, s.rise);
        expectInTheDesignedRange(s);
    }
}

// Kicks alone, two a second, from the music's start: each one shows within two frames, the first four in full
// within a tenth of a second; once the flash guard's budget is spent, a hit still rises by a pulse just short of
// a transition.
TEST(Levels, EveryHitOfATwoASecondTrainShowsWithinTwoFrames)
{
    constexpr double kSpacing = 0.5;
    constexpr size_t kTenth = LevelTrace::kPassesPerSecond / 10;
    std::vector<float> track(static_cast<size_t>(30.0 * kRate));
    for (size_t i = 0; i < track.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        track[i] = kick(std::fmod(t, kSpacing));
    }
    const LevelTrace trace = traceShow(showSound(track, 1.0f));
    float smallest = 1.0f;
    for (int hit = 0; hit * kSpacing < 29.0; ++hit) {
        const double at = LevelTrace::kMusicStart + hit * kSpacing;
        const size_t pass = static_cast<size_t>(std::floor(at * LevelTrace::kPassesPerSecond)) + 1;
        if (hit < 4) {
            const auto first = trace.brightness.begin() + static_cast<long>(pass);
            EXPECT_GE(*std::max_element(first, first + kTenth) - first[-1], 0.1f) << "hit " << hit;
        }
        smallest = std::min(smallest, riseAt(trace, pass));
    }
    std::printf("kicks two a second: smallest rise %.3f\n", smallest);
    EXPECT_GT(smallest, 0.03f);
}

TEST(Levels, QuietSectionsStayDarkerThanLoudOnes)
{
    const LevelTrace trace = traceShow(showSound(drums(), 1.0f));
    const double section = kSectionBeats * kBeat;
    const double start = LevelTrace::kMusicStart;
    // The second loud and the second quiet section: the sensitivity has settled on the track by then.
    const LevelSummary loud = summarise(trace, start + 2 * section, start + 3 * section);
    const LevelSummary quiet = summarise(trace, start + 3 * section, start + 4 * section);
    EXPECT_GE(loud.brightness[1] - quiet.brightness[1], 0.2f)
        << "loud " << loud.brightness[1] << ", quiet " << quiet.brightness[1];
}

TEST(Levels, SilenceReadsNothing)
{
    const std::vector<float> silent(static_cast<size_t>(kTrackSeconds * kRate), 0.0f);
    const LevelTrace trace = traceShow(showSound(silent, 1.0f));
    ASSERT_EQ(trace.level.size(), static_cast<size_t>(LevelTrace::kShowEnd * LevelTrace::kPassesPerSecond) + 1);
    EXPECT_TRUE(std::all_of(trace.level.begin(), trace.level.end(), [](float l) { return l == 0.0f; }));
    EXPECT_EQ(summarise(trace).passes, 0);
}

TEST(Levels, SameSoundSameLevelsBitForBit)
{
    const LevelTrace first = traceShow(showSound(drums(), 0.5f));
    const LevelTrace second = traceShow(showSound(drums(), 0.5f));
    ASSERT_EQ(first.level.size(), second.level.size());
    EXPECT_EQ(0, std::memcmp(first.level.data(), second.level.data(), first.level.size() * sizeof(float)));
    // Before the music, nothing; the music's own passes are not all alike.
    EXPECT_EQ(first.level[LevelTrace::kPassesPerSecond * 11], 0.0f);
    EXPECT_GT(summarise(first).level[4], summarise(first).level[0]);
}

}  // namespace
