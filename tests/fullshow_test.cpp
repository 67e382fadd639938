// The whole show, for real: the kiv binary on the generated pictures and music, under Xvfb, with the sound
// written to a file, the pointer moved by xdotool and the screen looked at along the way. Takes about 155 s.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "tests/support/DefaultAssets.h"
#include "tests/support/FirstSound.h"
#include "tests/support/Process.h"
#include "tests/support/Screen.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 768;
constexpr float kSilence = 1e-4f;  // below this the sound file holds nothing of the music

using Clock = std::chrono::steady_clock;

class FullShowTest : public testing::Test {
protected:
    Xvfb server{kW, kH};
    std::string dir = makeTempDir();
    Clock::time_point started;

    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    void sleepUntil(double showSeconds)
    {
        std::this_thread::sleep_until(started + std::chrono::duration_cast<Clock::duration>(
                                                    std::chrono::duration<double>(showSeconds)));
    }
    // Sweeps the pointer in small steps, each a motion event the show sees.
    void sweep(int x0, int y0, int x1, int y1)
    {
        std::string cmd = "xdotool";
        for (int i = 0; i <= 40; ++i)
            cmd += " mousemove " + std::to_string(x0 + (x1 - x0) * i / 40) + " " + std::to_string(y0 + (y1 - y0) * i / 40);
        shellOutput(cmd);
    }
    static bool white(const uint8_t* p) { return p[0] > 240 && p[1] > 240 && p[2] > 240; }

    double showSeconds() const { return std::chrono::duration<double>(Clock::now() - started).count(); }
    // The window shown at the screen's corner at full size, under the sweeps.
    bool windowInPlace(double untilShowSeconds)
    {
        const auto has = [](const std::string& info, const std::string& line) {
            return info.find(line + "\n") != std::string::npos;
        };
        while (showSeconds() < untilShowSeconds) {
            const std::string info = shellOutput("xwininfo -name kiv 2>/dev/null");
            if (has(info, "Map State: IsViewable") && has(info, "Absolute upper-left X:  0") &&
                has(info, "Absolute upper-left Y:  0") && has(info, "Width: " + std::to_string(kW)) &&
                has(info, "Height: " + std::to_string(kH)))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // The show's clock runs from before its window exists, and pointer events that reach it before its first
    // idle pass come at show time 0, when no grid is active: nudges the pointer at (x, y) until the cell there lights.
    bool pointerSeen(int x, int y, double untilShowSeconds)
    {
        for (int i = 0; showSeconds() < untilShowSeconds; ++i) {
            shellOutput("xdotool mousemove " + std::to_string(x + i % 2) + " " + std::to_string(y));
            if (white(Screen::grab().at(x, y))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};

TEST_F(FullShowTest, PlaysToTheEndAndShowsEachPart)
{
    ASSERT_TRUE(server.ok());
    ASSERT_TRUE(copyDefaultAssets(dir));
    std::string audio = dir + "/out.raw";
    // Without a window manager the toolkit leaves a full-screen window where it was created: start it at the corner.
    Process kiv({KIV_BINARY, "-geometry", "1024x768+0+0"}, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio}, dir);
    // The sound device opens just before the show's clock starts: time the show from there, so that a slow
    // start on a busy machine does not count.
    const auto launched = Clock::now();
    while (!std::ifstream(audio) && kiv.running() && Clock::now() < launched + std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    started = Clock::now();
    ASSERT_TRUE(kiv.running()) << kiv.stderrText();

    // Grid A holds what the pointer lit: white cells along the sweep, dark elsewhere. The sweep waits for the
    // show to take the pointer; by 8 s a show that has not is stuck, and grid A must hold its cells until 12 s.
    ASSERT_TRUE(windowInPlace(8.0)) << shellOutput("xwininfo -name kiv 2>&1") << kiv.stderrText();
    ASSERT_TRUE(pointerSeen(200, 384, 8.0)) << "no cell lit by the pointer by show time 8 s" << kiv.stderrText();
    sleepUntil(4.0);
    sweep(200, 384, 820, 384);
    const double swept = showSeconds();
    sleepUntil(std::max(6.0, swept + 1.0));
    Screen early = Screen::grab();
    EXPECT_LT(showSeconds(), 11.5) << "the sweep ended at " << swept << " s";
    ASSERT_EQ(early.width, kW) << kiv.stderrText();
    int lit = 0;
    for (int x = 260; x < 760; x += 10) lit += white(early.at(x, 384));
    EXPECT_GE(lit, 45);
    EXPECT_LT(early.at(512, 100)[0], 20);
    EXPECT_LT(early.at(100, 700)[0], 20);

    // The music starts in the first idle pass after 12 s: watch the sound file for it.
    sleepUntil(10.0);
    std::streamoff read = 0;
    firstSoundInFile(audio, read, kSilence);  // past what came before
    double firstSound = -1;
    while (firstSound < 0 && Clock::now() < started + std::chrono::seconds(17)) {
        if (firstSoundInFile(audio, read, kSilence) >= 0)
            firstSound = std::chrono::duration<double>(Clock::now() - started).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // This clock starts when the test sees the sound file, which a busy machine may let it do tens of
    // milliseconds after the show's clock started; the driver also writes a chunk ahead of what plays.
    EXPECT_GT(firstSound, 11.8);
    EXPECT_LT(firstSound, 13.5);

    // The backdrops and grids of the middle of the show all draw something.
    for (double t : {20.0, 46.0, 60.0, 90.0, 120.0}) {
        sleepUntil(t - 1.0);
        sweep(100, 200, 900, 600);
        sleepUntil(t);
        Screen s = Screen::grab();
        EXPECT_GT(s.stddev(), 10.0) << "at " << t << " s";
        EXPECT_GT(s.mean(), 5.0) << "at " << t << " s";
    }

    // The closing picture, drawn plainly over everything.
    sleepUntil(148.0);
    Screen closing = Screen::grab(dir + "/closing.png");
    Screen expected = Screen::pictureAsShown(dir + "/img4.tif", kW, kH);
    EXPECT_LT(closing.meanDifference(expected), 12.0);
    if (HasFailure()) std::system(("cp '" + dir + "/closing.png' /tmp/kiv-closing.png").c_str());

    // Nothing is drawn after 151 s, and the show ends by itself just after 152 s.
    sleepUntil(151.6);
    EXPECT_LT(Screen::grab().mean(), 1.0);
    EXPECT_EQ(kiv.wait(8.0), 0) << kiv.stderrText();
    double ended = std::chrono::duration<double>(Clock::now() - started).count();
    EXPECT_GT(ended, 151.85);  // as above: this clock may have started late
    EXPECT_LT(ended, 156.0);

    // The sound written: music from 12 s to the end, about 140 of the show's 152 s. The disk driver paces
    // itself by sleeping, and a loaded machine oversleeps, so its file is measured against its own length:
    // music that stopped half-way leaves the file's second half silent however fast it was written.
    std::ifstream raw(audio, std::ios::binary | std::ios::ate);
    size_t frames = static_cast<size_t>(raw.tellg()) / (2 * sizeof(float));
    raw.seekg(0);
    std::vector<float> pcm(frames * 2);
    raw.read(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * sizeof(float)));
    size_t first = 0, last = 0;
    for (size_t i = 0; i < pcm.size(); ++i)
        if (std::fabs(pcm[i]) > kSilence) {
            if (!first) first = i;
            last = i;
        }
    ASSERT_GT(frames, 0u);
    const double music = static_cast<double>(last / 2 - first / 2) / static_cast<double>(frames);
    EXPECT_GT(music, 130.0 / 152.0) << frames << " frames written, music from frame " << first / 2 << " to "
                                    << last / 2;
}

}  // namespace
