// kiv-flashcheck as a user runs it, on short videos written by kiv-render's own encoder.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include "render/FrameConverter.h"
#include "render/VideoFile.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {
constexpr int kWidth = 96, kHeight = 54, kFps = 30;

// Writes `seconds` of video whose every pixel has the grey level `grey(t)`, with silence.
void writeClip(const std::string& path, double seconds, const std::function<uint8_t(double)>& grey)
{
    VideoFile file;
    std::string error;
    ASSERT_TRUE(file.open(path, path, *containerFor(path), {kWidth, kHeight, kFps, -1, VideoFile::kPreset}, error))
        << error;
    FrameConverter converter(kWidth, kHeight);
    AVFrame* picture = file.newPicture();
    std::vector<uint8_t> bgra(static_cast<size_t>(kWidth) * kHeight * 4);
    const std::vector<float> silence(2 * 44100 / kFps, 0.0f);
    for (int n = 0; n < static_cast<int>(seconds * kFps); ++n) {
        std::fill(bgra.begin(), bgra.end(), grey(static_cast<double>(n) / kFps));
        ASSERT_TRUE(converter.convert(bgra.data(), picture));
        ASSERT_TRUE(file.writeAudio(silence.data(), 44100 / kFps, error)) << error;
        ASSERT_TRUE(file.writeVideo(picture, error)) << error;
    }
    av_frame_free(&picture);
    ASSERT_TRUE(file.finish(error)) << error;
}

// The tool's stdout, then "status N".
std::string check(const std::string& dir, const std::string& args)
{
    return shellOutput("cd '" + dir + "' && '" KIV_FLASHCHECK_BINARY "' " + args + " 2>&1; echo status $?");
}
}  // namespace

TEST(FlashCheck, JudgesEncodedVideosAndSaysSoInItsStatus)
{
    const std::string dir = makeTempDir();
    writeClip(dir + "/flash.mp4", 3.0, [](double t) { return static_cast<int>(t * 10) % 2 ? 255 : 0; });  // 5 Hz
    writeClip(dir + "/still.mkv", 2.0, [](double) { return 128; });

    const std::string flash = check(dir, "flash.mp4");
    EXPECT_NE(std::string::npos, flash.find("flash.mp4: general: 29 transitions, at most 10 in one second")) << flash;
    EXPECT_NE(std::string::npos, flash.find("FAIL\nstatus 1")) << flash;

    const std::string still = check(dir, "--plot plot.png still.mkv");
    EXPECT_NE(std::string::npos, still.find("still.mkv: general: 0 transitions")) << still;
    EXPECT_NE(std::string::npos, still.find("pass\nstatus 0")) << still;
    EXPECT_GT(std::filesystem::file_size(dir + "/plot.png"), 1000u) << "a PNG of the plot";

    EXPECT_NE(std::string::npos, check(dir, "still.mkv flash.mp4").find("status 1")) << "any failing fails";
    const std::string missing = check(dir, "still.mkv nothing.mp4");
    EXPECT_NE(std::string::npos, missing.find("nothing.mp4")) << missing;
    EXPECT_NE(std::string::npos, missing.find("status 2")) << missing;
    EXPECT_NE(std::string::npos, check(dir, "").find("status 2")) << "no video given";
    EXPECT_NE(std::string::npos, check(dir, "--loud flash.mp4").find("status 2")) << "an unknown option";
    std::filesystem::remove_all(dir);
}
