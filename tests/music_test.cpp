// The default soundtrack: file format, determinism, and how loud the show's analyser hears it over time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/ShowAudio.h"
#include "fx/Fx.h"
#include "tests/support/DecodedMusic.h"
#include "tests/support/DefaultAssets.h"
#include "tests/support/DesignedRange.h"
#include "tests/support/TempDir.h"
#include "tools/levels/LevelTrace.h"
#include "tools/assets/Master.h"
#include "tools/assets/Mp3Writer.h"
#include "tools/assets/Music.h"
#include "tools/assets/Score.h"

namespace {
namespace fs = std::filesystem;

constexpr double kStep = 0.02;        // seconds between two looks at a band of the spectrum
constexpr double kMusicStart = 12.0;  // show time at which the music starts

std::vector<unsigned char> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Music generated once for the whole suite, to compare with what kiv-assets wrote in a run of its own, and how
// loud the show finds it at every idle pass.
class Music : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new fs::path(makeTempDir());
        ASSERT_FALSE(dir_->empty());
        written_ = writeMusic(dir_->string());
        music_ = new DecodedMusic((*dir_ / "music.mp3").string());
        ShowAudio sound((*dir_ / "music.mp3").c_str());
        trace_ = new LevelTrace(traceShow([&](float* out, int frames) { return sound.read(out, frames); }));
    }
    static void TearDownTestSuite()
    {
        std::error_code ignored;
        fs::remove_all(*dir_, ignored);
        delete trace_;
        delete music_;
        delete dir_;
    }

    // audioLevel of the idle passes in [from, to) music seconds.
    static std::vector<float> levels(double from, double to) { return passes(trace_->level, from, to); }
    static std::vector<float> brightness(double from, double to) { return passes(trace_->brightness, from, to); }
    static std::vector<float> passes(const std::vector<float>& values, double from, double to)
    {
        std::vector<float> out;
        for (size_t i = 0; i < values.size(); ++i)
            if (trace_->time[i] >= kMusicStart + from && trace_->time[i] < kMusicStart + to) out.push_back(values[i]);
        return out;
    }
    static double mean(const std::vector<float>& v)
    {
        double sum = 0.0;
        for (float x : v) sum += x;
        return v.empty() ? 0.0 : sum / v.size();
    }
    static float percentile(std::vector<float> v, double p)
    {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0f : v[static_cast<size_t>(p * (v.size() - 1))];
    }
    // Mean of spectrum bins [first, last] over [from, to): how much of the kick and bass is there.
    static double band(double from, double to, int first, int last)
    {
        double sum = 0.0;
        int count = 0;
        for (double t = from; t < to; t += kStep / 2, ++count) {
            const float* bins = music_->spectrumAt(t);
            for (int k = first; k <= last; ++k) sum += bins[k];
        }
        return count ? sum / count : 0.0;
    }
    static const Section& section(const char* name)
    {
        for (const Section& s : sections())
            if (std::string(s.name) == name) return s;
        ADD_FAILURE() << "no section " << name;
        return sections().front();
    }
    static double sectionStart(const char* name) { return section(name).start; }

    static fs::path* dir_;
    static bool written_;
    static DecodedMusic* music_;
    static LevelTrace* trace_;
};
fs::path* Music::dir_ = nullptr;
bool Music::written_ = false;
DecodedMusic* Music::music_ = nullptr;
LevelTrace* Music::trace_ = nullptr;

TEST_F(Music, IsSameBytesEveryRun)
{
    ASSERT_TRUE(written_);
    ASSERT_FALSE(defaultAssets().empty());
    std::vector<unsigned char> a = readBytes(*dir_ / "music.mp3");
    std::vector<unsigned char> b = readBytes(fs::path(defaultAssets()) / "music.mp3");
    ASSERT_GT(a.size(), 100000u);
    EXPECT_TRUE(a == b);
}

TEST_F(Music, IsStereo44kHzLastingUntilTheShowEnds)
{
    ASSERT_TRUE(music_->ok());
    EXPECT_EQ(music_->rate(), 44100);
    EXPECT_EQ(music_->channels(), 2);
    EXPECT_NEAR(music_->seconds(), 140.0, 0.05);
}

TEST_F(Music, NeverClips)
{
    ASSERT_TRUE(music_->ok());
    float peak = 0.0f;
    for (float s : music_->samples()) peak = std::max(peak, std::fabs(s));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.5f);  // and is not timid either
}

TEST_F(Music, SwingsAcrossTheRangeTheShowIsDesignedFor)
{
    const LevelSummary s = summarise(*trace_);
    std::printf("audioLevel p10 %.2f p50 %.2f p90 %.2f p99 %.2f max %.2f; brightness p10 %.2f p50 %.2f p90 %.2f; "
                "%d onsets, %.2f answered, rise %.2f\n",
                s.level[0], s.level[1], s.level[2], s.level[3], s.level[4], s.brightness[0], s.brightness[1],
                s.brightness[2], s.onsets, s.answered, s.rise);
    ASSERT_GT(s.passes, 60 * 130);
    expectInTheDesignedRange(s);
}

TEST_F(Music, QuietSectionsStayDarkerThanLoudOnes)
{
    auto of = [](std::initializer_list<const char*> names) {
        std::vector<float> all;
        for (const char* name : names) {
            const Section& s = section(name);
            std::vector<float> some = brightness(s.start, s.end);
            all.insert(all.end(), some.begin(), some.end());
        }
        return percentile(all, 0.5);
    };
    const float quiet = of({"intro", "breakdown"});
    const float loud = of({"drop", "main", "finale"});
    const float breakdown = of({"breakdown"});
    std::printf("median brightness: quiet sections %.2f (breakdown %.2f), loud ones %.2f\n", quiet, breakdown, loud);
    EXPECT_GE(loud - quiet, 0.2f);
    EXPECT_GE(loud - breakdown, 0.3f);
}

TEST_F(Music, FadesOutUnderTheClosingPicture)
{
    double finale = mean(levels(120.0, 132.0));
    double fading = mean(levels(136.0, 139.0));
    std::printf("mean audioLevel: finale %.3f, fade-out 136-139 s %.3f\n", finale, fading);
    EXPECT_LT(fading, 0.5 * finale);
    EXPECT_LT(percentile(levels(139.2, 140.0), 1.0), 0.01f);
}

TEST_F(Music, SectionsStartWhereTheShowTurns)
{
    const std::vector<Section>& all = sections();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().start, 0.0);
    EXPECT_EQ(all.back().end, kMusicLength);
    for (size_t i = 1; i < all.size(); ++i) EXPECT_EQ(all[i].start, all[i - 1].end) << all[i].name;
    for (double show : {27.3, 38.8, 53.2, 54.0, 68.8, 76.0, 106.0, 106.8, 144.5, 146.0}) {
        bool found = std::any_of(all.begin(), all.end(),
                                 [&](const Section& s) { return std::fabs(s.start - (show - kMusicStart)) < 1e-9; });
        EXPECT_TRUE(found) << "no section starts at show time " << show;
    }
}

TEST_F(Music, SectionsDifferInLevelAndCharacter)
{
    auto meanOf = [](const char* from, const char* to) { return mean(levels(sectionStart(from), sectionStart(to))); };
    double intro = meanOf("intro", "verse");
    double verse = meanOf("verse", "build");
    double drop = meanOf("drop", "breakdown");
    double breakdown = meanOf("breakdown", "main");
    double main = meanOf("main", "lift");
    std::printf("mean audioLevel: intro %.3f verse %.3f drop %.3f breakdown %.3f main %.3f\n", intro, verse, drop,
                breakdown, main);
    EXPECT_LT(intro, verse);
    EXPECT_LT(breakdown, drop);
    EXPECT_LT(breakdown, main);

    // Kick and bass (bins 1-4, 43-172 Hz) stop in the two breaks and the breakdown and come back after them.
    auto low = [](double from, double to) { return band(from, to, 1, 4); };
    double firstBreak = low(sectionStart("break") + 0.3, sectionStart("drop"));
    double secondBreak = low(sectionStart("lift") + 0.3, sectionStart("finale"));
    double drums = low(sectionStart("drop"), sectionStart("drop") + 4.0);
    std::printf("low band: drop %.3f, breaks %.3f %.3f, breakdown %.3f\n", drums, firstBreak, secondBreak,
                low(sectionStart("breakdown") + 1.0, sectionStart("main")));
    EXPECT_LT(firstBreak, 0.5 * low(sectionStart("build") + 2.0, sectionStart("break")));
    EXPECT_LT(firstBreak, 0.5 * drums);
    EXPECT_LT(secondBreak, 0.5 * low(sectionStart("main"), sectionStart("lift")));
    EXPECT_LT(secondBreak, 0.5 * low(sectionStart("finale"), sectionStart("finale") + 4.0));
}

// A tone written through the encoder and read back through the decoder keeps its level and its timing.
class Mp3RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { dir_ = makeTempDir(); ASSERT_FALSE(dir_.empty()); }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path write(const std::vector<unsigned char>& bytes)
    {
        fs::path path = dir_ / "tone.mp3";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    fs::path dir_;
};

TEST_F(Mp3RoundTrip, ToneKeepsItsBinLevelAndOnset)
{
    constexpr int kRate = 44100;
    constexpr int kBin = 24;
    const double hz = kBin * static_cast<double>(kRate) / Analyser::kFrames;
    std::vector<float> left(kRate, 0.0f), right(kRate, 0.0f);
    constexpr float kAmplitude = 0.02f;  // quiet enough that the analyser's gain does not clamp it
    for (int i = kRate / 2; i < kRate; ++i)
        left[i] = right[i] = kAmplitude * static_cast<float>(std::sin(2.0 * M_PI * hz * i / kRate));
    std::vector<unsigned char> bytes = encodeMp3(left, right, kRate, 192);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes == encodeMp3(left, right, kRate, 192));

    DecodedMusic decoded(write(bytes).string());
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.frames(), kRate);  // the encoder's delay and padding are gone
    const double window = static_cast<double>(Analyser::kFrames) / kRate;
    // The analyser reads magnitude times its gain.
    EXPECT_LT(decoded.spectrumAt(0.5 - 0.03)[kBin] / decoded.gain(), 0.04f * kAmplitude);
    const float* tone = decoded.spectrumAt(0.5 + window + 0.3);  // the onset's splatter has fallen away
    const float gain = decoded.gain();
    EXPECT_NEAR(tone[kBin] / gain, kAmplitude, 0.04f * kAmplitude);
    EXPECT_NEAR(tone[kBin + 1] / gain, 0.5f * kAmplitude, 0.04f * kAmplitude);
    EXPECT_LT(tone[kBin + 3] / gain, 0.04f * kAmplitude);
}

TEST_F(Mp3RoundTrip, SpectrumOutsideTheMusicIsSilence)
{
    std::vector<float> tone(8192);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * static_cast<float>(std::sin(2.0 * M_PI * 500.0 * i / 44100));
    DecodedMusic decoded(write(encodeMp3(tone, tone, 44100, 192)).string());
    ASSERT_TRUE(decoded.ok());
    EXPECT_GT(loudness(decoded.spectrumAt(0.1)), 0.05f);
    EXPECT_EQ(loudness(decoded.spectrumAt(-1.0)), 0.0f);
    EXPECT_EQ(loudness(decoded.spectrumAt(decoded.seconds() + 2.0)), 0.0f);  // once the fall has ended
}

TEST_F(Mp3RoundTrip, UnreadableFileDecodesToNothing)
{
    DecodedMusic missing((dir_ / "none.mp3").string());
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.frames(), 0);
    EXPECT_EQ(loudness(missing.spectrumAt(1.0)), 0.0f);

    std::ofstream(dir_ / "junk.mp3") << std::string(5000, 'x');
    DecodedMusic junk((dir_ / "junk.mp3").string());
    EXPECT_FALSE(junk.ok());
    EXPECT_EQ(loudness(junk.spectrumAt(0.0)), 0.0f);
}

Bus sine(double seconds, double hz, float amplitude)
{
    Bus bus(static_cast<int>(seconds * kMusicRate));
    for (int i = 0; i < bus.frames(); ++i)
        bus.left[i] = bus.right[i] = amplitude * static_cast<float>(std::sin(2.0 * M_PI * hz * i / kMusicRate));
    return bus;
}

float peakOf(const Bus& bus, int from, int to)
{
    float peak = 0.0f;
    for (int i = from; i < to; ++i) peak = std::max({peak, std::fabs(bus.left[i]), std::fabs(bus.right[i])});
    return peak;
}

TEST(Master, KeepsHotPassagesBelowTheCeiling)
{
    Bus bus = sine(2.0, 150.0, 0.05f);
    for (int i = kMusicRate / 2; i < kMusicRate; ++i) bus.left[i] = bus.right[i] = bus.left[i] * 80.0f;  // a burst
    master(bus);
    EXPECT_LE(peakOf(bus, 0, bus.frames()), kMasterCeiling);
    EXPECT_GT(peakOf(bus, kMusicRate / 2, kMusicRate), 0.8f * kMasterCeiling);
    // Turned down, not flattened: a clipped wave would sit at the ceiling for most of the burst.
    int atCeiling = 0;
    for (int i = kMusicRate / 2; i < kMusicRate; ++i) atCeiling += std::fabs(bus.left[i]) >= 0.9999f * kMasterCeiling;
    EXPECT_LT(atCeiling, kMusicRate / 2 / 20);
}

TEST(Master, IsLinearBelowTheCeiling)
{
    Bus quiet = sine(1.0, 440.0, 0.05f);
    Bus twice = sine(1.0, 440.0, 0.1f);
    master(quiet);
    master(twice);
    for (int i = 0; i < quiet.frames(); i += 7) ASSERT_NEAR(twice.left[i], 2.0f * quiet.left[i], 1e-5f) << i;
}

TEST(Master, FadesToSilenceBeforeTheShowEnds)
{
    Bus bus = sine(kMusicLength, 300.0, 0.2f);
    master(bus);
    auto frame = [](double seconds) { return static_cast<int>(seconds * kMusicRate); };
    float playing = peakOf(bus, frame(kFadeStart - 1.0), frame(kFadeStart));
    EXPECT_GT(playing, 0.05f);
    EXPECT_LT(peakOf(bus, frame(kFadeEnd - 1.5), frame(kFadeEnd - 1.0)), 0.1f * playing);
    EXPECT_EQ(peakOf(bus, frame(kFadeEnd), bus.frames()), 0.0f);
}

TEST(MusicFailure, ReportsAnUnwritableDirectory)
{
    EXPECT_FALSE(writeMusic("/nonexistent-kiv-dir/deeper"));
}
}  // namespace
