#pragma once
#include "fx/Fx.h"

struct HexFire;

// The pointer as one ball has seen it. Starts far outside the window so the first event is no motion.
struct PointerTracker {
    float lastX = -4.0f;
    float lastY = -4.0f;
    float deltaX = 0.0f;  // the last motion shorter than the pointer's reach
    float deltaY = 0.0f;

    struct Delta {
        float x, y;
    };
    // Remembers pos and returns the latest short motion; a jump of 0.1 or more repeats the previous one.
    Delta track(const float* pos);
};

// An invisible ball on a grid, seen only through the cells it lights. Springs pull it toward its home column
// and toward a height that swings about its home row; the pointer kicks it when it passes within 0.1.
// Velocities stay within +-0.004 per step; positions wrap around just beyond the window.
struct JuggleBall : Fx {
    float start;
    float end;
    float stepInterval = 0.02f;
    float lastStep = 0.0f;
    PointerTracker tracker;
    float homeX;
    float homeY;
    float x;
    float y;
    float vx = 0.0f;
    float vy = 0.0f;
    float phase;      // seconds added to the show time in the vertical swing
    HexFire* target;  // not owned

    JuggleBall(float start, float end, float homeX, float homeY, float phase, HexFire* target)
        : start(start), end(end), homeX(homeX), homeY(homeY), x(homeX), y(homeY), phase(phase), target(target)
    {
    }

    bool isActive(float time) override { return start < time && time < end; }
    void draw(float time) override;  // sets the 2D projection only
    void update(float time) override;
    void onMouse(const float* pos, float time) override;
};
