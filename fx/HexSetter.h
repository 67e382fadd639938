#pragma once
#include "fx/Fx.h"

struct HexFire;

// Switches one grid to another mode once, in the first query whose time is past `triggerTime`. It acts inside
// isActive, which the runtime asks of every effect right after each clock advance; it draws nothing.
struct HexSetter : Fx {
    int mode;
    float triggerTime;
    bool fired = false;
    HexFire* target;  // not owned

    HexSetter(float triggerTime, int mode, HexFire* target) : mode(mode), triggerTime(triggerTime), target(target) {}

    bool isActive(float time) override;  // true only in the one call that fires
    void draw(float) override {}
    void update(float) override {}
    void onMouse(const float*, float) override {}
};
