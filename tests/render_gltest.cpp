// A frame of kiv-render's video against the picture it was made from: the offscreen readback of the same
// show time, and that readback against the same state drawn in a window, as kiv draws it.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/ShowAudio.h"
#include "render/OffscreenGl.h"
#include "render/PointerPath.h"
#include "render/Readback.h"
#include "render/VirtualShow.h"
#include "tests/support/GlWindow.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestTiff.h"
#include "tests/support/ToneFile.h"
#include "render/VideoReader.h"

namespace {
constexpr int kWidth = 320, kHeight = 180, kFps = 10;
constexpr long kFrame = 20 * kFps;  // 20 s: the grid glowing over the pulsing first picture

// Runs the show to frame kFrame with the folder's music, as kiv-render does, and draws that frame into the
// current GL surface. The loop is written out anew here, not taken from the renderer.
void drawFrame()
{
    PointerPath pointer;
    VirtualShow show(kWidth, kHeight, kFps, pointer);
    show.build();
    ShowAudio audio("music.mp3");
    std::vector<float> samples;
    for (long n = 0; n <= kFrame; ++n) {
        const long heard = static_cast<long>(static_cast<int64_t>(n) * ShowAudio::kRate / kFps);
        samples.resize(static_cast<size_t>(heard - audio.position()) * ShowAudio::kChannels);
        const int got = audio.read(samples.data(), static_cast<int>(heard - audio.position()));
        show.hear(samples.data(), got, ShowAudio::kChannels);
        show.step(n);
    }
    show.draw();
}

// RGB bytes, top row first.
std::vector<uint8_t> readOffscreen()
{
    Readback readback(kWidth, kHeight);
    std::vector<uint8_t> bgra(readback.frameBytes()), rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    readback.start();
    EXPECT_TRUE(readback.finish(bgra.data()));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<size_t>(y) * kWidth + x) * 3 + c] = bgra[(static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 4 + 2 - c];
    return rgb;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, double& meanError)
{
    double squares = 0, sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        squares += d * d;
        sum += std::fabs(d);
    }
    meanError = sum / static_cast<double>(a.size());
    return squares == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / squares);
}
}  // namespace

TEST(RenderGolden, VideoFrameMatchesTheReadbackAndTheReadbackTheWindow)
{
    // A show of its own, quick to make: patterned pictures, so the codec has edges and colours to keep, and
    // a tone from the music's start.
    const std::string show = makeTempDir();
    for (const char* name : {"img1.tif", "img2.tif", "img4.tif", "img5.tif"})
        ASSERT_TRUE(writeRgbaTiff(show + "/" + name, 128, 128, [](int x, int y) {
            return Rgba8{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 2),
                         static_cast<uint8_t>((x / 16 + y / 16) % 2 ? 220 : 40), 255};
        }));
    ASSERT_TRUE(writeWavTone(show + "/music.mp3", 861.0, 10.0, 0.7));
    const std::string dir = makeTempDir();
    const std::string video = dir + "/golden.mp4";
    {
        Process render({KIV_RENDER_BINARY, "--size", "320x180", "--fps", "10", "--from", "19.8", "--to", "20.2",
                        "--quiet", video},
                       {}, show);
        ASSERT_EQ(0, render.wait(120)) << render.stderrText();
    }
    const DecodedVideo decoded = readVideo(video);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(4u, decoded.frames.size());
    const std::vector<uint8_t> fromVideo = decoded.rgb(2);  // 19.8 s + 2 frames

    char here[4096];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    const std::string was = here;
    ASSERT_EQ(0, chdir(show.c_str()));
    std::vector<uint8_t> offscreen;
    {
        OffscreenGl gl;
        std::string error;
        ASSERT_TRUE(gl.open(kWidth, kHeight, error)) << error;
        drawFrame();
        offscreen = readOffscreen();
    }
    // The same state drawn by the window toolkit's context, as the live show draws.
    GlWindow& window = GlWindow::open(kWidth, kHeight);
    drawFrame();
    const std::vector<Rgba> drawn = window.read();
    ASSERT_EQ(0, chdir(was.c_str()));

    size_t differing = 0;
    for (size_t i = 0; i < drawn.size(); ++i)
        differing += drawn[i].r != offscreen[3 * i] || drawn[i].g != offscreen[3 * i + 1] || drawn[i].b != offscreen[3 * i + 2];
    EXPECT_EQ(0u, differing) << "offscreen and window drawing differ in " << differing << " pixels";

    double sum = 0;
    for (uint8_t level : offscreen) sum += level;
    EXPECT_GT(sum / static_cast<double>(offscreen.size()), 20.0) << "a frame with something drawn in it";

    // The codec's error: H.264 at the default CRF 20 in yuv420p, whose chroma is halved both ways, on a small
    // frame of sharp cell edges over a patterned picture (36.0 dB and 1.8 levels when written).
    double meanError = 0;
    const double quality = psnr(fromVideo, offscreen, meanError);
    EXPECT_GT(quality, 33.0) << "dB";
    EXPECT_LT(meanError, 2.5) << "levels of 255 per channel";
    std::printf("video frame vs readback: PSNR %.1f dB, mean error %.2f\n", quality, meanError);
    std::system(("rm -rf '" + dir + "' '" + show + "'").c_str());
}
