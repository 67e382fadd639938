// A whole show in a moment: the real schedule driven by a fake clock at 60 frames a second, the spectrum of
// the generated music at each frame's time, and a pointer that never stops moving.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "app/Demo.h"
#include "app/Show.h"
#include "fx/HexFire.h"
#include "fx/HexSetter.h"
#include "fx/JuggleBall.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/DecodedMusic.h"
#include "tests/support/DefaultAssets.h"
#include "tests/support/FakePlatform.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

struct Switch {
    HexFire* grid;
    float triggerTime;
    int mode;
    float switchedAt = -1;  // show time of the idle in which the grid took the mode
};

bool anyFalling(const HexFire& grid)
{
    for (const HexCell& c : grid.cells)
        if (c.falling) return true;
    return false;
}

class WholeShowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(defaultAssets().empty()); }
    DecodedMusic* music = &defaultMusic();

    FakePlatform fake;
    Demo demo;
    std::vector<Fx*> fx;
    HexFire* grid(size_t entry) { return dynamic_cast<HexFire*>(fx.at(entry - 1)); }

    void SetUp() override
    {
        ASSERT_TRUE(music->ok());
        buildShow(&demo);  // the pictures are not in the test's folder: the grids draw with no picture
        fx.assign(demo.effects.begin(), demo.effects.end());
        ASSERT_EQ(fx.size(), 92u);
    }
    void TearDown() override { releaseShow(&demo); }
};


TEST_F(WholeShowTest, RunsAsComposed)
{
    HexFire *a = grid(5), *b = grid(8), *c = grid(10);
    std::vector<Switch> switches = {{a, 12.0f, 1}, {a, 27.3f, 4}, {b, 53.2f, 3}, {c, 106.8f, 1}};
    float playedAt = -1;
    float endedAt = -1;
    bool fellEarly = false;
    int ballChecks = 0;
    double valueMin = 0, valueMax = 0;
    bool finite = true;
    std::vector<float> levels;
    levels.reserve(60 * 160);

    auto began = std::chrono::steady_clock::now();
    AllocationCounter allocations;
    for (int frame = 0; endedAt < 0 && frame < 60 * 160; ++frame) {
        FakePlatform::ticks = demo.startTicks + static_cast<uint32_t>(frame * 1000 / 60);
        float upcoming = static_cast<float>(frame * 1000 / 60) * 0.001f;
        FakePlatform::spectrumOverride =
            playedAt >= 0 ? const_cast<float*>(music->spectrumAt(upcoming - playedAt)) : nullptr;
        int modesBefore[4];
        for (size_t i = 0; i < switches.size(); ++i) modesBefore[i] = switches[i].grid->mode;

        demo.idle();
        if (FakePlatform::ends) {
            endedAt = upcoming;
            break;
        }
        if (playedAt < 0 && FakePlatform::plays) playedAt = demo.time;
        levels.push_back(audioLevel);

        for (size_t i = 0; i < switches.size(); ++i)
            if (switches[i].switchedAt < 0 && switches[i].grid->mode == switches[i].mode &&
                modesBefore[i] != switches[i].mode)
                switches[i].switchedAt = demo.time;

        // The pointer sweeps the window, off its edges now and then.
        float t = demo.time;
        demo.mouse(static_cast<int>(kWidth * (0.5f + 0.55f * std::sin(t * 0.9f))),
                   static_cast<int>(kHeight * (0.5f + 0.45f * std::sin(t * 1.3f))));

        if (t < 27.3f && anyFalling(*a)) fellEarly = true;
        if (frame % 30 == 0)
            for (HexFire* g : {a, b, c})
                for (const HexCell& cell : g->cells) {
                    float v = cell.current();
                    finite = finite && std::isfinite(v);
                    valueMin = std::fmin(valueMin, v);
                    valueMax = std::fmax(valueMax, v);
                }
        // Every ball that stepped in this idle has just lit the cell under it.
        for (size_t e = 11; e <= 90; ++e) {
            auto* ball = static_cast<JuggleBall*>(fx[e - 1]);
            if (ball->lastStep != t || !ball->isActive(t)) continue;
            const float pos[2] = {ball->x, ball->y};
            int row, col;
            c->locate(pos, row, col);
            if (row < 0 || row >= c->rows || col < 0 || col >= c->cols) continue;
            EXPECT_EQ(c->cells[col + row * c->cols].current(), 1.0f) << "ball " << e << " at " << t;
            ++ballChecks;
        }
    }
    size_t allocated = allocations.count();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("whole show simulated in %.3f s\n", seconds);

    EXPECT_GT(endedAt, 152.0f);
    EXPECT_LT(endedAt, 152.0f + 1.0f / 60.0f + 1e-4f);  // the first idle past 152 s
    EXPECT_GT(playedAt, 12.0f);
    EXPECT_LT(playedAt, 12.0f + 1.0f / 60.0f + 1e-4f);
    for (const Switch& s : switches) {
        EXPECT_GT(s.switchedAt, s.triggerTime) << s.mode;
        EXPECT_LT(s.switchedAt, s.triggerTime + 1.0f / 60.0f + 1e-4f) << s.mode;
    }
    EXPECT_TRUE(finite);
    EXPECT_GE(valueMin, 0.0);
    EXPECT_LE(valueMax, 1.0);
    EXPECT_GT(valueMax, 0.5);
    EXPECT_FALSE(fellEarly);
    EXPECT_TRUE(anyFalling(*a));
    EXPECT_FALSE(anyFalling(*b));
    EXPECT_FALSE(anyFalling(*c));
    EXPECT_GT(ballChecks, 1000);
    EXPECT_EQ(allocated, 0u) << "allocations in idle and mouse";

    // The music moves the show: loud enough to pulse, never so loud that it saturates.
    std::sort(levels.begin(), levels.end());
    EXPECT_GT(levels[levels.size() / 2], 0.1f);
    EXPECT_LT(levels[levels.size() * 95 / 100], 2.0f);
}

}  // namespace
