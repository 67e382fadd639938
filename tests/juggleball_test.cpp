// The juggle ball: pointer tracking, kicks, springs, speed limit, wrap-around and the grid it lights.
#include <gtest/gtest.h>

#include <cmath>

#include "fx/JuggleBall.h"
#include "tests/support/GridTest.h"

namespace {

int litCells(const HexFire& grid)
{
    int n = 0;
    for (const HexCell& c : grid.cells) n += c.current() > 0.0f;
    return n;
}

class JuggleBallTest : public GridTest {
protected:
    JuggleBallTest() : GridTest(68.8f, 149.0f) {}
    void SetUp() override { grid.setMode(2); }
    // A ball whose springs are at rest at time 1.0: its target is its own home.
    JuggleBall restingAt(float x, float y) { return JuggleBall(0.0f, 200.0f, x, y, -1.0f, &grid); }
};

TEST(PointerTrackerTest, FirstEventIsNoMotion)
{
    PointerTracker t;
    for (float x : {0.0f, 0.5f, 1.0f, -0.2f}) {
        PointerTracker fresh;
        const float pos[2] = {x, 0.5f};
        PointerTracker::Delta d = fresh.track(pos);
        EXPECT_EQ(d.x, 0.0f);
        EXPECT_EQ(d.y, 0.0f);
        EXPECT_EQ(fresh.lastX, x);
        EXPECT_EQ(fresh.lastY, 0.5f);
    }
}

TEST(PointerTrackerTest, ShortMotionIsTakenAndJumpsRepeatThePrevious)
{
    PointerTracker t;
    const float a[2] = {0.5f, 0.5f}, b[2] = {0.52f, 0.49f}, far[2] = {0.9f, 0.1f};
    t.track(a);
    PointerTracker::Delta d = t.track(b);
    EXPECT_EQ(d.x, 0.52f - 0.5f);
    EXPECT_EQ(d.y, 0.49f - 0.5f);
    PointerTracker::Delta jump = t.track(far);
    EXPECT_EQ(jump.x, d.x);
    EXPECT_EQ(jump.y, d.y);
    EXPECT_EQ(t.lastX, 0.9f);  // the jump still moves the remembered pointer
}

TEST_F(JuggleBallTest, ActiveStrictlyInsideItsWindow)
{
    JuggleBall ball(106.0f, 140.8f, 0.1f, 0.35f, 106.0f, &grid);
    EXPECT_FALSE(ball.isActive(106.0f));
    EXPECT_TRUE(ball.isActive(106.01f));
    EXPECT_FALSE(ball.isActive(140.8f));
    EXPECT_EQ(ball.x, 0.1f);
    EXPECT_EQ(ball.y, 0.35f);
    EXPECT_EQ(ball.vx, 0.0f);
    EXPECT_EQ(ball.lastStep, 0.0f);
}

TEST_F(JuggleBallTest, PointerExactlyAtReachDoesNotKick)
{
    JuggleBall ball = restingAt(0.0f, 0.0f);
    const float pos[2] = {0.1f, 0.0f};
    ASSERT_EQ(std::sqrt(0.1f * 0.1f), 0.1f);  // the distance the ball computes is exactly the reach
    ball.onMouse(pos, 1.0f);
    EXPECT_EQ(ball.vx, 0.0f);
    EXPECT_EQ(ball.vy, 0.0f);
    const float closer[2] = {0.0999f, 0.0f};
    ball.onMouse(closer, 1.0f);
    EXPECT_NE(ball.vy, 0.0f);
}

TEST_F(JuggleBallTest, KickWithoutMotionLiftsSlightly)
{
    JuggleBall ball = restingAt(0.5f, 0.5f);
    const float pos[2] = {0.52f, 0.5f};
    ball.onMouse(pos, 1.0f);  // first event: no motion
    EXPECT_EQ(ball.vx, 0.0f);
    EXPECT_EQ(ball.vy, -0.0001f);
    EXPECT_EQ(ball.x, 0.5f);  // the next step moves it, not the kick
}

TEST_F(JuggleBallTest, KickAddsPointerMotionWithinTheSpeedLimit)
{
    JuggleBall ball = restingAt(0.5f, 0.5f);
    const float a[2] = {0.45f, 0.5f}, b[2] = {0.452f, 0.499f}, c[2] = {0.5f, 0.55f};
    ball.onMouse(a, 1.0f);
    ball.onMouse(b, 1.0f);
    EXPECT_NEAR(ball.vx, 0.002f, 1e-6f);
    EXPECT_NEAR(ball.vy, -0.0001f - 0.0001f - 0.001f, 1e-6f);
    ball.onMouse(c, 1.0f);  // a fast sweep: clamped
    EXPECT_EQ(ball.vx, 0.004f);
    EXPECT_EQ(ball.vy, 0.004f);
}

TEST_F(JuggleBallTest, StepsAtMostOnceAnInterval)
{
    JuggleBall ball(0.0f, 200.0f, 0.5f, 0.5f, 0.0f, &grid);
    ball.update(0.02f);
    EXPECT_EQ(ball.lastStep, 0.0f);  // exactly one interval is not more
    ball.update(0.03f);
    EXPECT_EQ(ball.lastStep, 0.03f);
    float y = ball.y;
    ball.update(0.04f);
    EXPECT_EQ(ball.y, y);
    ball.update(0.01f);  // the clock went back
    EXPECT_EQ(ball.lastStep, 0.01f);
}

TEST_F(JuggleBallTest, StepFollowsTheSpringsInSinglePrecision)
{
    JuggleBall ball(0.0f, 200.0f, 0.3f, 0.5f, 2.0f, &grid);
    ball.x = 0.7f;
    ball.update(1.0f);
    float s = std::sin(1.0f + 2.0f);
    float ty = 0.5f + 0.6f * s;
    float vx = 0.0f + (0.3f - 0.7f) * 0.0005f;
    float vy = std::fmin(std::fmax((ty - 0.5f) * 0.3f, -0.004f), 0.004f);
    EXPECT_EQ(ball.vx, vx);
    EXPECT_EQ(ball.vy, vy);
    EXPECT_EQ(ball.x, 0.7f + vx);
    EXPECT_EQ(ball.y, 0.5f + vy);
}

TEST_F(JuggleBallTest, NoStepLeavesASpeedBeyondTheLimit)
{
    JuggleBall ball(0.0f, 200.0f, 0.1f, 0.35f, 0.0f, &grid);
    ball.x = 0.9f;
    float t = 0.0f;
    for (int i = 0; i < 3000; ++i) {
        t += 0.021f;
        ball.update(t);
        ASSERT_LE(std::fabs(ball.vx), 0.004f);
        ASSERT_LE(std::fabs(ball.vy), 0.004f);
    }
}

TEST_F(JuggleBallTest, WrapsJustBeyondTheWindow)
{
    struct Case {
        float at, to;
    } cases[] = {{-0.1f, -0.1f}, {std::nextafter(-0.1f, -1.0f), 1.05f}, {1.1f, 1.1f},
                 {std::nextafter(1.1f, 2.0f), -0.05f}};
    for (const Case& c : cases) {
        JuggleBall bx = restingAt(c.at, 0.5f);
        bx.update(1.0f);
        EXPECT_EQ(bx.x, c.to) << c.at;
        JuggleBall by = restingAt(0.5f, c.at);
        by.update(1.0f);
        EXPECT_EQ(by.y, c.to) << c.at;
    }
}

TEST_F(JuggleBallTest, LightsTheGridWhereItIs)
{
    JuggleBall ball = restingAt(0.5f, 0.5f);
    ball.update(1.0f);
    int row, col;
    const float pos[2] = {ball.x, ball.y};
    grid.locate(pos, row, col);
    EXPECT_EQ(grid.cells[col + row * grid.cols].current(), 1.0f);
    EXPECT_EQ(litCells(grid), 19);
}

TEST_F(JuggleBallTest, WrappedBallLightsNothing)
{
    JuggleBall ball = restingAt(1.1f, 0.5f);
    ball.x = std::nextafter(1.1f, 2.0f);
    ball.homeX = ball.x;
    ball.update(1.0f);
    ASSERT_EQ(ball.x, -0.05f);
    EXPECT_EQ(litCells(grid), 0);  // -0.05 lies left of column 0's reach
}

}  // namespace
