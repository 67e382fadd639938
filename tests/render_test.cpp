// kiv-render as a user runs it: the video it writes is checked by decoding it again.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "render/VideoFile.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestTiff.h"
#include "render/VideoReader.h"

namespace {
namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr double kMusicStart = 12.0;
constexpr double kToneHz = 20 * 44100.0 / 1024;  // centred on a bin the show's loudness reads
constexpr double kPatience = 120.0;               // seconds: a hang, not a slow machine

// A 16-bit stereo WAV (named as the show names its music) of `seconds`: silence with tone bursts of
// `burst` seconds at each of `starts` (music seconds), at amplitude 0.8.
void writeMusic(const std::string& path, double seconds, const std::vector<double>& starts, double burst)
{
    const int frames = static_cast<int>(seconds * kRate);
    std::vector<int16_t> pcm(2 * static_cast<size_t>(frames), 0);
    for (double start : starts)
        for (int n = static_cast<int>(std::lround(start * kRate)); n < std::min(frames, int((start + burst) * kRate)); ++n)
            pcm[2 * n] = pcm[2 * n + 1] =
                static_cast<int16_t>(std::lround(0.8 * 32767 * std::cos(2 * M_PI * kToneHz * n / kRate)));
    auto le = [](std::ofstream& o, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) o.put(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    std::ofstream out(path, std::ios::binary);
    const uint32_t data = static_cast<uint32_t>(pcm.size() * 2);
    out << "RIFF";
    le(out, 36 + data, 4);
    out << "WAVEfmt ";
    le(out, 16, 4), le(out, 1, 2), le(out, 2, 2), le(out, kRate, 4), le(out, kRate * 4, 4), le(out, 4, 2), le(out, 16, 2);
    out << "data";
    le(out, data, 4);
    out.write(reinterpret_cast<const char*>(pcm.data()), data);
}

class Render : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = makeTempDir();
        // Flat grey pictures: the frame's brightness then moves only with the music and the grids.
        for (const char* name : {"img1.tif", "img2.tif", "img4.tif", "img5.tif"})
            ASSERT_TRUE(writeRgbaTiff(dir_ + "/" + name, 64, 64, [](int, int) { return Rgba8{128, 128, 128, 255}; }));
        // A pointer parked off the window: nothing but the music lights anything.
        std::ofstream(dir_ + "/still.txt") << "0 -0.5 -0.5\n";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Runs kiv-render in the show folder; its exit status (-1: still running after kPatience).
    int render(const std::vector<std::string>& args, const std::string& prefix = "")
    {
        std::vector<std::string> argv;
        if (!prefix.empty()) argv = {"/bin/bash", "-c", prefix + " && exec \"$0\" \"$@\"", KIV_RENDER_BINARY};
        else argv = {KIV_RENDER_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        Process p(argv, {}, dir_);
        const int status = p.wait(kPatience);
        stderr_ = p.stderrText();
        return status;
    }

    // Files in the folder other than the inputs.
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            if (name.find(".tif") == std::string::npos && name != "music.mp3" && name != "still.txt" &&
                name != "path.txt" && name != "ro")
                names.push_back(name);
        }
        return names;
    }

    std::string dir_;
    std::string stderr_;
};

// First stereo frame at or after `from` seconds of the track whose level passes `threshold`.
double firstLoud(const DecodedVideo& v, double from, double threshold)
{
    const size_t channels = static_cast<size_t>(v.audioChannels);
    for (size_t i = static_cast<size_t>(from * v.audioRate) * channels; i < v.audio.size(); ++i)
        if (std::fabs(v.audio[i]) > threshold) return static_cast<double>(i / channels) / v.audioRate;
    return -1;
}
}  // namespace

TEST_F(Render, SoundAndPictureReactToABurstOnTheSameFrame)
{
    // Bursts at show times 14.0, 20.5 and 31.25 s (the music starts at 12 s).
    const std::vector<double> bursts = {14.0, 20.5, 31.25};
    writeMusic(path("music.mp3"), 21.0, {2.0, 8.5, 19.25}, 0.5);
    const int fps = 30;
    const double from = 13.0;
    ASSERT_EQ(0, render({"--size", "128x72", "--fps", "30", "--from", "13", "--to", "32", "--pointer", "still.txt",
                         "--quiet", "out.mp4"}))
        << stderr_;
    const DecodedVideo v = readVideo(path("out.mp4"));
    ASSERT_TRUE(v.ok) << v.error;
    ASSERT_EQ(570u, v.frames.size());
    for (double burst : bursts) {
        SCOPED_TRACE(burst);
        const double heard = from + firstLoud(v, burst - from - 0.4, 0.4);
        // The picture's reaction: the first frame brighter than the silent one before the burst.
        const long quiet = std::lround((burst - 0.2 - from) * fps);
        const double silent = v.brightness(static_cast<size_t>(quiet));
        long k = quiet;
        while (k + 1 < static_cast<long>(v.frames.size()) && v.brightness(static_cast<size_t>(k)) < silent + 1.5) ++k;
        const double seen = from + static_cast<double>(k) / fps;
        EXPECT_NEAR(burst, heard, 0.005) << "the burst is where the music put it";
        EXPECT_GE(seen + 1e-9, heard) << "the picture never reacts before the sound";
        EXPECT_LE(seen - heard, 1.0 / fps + 1e-6) << "and within one frame period after it";
    }
}

TEST_F(Render, StreamsAreExactAndTheSameEveryTime)
{
    writeMusic(path("music.mp3"), 3.0, {0.0}, 3.0);  // loud from the music's first sample
    struct Case {
        const char* file;
        const char* video;
        const char* audio;
    };
    for (const Case& c : {Case{"a.mp4", "h264", "aac"}, Case{"b.mkv", "h264", "flac"}, Case{"c.webm", "vp9", "opus"}}) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(0, render({"--size", "96x54", "--fps", "25", "--from", "11.6", "--to", "12.8", "--quiet", c.file}))
            << stderr_;
        const DecodedVideo v = readVideo(path(c.file));
        ASSERT_TRUE(v.ok) << v.error;
        EXPECT_EQ(c.video, v.videoCodec);
        EXPECT_EQ(c.audio, v.audioCodec);
        EXPECT_EQ(30u, v.frames.size()) << "round((12.8 - 11.6) x 25)";
        EXPECT_EQ(96, v.width);
        EXPECT_EQ(54, v.height);
        EXPECT_DOUBLE_EQ(25.0, v.fps);
        EXPECT_NEAR(1.2, v.audioSeconds(), 1024.0 / v.audioRate) << "as long as the video, to an audio frame";
        // Digital silence up to the music's start, less what a lossy codec smears back over its one frame
        // of overlap (2048 samples, 46 ms), where it stays below -50 dB; then the music.
        const double start = kMusicStart - 11.6;
        const size_t smear = static_cast<std::string>(c.audio) == "flac" ? 0 : static_cast<size_t>(0.0465 * v.audioRate);
        const size_t silentUpTo = static_cast<size_t>(start * v.audioRate) - smear;
        for (size_t i = 0; i < 2 * silentUpTo; ++i) ASSERT_EQ(0.0f, v.audio[i]) << "frame " << i / 2;
        EXPECT_GE(firstLoud(v, 0.0, 0.003), start - 0.0465);
        EXPECT_NEAR(start, firstLoud(v, 0.0, 0.3), 0.002) << "the music from 12 s";
    }
    // Determinism: the same span again, frame for frame the same pixels.
    const DecodedVideo first = readVideo(path("a.mp4"));
    ASSERT_EQ(0, render({"--size", "96x54", "--fps", "25", "--from", "11.6", "--to", "12.8", "--quiet", "again.mp4"}));
    const DecodedVideo again = readVideo(path("again.mp4"));
    ASSERT_EQ(first.frames.size(), again.frames.size());
    for (size_t k = 0; k < first.frames.size(); ++k) EXPECT_TRUE(first.frames[k] == again.frames[k]) << "frame " << k;
}

TEST_F(Render, FaultsAreNamedAndLeaveNoFile)
{
    writeMusic(path("music.mp3"), 3.0, {0.0}, 3.0);
    const std::vector<std::string> small = {"--size", "64x36", "--fps", "10", "--quiet"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = small;
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };

    EXPECT_EQ(2, render(with({"out.avi"})));
    EXPECT_NE(std::string::npos, stderr_.find("out.avi"));
    EXPECT_NE(std::string::npos, stderr_.find(".mp4 (H.264 + AAC), .mkv (H.264 + FLAC), .webm (VP9 + Opus)"));

    // A folder nobody may write to: root may write anywhere it has permission bits for, but not under /proc.
    const std::string locked = getuid() == 0 ? "/proc/kiv-render-test.mp4" : path("ro/out.mp4");
    fs::create_directory(path("ro"));
    chmod(path("ro").c_str(), 0555);
    EXPECT_EQ(1, render(with({"--to", "0.5", locked})));
    EXPECT_NE(std::string::npos, stderr_.find("cannot write '" + locked + "'")) << stderr_;

    // A full disk, as a file size limit: writes fail with EFBIG.
    EXPECT_EQ(1, render(with({"--from", "12", "--to", "14", "out.mp4"}), "ulimit -f 16"));
    EXPECT_NE(std::string::npos, stderr_.find("cannot write 'out.mp4'")) << stderr_;
    EXPECT_NE(std::string::npos, stderr_.find("File too large")) << stderr_;

    std::ofstream(path("path.txt")) << "0 0.5 0.5\n# a comment\n1 0.5\n";
    EXPECT_EQ(2, render(with({"--pointer", "path.txt", "out.mp4"})));
    EXPECT_NE(std::string::npos, stderr_.find("path.txt:3:")) << stderr_;

    // The encoder this build lacks: named, and nothing is written.
    const Container missing{".mp4", "mp4", "no-such-encoder", "aac", 20, 51};
    VideoFile file;
    std::string error;
    EXPECT_FALSE(file.open(path("enc.mp4"), "enc.mp4", missing, {64, 36, 10, -1, "veryfast"}, error));
    EXPECT_NE(std::string::npos, error.find("no 'no-such-encoder' encoder")) << error;

    EXPECT_EQ(std::vector<std::string>{}, leftovers());

    // Interrupted mid-render, by Ctrl-C and by SIGTERM: the partial file goes too.
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        Process p({KIV_RENDER_BINARY, "--size", "64x36", "--fps", "30", "--quiet", "long.mp4"}, {}, dir_);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (leftovers().empty() && p.running() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_FALSE(leftovers().empty()) << "the partial file appears as the render starts";
        p.signal(signal);
        EXPECT_EQ(128 + signal, p.wait(30));
        EXPECT_EQ(std::vector<std::string>{}, leftovers());
    }
}

TEST_F(Render, MissingMusicIsNamedAndTheShowRendersSilent)
{
    ASSERT_EQ(0, render({"--size", "64x36", "--fps", "10", "--from", "12", "--to", "13", "--quiet", "out.mp4"}));
    EXPECT_NE(std::string::npos, stderr_.find("music.mp3")) << stderr_;
    const DecodedVideo v = readVideo(path("out.mp4"));
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(10u, v.frames.size());
    EXPECT_LT(firstLoud(v, 0.0, 0.0), 0.0) << "every sample zero";
}
