// The runtime's clock, frame loop, audio level and dispatch, driven through a fake platform.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/Demo.h"
#include "fx/Fx.h"
#include "tests/support/FakePlatform.h"

namespace {

std::vector<std::string> calls;

// An effect active strictly inside (start, end) that logs every call it gets.
struct Recorder : Fx {
    std::string name;
    float start, end;
    float lastPos[2] = {-1, -1};
    Recorder(std::string n, float s, float e) : name(std::move(n)), start(s), end(e) {}
    bool isActive(float t) override { return start < t && t < end; }
    void draw(float) override { calls.push_back(name + ".draw"); }
    void update(float) override { calls.push_back(name + ".update"); }
    void onMouse(const float* pos, float) override
    {
        lastPos[0] = pos[0];
        lastPos[1] = pos[1];
        calls.push_back(name + ".mouse");
    }
};

class DemoTest : public testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    void at(uint32_t ms)
    {
        FakePlatform::ticks = demo.startTicks + ms;
        demo.idle();
    }
    FakePlatform fake;
    Demo demo;
};

TEST_F(DemoTest, StartsWithTheWindowSizeAndSilentClock)
{
    EXPECT_EQ(demo.width, 1024);
    EXPECT_EQ(demo.height, 768);
    EXPECT_EQ(demo.time, 0.0f);
    EXPECT_TRUE(demo.effects.empty());
    EXPECT_EQ(audioLevel, 1.0f);  // before the first idle
}

TEST_F(DemoTest, ClockCountsMillisecondsFromStart)
{
    demo.startTicks = 5000;
    at(1234);
    EXPECT_FLOAT_EQ(demo.time, 1.234f);
    EXPECT_EQ(demo.time, static_cast<float>(1234u) * 0.001f);
}

TEST_F(DemoTest, ClockSurvivesTheCounterWrapping)
{
    demo.startTicks = 0xFFFFFF00u;  // 256 ms before the 32-bit counter wraps
    FakePlatform::ticks = 0x00000100u;
    demo.idle();
    EXPECT_FLOAT_EQ(demo.time, 0.512f);
}

TEST_F(DemoTest, MusicStartsOnceStrictlyAfterTwelveSeconds)
{
    // 12000 ms is 12.000001 s in single precision, the first reading past 12.
    at(11999);
    EXPECT_LT(demo.time, 12.0f);
    EXPECT_EQ(FakePlatform::plays, 0);
    EXPECT_FALSE(musicStarted);
    at(12000);
    EXPECT_GT(demo.time, 12.0f);
    EXPECT_EQ(FakePlatform::plays, 1);
    EXPECT_TRUE(musicStarted);
    at(12500);
    at(60000);
    EXPECT_EQ(FakePlatform::plays, 1);
}

TEST_F(DemoTest, ShowEndsOnlyAfter152Seconds)
{
    at(152000);  // exactly 152.0 s in single precision
    EXPECT_EQ(demo.time, 152.0f);
    EXPECT_EQ(FakePlatform::ends, 0);
    EXPECT_EQ(FakePlatform::redisplays, 1);
    at(152001);
    EXPECT_EQ(FakePlatform::ends, 1);
    EXPECT_EQ(FakePlatform::redisplays, 1);  // nothing else happens in the ending idle
}

TEST_F(DemoTest, EndingIdleTouchesNoEffect)
{
    Recorder r("r", 0.0f, 1000.0f);
    demo.effects.push_back(&r);
    at(152001);
    EXPECT_TRUE(calls.empty());
}

TEST_F(DemoTest, AudioLevelSumsBinsTwoToFiftyNine)
{
    for (float& b : FakePlatform::bins) b = 1.0f;
    at(10);
    float expected = 0.0f;
    for (int k = 2; k <= 59; ++k) expected += 1.0f * 0.1f;
    EXPECT_EQ(audioLevel, expected);
    EXPECT_NEAR(audioLevel, 5.8f, 1e-4f);
    EXPECT_EQ(spectrum, FakePlatform::bins);
}

TEST_F(DemoTest, AudioLevelIgnoresBinsOutsideTheBand)
{
    FakePlatform::bins[0] = FakePlatform::bins[1] = 1.0f;
    FakePlatform::bins[60] = FakePlatform::bins[511] = 1.0f;
    at(10);
    EXPECT_EQ(audioLevel, 0.0f);
    FakePlatform::bins[2] = 0.5f;
    FakePlatform::bins[59] = 0.25f;
    at(20);
    EXPECT_FLOAT_EQ(audioLevel, 0.075f);
}

TEST_F(DemoTest, AudioLevelIsComputedWithAnEmptyList)
{
    FakePlatform::bins[10] = 2.0f;
    at(1);
    EXPECT_FLOAT_EQ(audioLevel, 0.2f);
    demo.display();
    EXPECT_EQ(FakePlatform::clears, 1);
    EXPECT_EQ(FakePlatform::swaps, 1);
}

TEST_F(DemoTest, EffectsTakePartOnlyWhileActive)
{
    // The window 12.0 to 27.3 in milliseconds read by the clock: 11999 and 27300 fall outside it.
    Recorder r("r", 12.0f, 27.3f);
    demo.effects.push_back(&r);
    for (uint32_t ms : {11999u, 27300u, 5000u, 30000u}) {
        at(ms);
        demo.display();
        demo.mouse(1, 1);
    }
    EXPECT_TRUE(calls.empty());
    for (uint32_t ms : {12000u, 27299u}) {
        at(ms);
        demo.display();
        demo.mouse(1, 1);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"r.update", "r.draw", "r.mouse", "r.update", "r.draw", "r.mouse"}));
}

TEST_F(DemoTest, DispatchFollowsListOrder)
{
    Recorder a("a", 0, 10), b("b", 0, 10), c("c", 5, 10);
    demo.effects = {&a, &b, &c};
    at(1000);
    demo.display();
    demo.mouse(0, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"a.update", "b.update", "a.draw", "b.draw", "a.mouse", "b.mouse"}));
}

TEST_F(DemoTest, DisplayUsesTheTimeOfTheLastIdle)
{
    Recorder r("r", 1.0f, 2.0f);
    demo.effects.push_back(&r);
    at(1500);
    FakePlatform::ticks += 10000;  // the clock moves on, but display does not read it
    demo.display();
    EXPECT_EQ(calls.back(), "r.draw");
}

TEST_F(DemoTest, PointerIsNormalisedByTheWindowSize)
{
    Recorder r("r", 0, 10);
    demo.effects.push_back(&r);
    at(100);
    demo.mouse(512, 384);
    EXPECT_EQ(r.lastPos[0], 0.5f);
    EXPECT_EQ(r.lastPos[1], 0.5f);
    demo.mouse(-1024, 1536);  // beyond the window: passed on as it is
    EXPECT_EQ(r.lastPos[0], -1.0f);
    EXPECT_EQ(r.lastPos[1], 2.0f);
}

TEST_F(DemoTest, ReshapeStoresTheSizeNeverBelowTen)
{
    demo.reshape(800, 600);
    EXPECT_EQ(demo.width, 800);
    EXPECT_EQ(demo.height, 600);
    demo.reshape(5, 3);
    EXPECT_EQ(demo.width, 10);
    EXPECT_EQ(demo.height, 10);
    demo.reshape(0, -7);
    EXPECT_EQ(demo.width, 10);
    EXPECT_EQ(demo.height, 10);

    Recorder r("r", 0, 10);
    demo.effects.push_back(&r);
    at(100);
    demo.reshape(4, 4);
    demo.mouse(5, 5);
    EXPECT_EQ(r.lastPos[0], 0.5f);
    EXPECT_EQ(r.lastPos[1], 0.5f);
}

TEST_F(DemoTest, EveryIdleRequestsOneRedraw)
{
    for (uint32_t ms = 0; ms < 1000; ms += 16) at(ms);
    EXPECT_EQ(FakePlatform::redisplays, 63);
}

}  // namespace
