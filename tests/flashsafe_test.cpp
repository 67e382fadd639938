// The show with music that made it flash most before it was guarded: drum hits six a second, over the tunnel
// picture from 30 to 40 s, and over the grids showing a white picture of a user's, rendered and measured as a
// user would, with kiv-render --flash-report=strict.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "bench/flashes/StressMusic.h"
#include "tests/support/DefaultAssets.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestTiff.h"

namespace {
// The sanitizer build draws several times slower: there the render at 60 fps, which has more frames to flash in,
// stands for both.
#if defined(__SANITIZE_ADDRESS__)
const char* const kFrameRates[] = {"60"};
#else
const char* const kFrameRates[] = {"60", "30"};
#endif
}  // namespace

// Renders `from` to `to` s of the show in `dir` at each frame rate and expects it to pass the meter.
void expectPasses(const std::string& dir, const char* from, const char* to)
{
    for (const char* fps : kFrameRates) {
        SCOPED_TRACE(std::string(fps) + " fps");
        const std::string said = shellOutput("cd '" + dir + "' && '" KIV_RENDER_BINARY "' --size 320x180 --fps " + fps +
                                             " --from " + from + " --to " + to +
                                             " --quiet --flash-report=strict clip.mkv 2>&1; echo status $?");
        EXPECT_NE(std::string::npos, said.find("; pass\nstatus 0")) << said;
    }
}

TEST(FlashSafety, DrumsSixASecondOverTheTunnelPassTheMeter)
{
    const std::string dir = makeTempDir();
    ASSERT_TRUE(copyDefaultAssets(dir));
    ASSERT_TRUE(writeDrumHits(dir + "/music.mp3", 6));
    expectPasses(dir, "30", "40");
    std::filesystem::remove_all(dir);
}

// The grids map img1 over the whole screen from 38.8 s: a white one swings the screen as far as it can go.
TEST(FlashSafety, DrumsSixASecondOverGridsOfAWhitePicturePassTheMeter)
{
    const std::string dir = makeTempDir();
    ASSERT_TRUE(copyDefaultAssets(dir));
    ASSERT_TRUE(writeDrumHits(dir + "/music.mp3", 6));
    ASSERT_TRUE(writeRgbaTiff(dir + "/img1.tif", 256, 256, [](int, int) { return Rgba8{255, 255, 255, 255}; }));
    expectPasses(dir, "38", "48");
    std::filesystem::remove_all(dir);
}
