// The sound layer against a real SDL audio device: the `disk` driver, which plays in real time and writes
// every mixed sample to a file, so what the listener would hear can be checked.
#include "audio/fsound.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "audio/Analyser.h"
#include "audio/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToneFile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kToneBin = 20;  // within the bins the show's loudness reads
constexpr double kToneHz = kToneBin * double(kRate) / Analyser::kFrames;
constexpr double kToneSeconds = 2.0;
constexpr auto kPatience = std::chrono::seconds(3);
constexpr auto kOnsetFade = std::chrono::milliseconds(500);  // the onset's splatter falls away in the ballistics' time

// The mixer's threads, by the name SDL gives its playback threads ("SDLAudioP<n>").
int mixerThreads()
{
    int count = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name.rfind("SDLAudio", 0) == 0)
            ++count;
    }
    return count;
}

bool allZero(const float* bins)
{
    for (int k = 0; k < Analyser::kBins; ++k)
        if (bins[k] != 0.0f)
            return false;
    return true;
}

struct Heard {
    float tone = 0.0f;     // the loudest reading of the tone's bin
    float elsewhere = 0.0f;  // the loudest far-away bin in that same reading
};

// Reads the spectrum until the tone's bin has passed 0.9 and the onset has had time to fade, or patience runs
// out; `elsewhere` is of the last reading with the tone above 0.9.
Heard listen()
{
    Heard heard;
    const auto until = std::chrono::steady_clock::now() + kPatience;
    std::optional<std::chrono::steady_clock::time_point> settled;
    while (std::chrono::steady_clock::now() < until && (!settled || std::chrono::steady_clock::now() < *settled)) {
        const float* bins = FSOUND_DSP_GetSpectrum();
        heard.tone = std::fmax(heard.tone, bins[kToneBin]);
        if (bins[kToneBin] > 0.9f) {
            if (!settled) settled = std::chrono::steady_clock::now() + kOnsetFade;
            heard.elsewhere = 0.0f;
            for (int k = 0; k < Analyser::kBins; ++k)
                if (std::abs(k - kToneBin) > 3)
                    heard.elsewhere = std::fmax(heard.elsewhere, bins[k]);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return heard;
}

class Sound : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = makeTempDir();
        ASSERT_FALSE(dir_.empty());
        driver_.emplace("SDL_AUDIODRIVER", "disk");
        output_.emplace("SDL_DISKAUDIOFILE", path("device.raw"));
    }
    void TearDown() override
    {
        FSOUND_Close();
        output_.reset();
        driver_.reset();
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // What reached the device: interleaved stereo floats.
    std::vector<float> deviceSamples() const
    {
        std::ifstream in(path("device.raw"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<float> samples(bytes.size() / sizeof(float));
        std::copy(bytes.begin(), bytes.begin() + samples.size() * sizeof(float),
                  reinterpret_cast<char*>(samples.data()));
        return samples;
    }

    // Plays `file` through the whole layer and reports what the analyser heard.
    Heard play(const std::string& file)
    {
        EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
        FSOUND_STREAM* stream = FSOUND_Stream_Open(file.c_str(), 0, 0, 0);
        EXPECT_NE(nullptr, stream);
        EXPECT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
        EXPECT_TRUE(allZero(FSOUND_DSP_GetSpectrum()));
        EXPECT_EQ(0, FSOUND_Stream_Play(-1, stream));
        const Heard heard = listen();
        EXPECT_TRUE(FSOUND_Stream_Stop(stream));
        EXPECT_TRUE(FSOUND_Stream_Close(stream));
        FSOUND_Close();
        return heard;
    }

    // The layer started and a short tone opened on it; null on a failure.
    FSOUND_STREAM* openShortTone()
    {
        const std::string music = path("music.mp3");
        EXPECT_TRUE(writeMp3Tone(music, kToneHz, 0.5, 0.5));
        EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
        return FSOUND_Stream_Open(music.c_str(), 0, 0, 0);
    }

    std::string dir_;
    std::optional<ScopedEnv> driver_;
    std::optional<ScopedEnv> output_;
};

TEST_F(Sound, Mp3IsHeardByTheAnalyserAndReachesTheDevice)
{
    const std::string music = path("music.mp3");
    ASSERT_TRUE(writeMp3Tone(music, kToneHz, kToneSeconds, 1.0));

    const Heard heard = play(music);
    EXPECT_GT(heard.tone, 0.9f);
    EXPECT_LE(heard.tone, 1.0f);
    EXPECT_LT(heard.elsewhere, 0.05f);

    // The device got the tone: analyse its loudest window of what was written.
    const std::vector<float> out = deviceSamples();
    const int frames = static_cast<int>(out.size() / 2);
    ASSERT_GE(frames, Analyser::kFrames);
    Analyser check;
    float loudest = 0.0f;
    for (int f = 0; f + Analyser::kFrames <= frames; f += Analyser::kFrames / 2) {
        check.push(out.data() + 2 * f, Analyser::kFrames, 2);
        loudest = std::fmax(loudest, check.compute()[kToneBin]);
    }
    EXPECT_GT(loudest, 0.9f);
}

TEST_F(Sound, FormatIsJudgedByContentNotByName)
{
    const std::string music = path("music.mp3");
    ASSERT_TRUE(writeWavTone(music, kToneHz, kToneSeconds, 1.0));
    EXPECT_GT(play(music).tone, 0.9f);
}

TEST_F(Sound, OggAndFlacNamedMp3Play)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    for (const char* type : {"ogg", "flac"}) {
        SCOPED_TRACE(type);
        const std::string encoded = path(std::string("tone.") + type);
        const std::string command = "sox -n -r " + std::to_string(kRate) + " -c 2 '" + encoded + "' synth " +
                                    std::to_string(kToneSeconds) + " sine " + std::to_string(kToneHz) +
                                    " vol 0.99";
        ASSERT_EQ(0, std::system(command.c_str()));
        const std::string music = path("music.mp3");
        fs::rename(encoded, music);
        EXPECT_GT(play(music).tone, 0.9f);
    }
}

TEST_F(Sound, AnalyserOffReadsSilenceWhileMusicPlays)
{
    const std::string music = path("music.mp3");
    ASSERT_TRUE(writeMp3Tone(music, kToneHz, kToneSeconds, 1.0));
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_Open(music.c_str(), 0, 0, 0);
    ASSERT_NE(nullptr, stream);
    ASSERT_EQ(0, FSOUND_Stream_Play(-1, stream));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(allZero(FSOUND_DSP_GetSpectrum()));

    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
    EXPECT_GT(listen().tone, 0.9f);

    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), false));
    EXPECT_TRUE(allZero(FSOUND_DSP_GetSpectrum()));
    EXPECT_FALSE(FSOUND_DSP_SetActive(nullptr, true));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
}

TEST_F(Sound, StoppingAnotherStreamLeavesThePlayingOneAlone)
{
    const std::string music = path("music.mp3");
    ASSERT_TRUE(writeMp3Tone(music, kToneHz, kToneSeconds, 1.0));
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    FSOUND_STREAM* idle = FSOUND_Stream_Open(music.c_str(), 0, 0, 0);
    FSOUND_STREAM* heard = FSOUND_Stream_Open(music.c_str(), 0, 0, 0);
    ASSERT_TRUE(idle && heard);
    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
    ASSERT_EQ(0, FSOUND_Stream_Play(-1, heard));
    EXPECT_TRUE(FSOUND_Stream_Stop(idle));
    EXPECT_TRUE(FSOUND_Stream_Close(idle));
    EXPECT_GT(listen().tone, 0.9f);
    EXPECT_TRUE(FSOUND_Stream_Close(heard));
}

// SDL's audio start-up would otherwise catch these and turn them into an event nobody reads.
TEST_F(Sound, InterruptAndTerminateStillEndTheProcess)
{
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && line.rfind("SigCgt:", 0) != 0) {
    }
    ASSERT_FALSE(line.empty());
    const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
    EXPECT_EQ(0u, caught & (1ull << (SIGINT - 1)));
    EXPECT_EQ(0u, caught & (1ull << (SIGTERM - 1)));
}

// Death tests run in a fresh process, whose exit handlers are registered in a known order.
using SoundDeathTest = Sound;

// The mixer's callback feeds the analyser and reads the music, so none of them may go while it can run: not
// when closed with the music playing, and not when the process exits without closing (a library's own exit):
// the layer then closes itself before the exit handlers registered before it and the static destructors.
TEST_F(SoundDeathTest, NoThreadOfTheLayerOutlivesCloseOrExit)
{
    const std::string music = path("music.mp3");
    ASSERT_TRUE(writeMp3Tone(music, kToneHz, kToneSeconds, 1.0));
    auto playing = [&music] {
        EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
        FSOUND_STREAM* stream = FSOUND_Stream_Open(music.c_str(), 0, 0, 0);
        EXPECT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
        EXPECT_EQ(0, FSOUND_Stream_Play(-1, stream));
        EXPECT_GT(listen().tone, 0.9f);  // the callback is feeding the analyser
        return stream;
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static FSOUND_STREAM* left = nullptr;  // the handle the exiting process never closed
    EXPECT_EXIT(
        {
            std::atexit([] {
                if (mixerThreads() != 0)
                    _exit(3);
                // Handles outlive the layer's close; taken back here, so the sanitizer build's leak check at
                // exit judges the layer, not this test.
                FSOUND_Stream_Close(left);
            });
            left = playing();
            fs::remove_all(dir_);  // this process never reaches TearDown
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");

    FSOUND_STREAM* stream = playing();
    EXPECT_EQ(1, mixerThreads());
    FSOUND_Close();
    EXPECT_EQ(0, mixerThreads());
    EXPECT_TRUE(allZero(FSOUND_DSP_GetSpectrum()));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
}

TEST_F(Sound, SpectrumIsOneLastingArrayOfZerosWithoutSound)
{
    float* before = FSOUND_DSP_GetSpectrum();
    ASSERT_NE(nullptr, before);
    EXPECT_TRUE(allZero(before));
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true));
    EXPECT_EQ(before, FSOUND_DSP_GetSpectrum());
    EXPECT_TRUE(allZero(FSOUND_DSP_GetSpectrum()));  // nothing has played
    FSOUND_Close();
    EXPECT_EQ(before, FSOUND_DSP_GetSpectrum());
    EXPECT_TRUE(allZero(before));
}

TEST_F(Sound, UnknownDriverFailsInitWithOneLine)
{
    ScopedEnv bogus("SDL_AUDIODRIVER", "kiv-no-such-driver");
    testing::internal::CaptureStderr();
    const bool ok = FSOUND_Init(kRate, 32, 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_FALSE(said.empty());
    EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << said;
    EXPECT_EQ(nullptr, FSOUND_Stream_Open(path("music.mp3").c_str(), 0, 0, 0));
    FSOUND_Close();
}

TEST_F(Sound, InitRejectsNoRateAndWorksAgainAfterClose)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(FSOUND_Init(0, 32, 0));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
    FSOUND_Close();
    FSOUND_Close();
    EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
}

TEST_F(Sound, UnreadableFilesGiveNullWithTheirName)
{
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));

    std::vector<unsigned char> noise(64 * 1024);
    unsigned state = 12345;
    for (unsigned char& b : noise) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 16);
    }
    std::ofstream(path("garbage.mp3"), std::ios::binary).write(reinterpret_cast<char*>(noise.data()),
                                                                 static_cast<std::streamsize>(noise.size()));
    std::ofstream(path("empty.mp3"), std::ios::binary).flush();

    for (const char* name : {"missing.mp3", "garbage.mp3", "empty.mp3"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        FSOUND_STREAM* stream = FSOUND_Stream_Open(path(name).c_str(), 0, 0, 0);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(nullptr, stream);
        EXPECT_NE(std::string::npos, said.find(path(name))) << said;
        EXPECT_EQ(1, std::count(said.begin(), said.end(), '\n')) << said;
    }
}

TEST_F(Sound, NullStreamIsSafeEverywhere)
{
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    EXPECT_EQ(-1, FSOUND_Stream_Play(-1, nullptr));
    EXPECT_FALSE(FSOUND_Stream_Stop(nullptr));
    EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
    FSOUND_Close();
    EXPECT_EQ(-1, FSOUND_Stream_Play(-1, nullptr));
    EXPECT_FALSE(FSOUND_Stream_Stop(nullptr));
    EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
}

TEST_F(Sound, StreamThatNeverPlayedStopsAndCloses)
{
    FSOUND_STREAM* stream = openShortTone();
    ASSERT_NE(nullptr, stream);
    EXPECT_TRUE(FSOUND_Stream_Stop(stream));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    EXPECT_FALSE(FSOUND_Stream_Close(stream));  // a second close is refused, not a double free
    FSOUND_Close();
}

TEST_F(Sound, StreamOutlivingCloseCanStillBeClosed)
{
    FSOUND_STREAM* stream = openShortTone();
    ASSERT_NE(nullptr, stream);
    ASSERT_EQ(0, FSOUND_Stream_Play(-1, stream));
    FSOUND_Close();
    EXPECT_EQ(-1, FSOUND_Stream_Play(-1, stream));
    EXPECT_FALSE(FSOUND_Stream_Stop(stream));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
}

}  // namespace
