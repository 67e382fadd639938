// The music decoder against the sound layer itself: what it returns is what FSOUND_* sends to the device.
#include "audio/MusicDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "audio/ScopedEnv.h"
#include "audio/fsound.h"
#include "tests/support/FirstSound.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToneFile.h"

namespace {
namespace fs = std::filesystem;

constexpr int kBlockFrames = 1024;  // the mixer's chunk: the music starts and ends on its boundaries
constexpr auto kPatience = std::chrono::seconds(60);

std::vector<float> decodeAll(const std::string& path, int readFrames)
{
    MusicDecoder decoder(path.c_str());
    EXPECT_TRUE(decoder.ok()) << decoder.error();
    std::vector<float> all, buffer(static_cast<size_t>(readFrames) * MusicDecoder::kChannels);
    for (;;) {
        const int got = decoder.read(buffer.data(), readFrames);
        all.insert(all.end(), buffer.begin(), buffer.begin() + got * MusicDecoder::kChannels);
        if (got < readFrames) break;
    }
    EXPECT_EQ(0, decoder.read(buffer.data(), readFrames));  // stays at the end
    return all;
}

// Plays `path` through the sound layer on the disk driver, unpaced, until the device has written a second
// more than `frames` frames after the music's first sound; returns everything the device got. Timed from that
// sound, not from Play: on a loaded machine Play can wait for the mixer's lock while the unpaced device goes
// on writing silence for seconds.
std::vector<float> playedToDevice(const std::string& path, const std::string& raw, size_t frames)
{
    const ScopedEnv driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", raw), unpaced("SDL_DISKAUDIODELAY", "0");
    EXPECT_TRUE(FSOUND_Init(MusicDecoder::kRate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), 0, 0, 0);
    // The device runs unpaced from Init on, writing silence; the music starts in the block after Play.
    const auto written = [&raw]() -> std::streamoff {
        return fs::exists(raw) ? static_cast<std::streamoff>(fs::file_size(raw) / sizeof(float) * sizeof(float)) : 0;
    };
    std::streamoff scanned = written();
    EXPECT_EQ(0, FSOUND_Stream_Play(-1, stream));
    const auto after = static_cast<std::streamoff>((frames + MusicDecoder::kRate) * MusicDecoder::kChannels * sizeof(float));
    std::streamoff heard = -1;
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < until) {
        const std::streamoff size = written();
        if (heard < 0 && size > scanned) heard = firstSoundInFile(raw, scanned);
        if (heard >= 0 && size >= heard + after) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FSOUND_Stream_Close(stream);
    FSOUND_Close();

    std::ifstream in(raw, std::ios::binary);
    std::vector<float> samples(fs::file_size(raw) / sizeof(float));
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
    return samples;
}
}  // namespace

TEST(MusicDecoder, GivesExactlyWhatTheSoundLayerPlays)
{
    const std::string dir = makeTempDir();
    // 48 kHz, so the mixer's rate conversion is part of what must match; an odd length ends mid-block.
    const std::string music = dir + "/music.mp3";
    ASSERT_TRUE(writeMp3Tone(music, 1000.0, 2.3, 0.8, 48000));

    const std::vector<float> decoded = decodeAll(music, 1000);  // reads that straddle the mixer's blocks
    const size_t frames = decoded.size() / MusicDecoder::kChannels;
    EXPECT_EQ(0u, frames % kBlockFrames);
    EXPECT_NEAR(2.3, static_cast<double>(frames) / MusicDecoder::kRate, 0.1);
    EXPECT_EQ(decoded, decodeAll(music, 4096)) << "the samples do not depend on how they are read";

    const std::vector<float> device = playedToDevice(music, dir + "/device.raw", frames);
    const long deviceSound = firstSound(device), decodedSound = firstSound(decoded);
    ASSERT_GE(deviceSound, 0) << "the music reached the device";
    ASSERT_GE(decodedSound, 0);
    const long start = deviceSound / MusicDecoder::kChannels - decodedSound / MusicDecoder::kChannels;
    ASSERT_GE(start, 0);
    EXPECT_EQ(0, start % kBlockFrames) << "the music starts at a mixing block";
    ASSERT_GE(device.size(), start * MusicDecoder::kChannels + decoded.size() + kBlockFrames);
    const auto from = device.begin() + start * MusicDecoder::kChannels;
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), from)) << "every sample as the device got it";
    EXPECT_TRUE(std::all_of(from + static_cast<long>(decoded.size()), device.end(), [](float s) { return s == 0.0f; }))
        << "nothing of the music after what the decoder gave";
    fs::remove_all(dir);
}

TEST(MusicDecoder, NamesTheFileAndTheReason)
{
    const std::string dir = makeTempDir();
    MusicDecoder missing((dir + "/none.mp3").c_str());
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(std::string::npos, missing.error().find("none.mp3"));
    EXPECT_NE(std::string::npos, missing.error().find("No such file"));
    float out[64];
    EXPECT_EQ(0, missing.read(out, 32));

    std::ofstream(dir + "/noise.mp3") << std::string(5000, 'x');
    MusicDecoder noise((dir + "/noise.mp3").c_str());
    EXPECT_FALSE(noise.ok());
    EXPECT_NE(std::string::npos, noise.error().find("noise.mp3"));
    EXPECT_EQ(std::string::npos, noise.error().find('\n'));
    fs::remove_all(dir);
}
