// The show's frame loop at its busiest moment (120 s: grid C stepping in mode 1, 80 juggle balls, img5 pulsing),
// drawn for real with the generated pictures loaded: once the show is built, idle passes, pointer events,
// display passes and swaps allocate nothing on the heap.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <string>

#include "app/Demo.h"
#include "app/Show.h"
#include "fx/BkgImage.h"
#include "fx/HexFire.h"
#include "fx/JuggleBall.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/DecodedMusic.h"
#include "tests/support/DefaultAssets.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/GlWindow.h"

namespace {

// Small window: what is drawn, and so what is allocated, does not depend on its size, and frames stay cheap.
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr float kBusiest = 120.0f;
constexpr uint32_t kMillisPerPass = 1000 / 60;
constexpr int kWarmUpFrames = 60;      // lets Mesa compile every shader variant of the scene first
// 4 s of show time around 120 s, with the grid and ball steps in it and 4000 pointer events. The sanitizer build
// draws several times slower: there the same 4 s take fewer, longer frames.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kCountedFrames = 500;
constexpr uint32_t kCountedMillisPerFrame = 8;
constexpr int kPointerEventsPerFrame = 8;
#else
constexpr int kCountedFrames = 2000;
constexpr uint32_t kCountedMillisPerFrame = 2;
constexpr int kPointerEventsPerFrame = 2;
#endif

class FrameAllocationsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(defaultAssets().empty()); }
    DecodedMusic* music = &defaultMusic();

    FakePlatform fake;
    Demo demo;
    GlWindow* window = nullptr;
    float playedAt = -1;
    int pointerStep = 0;

    void SetUp() override
    {
        ASSERT_TRUE(music->ok());
        window = &GlWindow::open(kWidth, kHeight);
        platform.clearFrame = [] { glClear(GL_COLOR_BUFFER_BIT); };
        platform.swapBuffers = glutSwapBuffers;
        char here[PATH_MAX];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        ASSERT_EQ(chdir(defaultAssets().c_str()), 0);  // the show reads its pictures from the working folder
        buildShow(&demo);
        ASSERT_EQ(chdir(here), 0);
        demo.reshape(kWidth, kHeight);
    }
    void TearDown() override { releaseShow(&demo); }

    // One idle pass at `ticks`, with the music's spectrum as the sound layer would hand it out then.
    void idleAt(uint32_t ticks)
    {
        FakePlatform::ticks = demo.startTicks + ticks;
        const float upcoming = static_cast<float>(ticks) * 0.001f;
        FakePlatform::spectrumOverride =
            playedAt >= 0 ? const_cast<float*>(music->spectrumAt(upcoming - playedAt)) : nullptr;
        demo.idle();
        if (playedAt < 0 && FakePlatform::plays) playedAt = demo.time;
    }
    // Pointer events along a path that crosses the balls' rows and leaves the window now and then.
    void movePointer()
    {
        const float s = static_cast<float>(pointerStep++) * 0.01f;
        demo.mouse(static_cast<int>(kWidth * (0.5f + 0.55f * std::sin(s * 0.9f))),
                   static_cast<int>(kHeight * (0.5f + 0.45f * std::sin(s * 1.3f))));
    }
    void frameAt(uint32_t ticks)
    {
        idleAt(ticks);
        for (int i = 0; i < kPointerEventsPerFrame; ++i) movePointer();
        demo.display();
    }
    int active(bool (*is)(Fx*)) const
    {
        int n = 0;
        for (Fx* fx : demo.effects) n += is(fx) && fx->isActive(demo.time);  // a trigger's query can fire it
        return n;
    }
};


TEST_F(FrameAllocationsTest, BusiestSceneAllocatesNothing)
{
    // The show up to the scene as it runs, pointer moving, nothing drawn.
    const uint32_t first = static_cast<uint32_t>((kBusiest - 1.5f) * 1000.0f);
    uint32_t ticks = 0;
    for (; ticks < first; ticks += kMillisPerPass) {
        idleAt(ticks);
        movePointer();
    }
    for (int i = 0; i < kWarmUpFrames; ++i, ticks += kCountedMillisPerFrame) frameAt(ticks);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const float startedAt = demo.time;
    float loudest = 0;
    AllocationCounter allocations;
    for (int i = 0; i < kCountedFrames; ++i, ticks += kCountedMillisPerFrame) {
        frameAt(ticks);
        loudest = std::fmax(loudest, audioLevel);
    }
    const size_t allocated = allocations.count();
    const float endedAt = demo.time;

    EXPECT_EQ(allocated, 0u) << "heap allocations in " << kCountedFrames << " frames";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The frames were the busy scene, with music playing.
    EXPECT_LT(startedAt, kBusiest);
    EXPECT_GT(endedAt, kBusiest);
    EXPECT_EQ(active([](Fx* fx) { return dynamic_cast<JuggleBall*>(fx) != nullptr; }), 80);
    EXPECT_EQ(active([](Fx* fx) { return dynamic_cast<BkgImage*>(fx) != nullptr; }), 1);
    EXPECT_EQ(active([](Fx* fx) {
                  auto* grid = dynamic_cast<HexFire*>(fx);
                  return grid && grid->mode == 1;
              }),
              1);
    EXPECT_GT(loudest, 0.1f);

    // And they drew: the pulsing picture fills the window. The back buffer is read, so no swap this time.
    platform.swapBuffers = [] {};
    demo.display();
    const std::vector<Rgba> pixels = window->read();
    double sum = 0;
    for (const Rgba& p : pixels) sum += p.r + p.g + p.b;
    EXPECT_GT(sum / (3.0 * static_cast<double>(pixels.size())), 10.0);
}

}  // namespace
