// The renderer's clock: one idle pass per frame at show time n / fps, the pointer only when it moves, and
// the spectrum of what was heard up to the frame.
#include "render/VirtualShow.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "audio/ScreenLight.h"
#include "fx/Fx.h"
#include "tests/support/Bursts.h"
#include "tests/support/TempDir.h"

namespace {
struct Recorder : Fx {
    std::vector<float> updates;
    int pointerEvents = 0;
    bool isActive(float) override { return true; }
    void draw(float) override {}
    void update(float time) override { updates.push_back(time); }
    void onMouse(const float*, float) override { ++pointerEvents; }
};

// Runs `frames` frames at `fps` with a recorder as the only effect.
Recorder run(int fps, long frames, const PointerPath& pointer)
{
    Recorder recorder;
    VirtualShow show(640, 360, fps, pointer);
    show.demo().effects.push_back(&recorder);
    for (long n = 0; n < frames; ++n) show.step(n);
    show.demo().effects.clear();  // the recorder is not the show's to delete
    return recorder;
}
}  // namespace

TEST(VirtualShow, OneIdlePassPerFrameAtItsShowTime)
{
    for (int fps : {30, 60, 24}) {
        SCOPED_TRACE(fps);
        const long frames = 3L * fps;
        const Recorder r = run(fps, frames, PointerPath());
        ASSERT_EQ(static_cast<size_t>(frames), r.updates.size());
        for (long n = 0; n < frames; ++n) {
            EXPECT_EQ(static_cast<float>(VirtualShow::ticksAt(n, fps)) * 0.001f, r.updates[n]);
            EXPECT_NEAR(static_cast<double>(n) / fps, r.updates[n], 0.001);  // to the clock's millisecond
        }
        EXPECT_EQ(frames, r.pointerEvents) << "the built-in sweep moves every frame";
    }
}

TEST(VirtualShow, PointerThatRestsSendsNothingMore)
{
    const std::string dir = makeTempDir();
    std::ofstream(dir + "/path.txt") << "# rests, moves for a second, rests\n0 0.5 0.5\n1 0.5 0.5\n2 0.9 0.5\n";
    PointerPath path;
    std::string error;
    ASSERT_TRUE(path.load(dir + "/path.txt", error)) << error;
    const Recorder r = run(60, 180, path);
    EXPECT_EQ(1 + 60, r.pointerEvents);  // the first frame, then each frame of the move (256 pixels in 60)
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(VirtualShow, SpectrumIsOfWhatWasHeardUpToTheFrame)
{
    PointerPath pointer;
    VirtualShow show(64, 64, 60, pointer);
    show.step(0);
    EXPECT_EQ(0.0f, audioLevel) << "silence before anything is heard";
    std::vector<float> tone(2 * 1024);
    for (int i = 0; i < 1024; ++i) tone[2 * i] = tone[2 * i + 1] = static_cast<float>(std::sin(i * 0.1227));
    show.hear(tone.data(), 1024, 2);
    show.step(1);
    const float heard = audioLevel;
    EXPECT_GT(heard, 0.1f);
    std::vector<float> quiet(2 * 44100, 0.0f);
    show.hear(quiet.data(), 1024, 2);
    show.step(2);
    EXPECT_LT(audioLevel, heard) << "the level eases down once the tone has left the window";
    EXPECT_GT(audioLevel, 0.0f) << "the level eases down";
    show.hear(quiet.data(), 44100, 2);
    show.hear(quiet.data(), 44100, 2);
    show.step(3);
    EXPECT_EQ(0.0f, audioLevel) << "two seconds of silence later, nothing";
}

// The level is a function of the music and the screen alone: at the same show time a 60, a 144 and a 573 frames
// a second show read the same value, bit for bit, with bursts that put the ballistics and the flash guard to work
// over a screen that turns white half-way.
TEST(VirtualShow, TheSameMusicGivesTheSameLevelAtTheSameTimeWhateverTheFrameRate)
{
    Bursts bursts;
    for (double at = 0.2; at < 9.5; at += at < 4.0 ? 0.13 : 0.37) bursts.starts.push_back(at);
    bursts.length = 0.08;
    bursts.total = 10.0;
    const std::vector<float> sound = bursts.samples();
    ScreenLight white;
    white.spans.push_back({4.5f, 10.0f, {ScreenLight::Layer{}}});
    for (int i = 0; i <= ScreenLight::kSteps; ++i)
        white.spans[0].layers[0].luminance[i] = static_cast<float>(i) / ScreenLight::kSteps;
    std::vector<std::vector<float>> levels;
    for (int fps : {60, 144, 573}) {
        PointerPath pointer;
        VirtualShow show(64, 64, fps, pointer);
        platform.describeScreen(&white, 0.0f);
        levels.emplace_back();
        long heard = 0;
        for (long n = 0; n <= 10L * fps; ++n) {
            const long until = n * Bursts::kRate / fps;
            show.hear(sound.data() + 2 * heard, static_cast<int>(until - heard), 2);
            heard = until;
            show.step(n);
            if (n % fps == 0) levels.back().push_back(audioLevel);  // every whole second
        }
    }
    ASSERT_EQ(11u, levels[0].size());
    EXPECT_EQ(levels[0], levels[1]);
    EXPECT_EQ(levels[0], levels[2]);
    EXPECT_NE(std::count(levels[0].begin(), levels[0].end(), levels[0][5]), 11) << "the bursts move the level";
}
