// The show with music that made it flash most before it was guarded: drum hits six a second, over the tunnel
// picture from 30 to 40 s, rendered and measured as a user would, with kiv-render --flash-report=strict.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "bench/flashes/StressMusic.h"
#include "tests/support/DefaultAssets.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {
// The sanitizer build draws several times slower: there the render at 60 fps, which has more frames to flash in,
// stands for both.
#if defined(__SANITIZE_ADDRESS__)
const char* const kFrameRates[] = {"60"};
#else
const char* const kFrameRates[] = {"60", "30"};
#endif
}  // namespace

TEST(FlashSafety, DrumsSixASecondOverTheTunnelPassTheMeter)
{
    const std::string dir = makeTempDir();
    ASSERT_TRUE(copyDefaultAssets(dir));
    ASSERT_TRUE(writeDrumHits(dir + "/music.mp3", 6));
    for (const char* fps : kFrameRates) {
        SCOPED_TRACE(std::string(fps) + " fps");
        const std::string said = shellOutput("cd '" + dir + "' && '" KIV_RENDER_BINARY "' --size 320x180 --fps " + fps +
                                             " --from 30 --to 40 --quiet --flash-report=strict clip.mkv 2>&1; "
                                             "echo status $?");
        EXPECT_NE(std::string::npos, said.find("; pass\nstatus 0")) << said;
    }
    std::filesystem::remove_all(dir);
}
