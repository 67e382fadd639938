// The listening show starts over at its end, in the same process, as at start-up: the second pass draws the
// same frames as the first at the same show times (given the same sound and pointer strokes), from the same pictures (not read again), and ten passes
// leave the heap as the first ones did. Run on a hand-set clock with the generated pictures, drawn for real.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "app/Demo.h"
#include "app/Listen.h"
#include "app/Show.h"
#include "app/Window.h"
#include "fx/BkgImage.h"
#include "fx/Fx.h"
#include "gfx/Texture.h"
#include "tests/support/DefaultAssets.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/GlWindow.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr uint32_t kMillisPerPass = 16;  // about 60 idle passes a second, as on a 60 Hz display
constexpr uint32_t kShowMillis = 152000;
constexpr size_t kSlackBytes = 256;
// Show times to compare: every part of the timeline, from grid A's opening to the closing picture.
const std::vector<uint32_t> kSampled = {2000, 12500, 20000, 30000, 36000, 45000, 60000,
                                        90000, 107000, 120000, 140000, 147000};

// A spectrum that moves with show time, so the frames depend on the level as the captured sound makes them.
void hearAt(uint32_t showMillis)
{
    const float t = static_cast<float>(showMillis) * 0.001f;
    for (int k = 0; k < kSpectrumBins; ++k)
        FakePlatform::bins[k] = 0.06f * (1.0f + std::sin(1.7f * t + 0.05f * static_cast<float>(k)));
}

// The same pointer strokes at the same show times in every pass: while grid A is in mode 4 they knock cells
// loose, which drift by the grids' pseudo-random generator.
void pointAt(uint32_t showMillis)
{
    if (showMillis < 28000 || showMillis > 34000 || showMillis % 64 != 0) return;
    const float s = static_cast<float>(showMillis) * 0.002f;
    currentDemo->mouse(static_cast<int>(kWidth * (0.5f + 0.4f * std::sin(s))),
                       static_cast<int>(kHeight * (0.5f + 0.4f * std::cos(1.3f * s))));
}

class ListenLoop : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(defaultAssets().empty()); }

    FakePlatform fake;
    Demo demo;

    void SetUp() override
    {
        GlWindow::open(kWidth, kHeight);
        platform.clearFrame = [] { glClear(GL_COLOR_BUFFER_BIT); };
        platform.endShow = startShowOver;  // what listening binds
        currentDemo = &demo;
        char here[PATH_MAX];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        ASSERT_EQ(chdir(defaultAssets().c_str()), 0);
        buildShow(&demo);
        ASSERT_EQ(chdir(here), 0);
        demo.reshape(kWidth, kHeight);
    }
    void TearDown() override
    {
        releaseShow(&demo);
        currentDemo = nullptr;
    }

    // One whole pass from the clock's start, ended by the idle pass that starts the show over. The frames at
    // the sampled show times are drawn and read back when `frames` is given.
    void runPass(std::map<uint32_t, std::vector<Rgba>>* frames, uint32_t step = kMillisPerPass)
    {
        const uint32_t start = demo.startTicks;
        size_t next = 0;
        for (uint32_t t = step; demo.startTicks == start; t += step) {
            FakePlatform::ticks = start + t;
            hearAt(t);
            demo.idle();
            pointAt(t);
            if (frames && next < kSampled.size() && t >= kSampled[next]) {
                demo.display();
                (*frames)[kSampled[next++]] = GlWindow::open(kWidth, kHeight).read();
            }
            ASSERT_LT(t, kShowMillis + 1000) << "the show did not start over";
        }
    }

    std::vector<Texture*> pictures() const
    {
        std::vector<Texture*> found;
        for (Fx* fx : demo.effects)
            if (auto* b = dynamic_cast<BkgImage*>(fx)) found.push_back(b->texture);
        return found;
    }
};

bool same(const std::vector<Rgba>& a, const std::vector<Rgba>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Rgba)) == 0;
}

TEST_F(ListenLoop, SecondPassDrawsTheFirstPassFramesAtTheSameShowTimes)
{
    const std::vector<Texture*> firstPictures = pictures();
    std::vector<GLuint> ids;
    for (Texture* t : firstPictures) ids.push_back(t->id);
    std::map<uint32_t, std::vector<Rgba>> first, second;
    runPass(&first);
    EXPECT_EQ(FakePlatform::ends, 0) << "the process was asked to end";
    EXPECT_EQ(demo.time, 0.0f);
    EXPECT_EQ(audioLevel, 1.0f);
    EXPECT_FALSE(musicStarted);
    EXPECT_EQ(demo.effects.size(), 92u);
    EXPECT_EQ(pictures(), firstPictures) << "the pictures were made again";
    for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(firstPictures[i]->id, ids[i]);

    runPass(&second);
    ASSERT_EQ(first.size(), kSampled.size());
    int lit = 0;
    for (uint32_t at : kSampled) {
        EXPECT_TRUE(same(first[at], second[at])) << "frame at " << at << " ms differs";
        for (const Rgba& p : first[at]) lit += p.r + p.g + p.b > 60;
    }
    EXPECT_GT(lit, 1000) << "the frames compared must show something";
}

TEST_F(ListenLoop, TenPassesHoldTheHeapOfTheFirst)
{
    if (mallinfo2().uordblks == 0) GTEST_SKIP() << "this allocator does not report its heap (a sanitizer's)";
    constexpr uint32_t kCoarse = 50;  // fewer idle passes: the heap does not depend on their number
    // The first start over settles what the process keeps once, such as the allocator's own bins.
    runPass(nullptr, kCoarse);
    runPass(nullptr, kCoarse);
    const size_t afterTwo = mallinfo2().uordblks;
    for (int pass = 3; pass <= 10; ++pass) runPass(nullptr, kCoarse);
    const size_t afterTen = mallinfo2().uordblks;
    // Mesa's and the test's own allocations may move a few bytes; one effect kept per pass would be hundreds.
    EXPECT_LE(afterTen, afterTwo + kSlackBytes)
        << "heap bytes in use after two passes " << afterTwo << ", after ten " << afterTen;
}

}  // namespace
