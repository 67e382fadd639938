// The real kiv binary: start-up, the window, Escape, and the way out when there is no sound.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"

namespace {

constexpr int kScreenW = 1280;  // not the window's own 1024 x 768: full screen must show
constexpr int kScreenH = 800;

// The id of the top-level window titled exactly "kiv", waiting up to `seconds` for it.
std::string waitForWindow(double seconds)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        std::string id = shellOutput("xdotool search --name '^kiv$' 2>/dev/null | head -1");
        if (!id.empty()) return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
}

class StartupTest : public testing::Test {
protected:
    Xvfb server{kScreenW, kScreenH};
    std::string dir = makeTempDir();
    std::string audioFile = dir + "/out.raw";
    std::vector<std::string> diskAudio = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audioFile};
    void SetUp() override { ASSERT_TRUE(server.ok()); }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
};

TEST_F(StartupTest, OpensFullScreenAndEndsOnEscape)
{
    Process kiv({KIV_BINARY}, diskAudio, dir);
    std::string id = waitForWindow(10);
    ASSERT_FALSE(id.empty()) << kiv.stderrText();

    // The toolkit makes the window full screen once its loop runs: give it a moment.
    const std::string fullScreen = std::to_string(kScreenW) + "x" + std::to_string(kScreenH);
    std::string geometry;
    for (int i = 0; i < 100 && geometry.find(fullScreen) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        geometry = shellOutput("xdotool getwindowgeometry " + id + " | grep Geometry");
    }
    EXPECT_NE(geometry.find(fullScreen), std::string::npos) << geometry;

    // Other keys do nothing; Escape ends the show at once, before the music ever started.
    shellOutput("xdotool mousemove 600 400 key a key space key Return");
    EXPECT_EQ(kiv.wait(0.5), -1);
    shellOutput("xdotool key Escape");
    EXPECT_EQ(kiv.wait(5), 0) << kiv.stderrText();
}

TEST_F(StartupTest, UnknownSoundDriverExitsOneBeforeAnyWindow)
{
    // No display at all: had the program gone on to make its window, the toolkit would have complained.
    Process kiv({KIV_BINARY}, {"SDL_AUDIODRIVER=no-such-driver", "DISPLAY="}, dir);
    EXPECT_EQ(kiv.wait(10), 1);
    std::string err = kiv.stderrText();
    EXPECT_EQ(err.find("display"), std::string::npos) << err;
    EXPECT_NE(err.find("no-such-driver"), std::string::npos) << err;
}

TEST_F(StartupTest, PointerAndArgumentsReachTheToolkit)
{
    // Unknown options are the toolkit's to judge; -geometry is one it knows.
    Process kiv({KIV_BINARY, "-geometry", "640x480+0+0"}, diskAudio, dir);
    std::string id = waitForWindow(10);
    ASSERT_FALSE(id.empty()) << kiv.stderrText();
    shellOutput("xdotool mousemove 10 10 mousemove 900 700 click 1");
    EXPECT_EQ(kiv.wait(0.3), -1);
    shellOutput("xdotool key Escape");
    EXPECT_EQ(kiv.wait(5), 0);
}

}  // namespace
