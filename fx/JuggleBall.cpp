#include "fx/JuggleBall.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "fx/HexFire.h"

namespace {
constexpr float kReach = 0.1f;           // pointer distance that kicks, and the longest jump that counts as motion
constexpr float kKickLift = 0.0001f;     // each kick also nudges the ball up
constexpr float kMaxSpeed = 0.004f;      // per step, each component
constexpr float kSpringX = 0.0005f;      // weak: a kicked ball drifts sideways for a long time
constexpr float kSpringY = 0.3f;
constexpr float kSwing = 0.6f;           // amplitude of the target height's swing
constexpr float kWrapLow = -0.1f;
constexpr float kWrapHigh = 1.1f;
constexpr float kWrapToHigh = 1.05f;
constexpr float kWrapToLow = -0.05f;
constexpr float kStrength = 1.0f;

float clampSpeed(float v)
{
    if (v < -kMaxSpeed) return -kMaxSpeed;
    if (v > kMaxSpeed) return kMaxSpeed;
    return v;
}

float wrap(float v)
{
    if (v < kWrapLow) v = kWrapToHigh;
    if (v > kWrapHigh) v = kWrapToLow;
    return v;
}
}  // namespace

PointerTracker::Delta PointerTracker::track(const float* pos)
{
    float dx = pos[0] - lastX;
    float dy = pos[1] - lastY;
    float distance = std::sqrt(dx * dx + dy * dy);
    if (distance < kReach) {
        deltaX = dx;
        deltaY = dy;
    }
    lastX = pos[0];
    lastY = pos[1];
    return {deltaX, deltaY};
}

void JuggleBall::draw(float)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 1, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void JuggleBall::update(float time)
{
    if (!(time - lastStep > stepInterval) && !(time < lastStep)) return;
    lastStep = time;

    float angle = time + phase;
    float s = std::sin(angle);
    float swing = kSwing * s;
    float ty = homeY + swing;
    float tx = homeX;

    vx = vx + (tx - x) * kSpringX;
    vy = vy + (ty - y) * kSpringY;
    vy = clampSpeed(vy);
    vx = clampSpeed(vx);
    x = x + vx;
    y = y + vy;
    x = wrap(x);
    y = wrap(y);

    const float pos[2] = {x, y};
    target->excite(pos, kStrength);
}

void JuggleBall::onMouse(const float* pos, float)
{
    PointerTracker::Delta delta = tracker.track(pos);
    float dx = x - pos[0];
    float dy = y - pos[1];
    float d = std::sqrt(dx * dx + dy * dy);
    if (!(d < kReach)) return;
    vy = vy - kKickLift;
    vx = vx + delta.x;
    vy = vy + delta.y;
    vy = clampSpeed(vy);
    vx = clampSpeed(vx);
}
