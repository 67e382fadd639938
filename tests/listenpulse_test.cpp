// The real kiv listening through SDL's pulseaudio driver to a real PulseAudio server that the test starts itself:
// a null sink whose monitor is the default source, tracks played into it with paplay. Every picture is one
// flat grey, so the screen's brightness is the pulsing background's, min(1, level² + 0.3) of the grey: 0.3 in
// silence, full on a loud tone, while no grid covers the pictures (38.8 to 106 s of show time, with no pointer).
// Screenshots are placed by when they were taken, with margins for a loaded machine; KIV_TEST_TIME_SCALE
// brings that part of the show soon and keeps the whole test within it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Bursts.h"
#include "tests/support/PulseServer.h"
#include "tests/support/Screen.h"
#include "tests/support/ShowRun.h"
#include "tests/support/TestTiff.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimeScale = 5;            // the pictures alone from 7.8 s to 21.2 s after the start
constexpr double kPicturesFrom = 8.3;    // seconds after the start
constexpr uint8_t kGrey = 200;
constexpr double kDark = 0.45 * kGrey;   // silence: 0.3 of the grey
constexpr double kBright = 0.6 * kGrey;  // a loud tone: 0.7 to 1 of it
#if defined(__SANITIZE_ADDRESS__)
constexpr double kComeBack = 15.0;       // the sanitizer build runs every step several times slower
#else
constexpr double kComeBack = 5.0;        // seconds from the server's return to the level's
#endif
constexpr double kLimit = 15.0;          // for what should take a second or two

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }
void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

struct Shot {
    double from, to;  // seconds after the track started: taking it began and ended
    double mean;
};

class ListenPulse : public testing::Test {
protected:
    PulseServer pulse;
    ShowRun run;

    void SetUp() override
    {
        ASSERT_TRUE(pulse.ok()) << "no PulseAudio server: " << pulse.stderrText();
        ASSERT_TRUE(run.ok());
        for (const char* name : {"img1.tif", "img2.tif", "img4.tif", "img5.tif"}) {
            ASSERT_TRUE(writeRgbaTiff(run.path(name), 64, 64, [](int, int) { return Rgba8{kGrey, kGrey, kGrey, 255}; }));
        }
        std::vector<std::string> env = {"KIV_LISTEN=1", "SDL_AUDIODRIVER=pulseaudio",
                                        "KIV_TEST_TIME_SCALE=" + std::to_string(kTimeScale)};
        for (const std::string& e : pulse.clientEnv()) env.push_back(e);
        const auto started = Clock::now();
        run.start(env);
        ASSERT_FALSE(run.window(60).empty()) << run.stderrText();
        setenv("DISPLAY", run.x("sh -c 'echo $DISPLAY'").c_str(), 1);
        pause(kPicturesFrom - since(started));
    }
    void TearDown() override
    {
        if (run.process().running()) {
            EXPECT_EQ(run.escape(), 0) << run.stderrText();
        }
        EXPECT_EQ(run.process().signalNumber(), 0) << run.stderrText();
    }

    static double brightness() { return Screen::grab().mean(); }
    // Seconds until the screen is brighter than `level` (or darker, with `below`); -1 past `limit`.
    static double until(double level, bool below, double limit)
    {
        const auto start = Clock::now();
        while (since(start) < limit) {
            const double b = brightness();
            if (below ? b < level : b > level) return since(start);
        }
        return -1;
    }
    std::string toneFile(double seconds)
    {
        Bursts tone;
        tone.starts = {0.0};
        tone.length = tone.total = seconds;
        const std::string path = run.path("tone-" + std::to_string(seconds) + ".wav");
        return tone.writeWav(path) ? path : "";
    }
};

TEST_F(ListenPulse, TheScreenFollowsATrackPlayedIntoTheSinkAndStaysDarkInSilence)
{
    for (int i = 0; i < 3; ++i) EXPECT_LT(brightness(), kDark) << "nothing plays yet";

    Bursts track;  // loud and silent in turn, 1.5 s each
    track.starts = {0.0, 3.0};
    track.length = 1.5;
    track.total = 6.0;
    ASSERT_TRUE(track.writeWav(run.path("track.wav")));
    const auto started = Clock::now();
    std::unique_ptr<Process> player = pulse.play(run.path("track.wav"));
    std::vector<Shot> shots;
    while (since(started) < track.total + 0.5) {
        Shot s{since(started), 0, 0};
        s.mean = brightness();
        s.to = since(started);
        shots.push_back(s);
    }
    EXPECT_EQ(player->wait(kLimit), 0) << player->stderrText();

    // A shot counts when taken wholly inside a part, allowing for paplay's start and the level's fall.
    int loud = 0, silent = 0;
    for (const Shot& s : shots) {
        for (double start : track.starts) {
            if (s.from > start + 0.4 && s.to < start + track.length) {
                ++loud;
                EXPECT_GT(s.mean, kBright) << "while the track is loud, at " << s.from << " s";
            } else if (s.from > start + track.length + 0.5 && s.to < start + 2 * track.length) {
                ++silent;
                EXPECT_LT(s.mean, kDark) << "while the track is silent, at " << s.from << " s";
            }
        }
    }
    EXPECT_GE(loud, 2) << "too few screenshots inside the loud parts to judge";
    EXPECT_GE(silent, 2) << "too few screenshots inside the silent parts to judge";
}

TEST_F(ListenPulse, TheShowOutlivesItsServerAndHearsItAgainWhenItReturns)
{
    const std::string tone = toneFile(30.0);
    ASSERT_FALSE(tone.empty());
    std::unique_ptr<Process> player = pulse.play(tone);
    EXPECT_GE(until(kBright, false, kLimit), 0) << "the tone was never seen";

    pulse.kill();
    const auto killed = Clock::now();
    while (run.stderrText().find("kiv: lost the sound source") == std::string::npos && since(killed) < kLimit)
        pause(0.05);
    EXPECT_LT(since(killed), kLimit) << run.stderrText();
    EXPECT_GE(until(kDark, true, kLimit), 0) << "the level did not fall to 0";
    EXPECT_TRUE(run.process().running()) << run.stderrText();

    pause(2.0);  // a retry or two while the server is away
    ASSERT_TRUE(pulse.start());
    const auto back = Clock::now();
    player = pulse.play(tone);
    ASSERT_GE(until(kBright, false, kLimit), 0) << "the level never came back: " << run.stderrText();
    EXPECT_LE(since(back), kComeBack) << run.stderrText();
    EXPECT_NE(run.stderrText().find("kiv: hearing 'Monitor of "), std::string::npos) << run.stderrText();
    player.reset();
}

}  // namespace
