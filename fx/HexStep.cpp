#include "fx/HexFire.h"

namespace {

constexpr float kRiseGain = 0.17f;       // mode 1: 4 x own + 2 x mean below, times this
constexpr float kRiseCeiling = 0.995f;
constexpr float kSpreadThreshold = 0.9f; // mode 2: only neighbours above this spread
constexpr float kSpreadGain = 0.01f;
constexpr float kFillGain = 0.1f;        // mode 3
constexpr float kFillBase = 0.002f;
constexpr float kCeiling = 0.999f;       // modes 2 and 3
constexpr float kGravity = 0.001f;       // mode 4: added to a falling cell's vy per step

float rise(const HexCell& cell) {
    const float a = 4.0f * cell.current();
    float s = 0.0f;
    int n = 0;
    for (const HexCell* below : cell.lower) {
        if (below) {
            s = below->current() + s;
            n = n + 1;
        }
    }
    const float m = n > 0 ? s / static_cast<float>(n) : s;
    const float t = 2.0f * m + a;
    const float next = t * kRiseGain;
    return next > kRiseCeiling ? kRiseCeiling : next;
}

float spread(const HexCell& cell) {
    float s = 0.0f;
    for (int k = 0; k < 3; ++k) {
        for (const HexCell* n : {cell.lower[k], cell.upper[k]}) {
            if (n) {
                const float v = n->current();
                if (v > kSpreadThreshold) s = v * kSpreadGain + s;
            }
        }
    }
    const float next = s + cell.current();
    return next > kCeiling ? kCeiling : next;
}

float fill(const HexCell& cell) {
    float s = 0.0f;
    for (int k = 0; k < 3; ++k) {
        for (const HexCell* n : {cell.lower[k], cell.upper[k]}) {
            if (n) s = n->current() * kFillGain + s;
        }
    }
    const float next = (s + kFillBase) + cell.current();
    return next > kCeiling ? kCeiling : next;
}

}  // namespace

void HexCell::step(int mode) {
    float next = 0.0f;
    switch (mode) {
        case 0: next = current(); break;
        case 1: next = rise(*this); break;
        case 2: next = spread(*this); break;
        case 3: next = fill(*this); break;
        case 4:
            if (falling) {
                x = x + vx;
                y = y + vy;
                vy = vy + kGravity;
            }
            break;
        default: break;
    }
    value[flip ? 0 : 1] = next;
}

void HexFire::update(float time) {
    const bool due = time - lastStep > stepInterval;
    const bool clockWentBack = time < lastStep;
    if (!due && !clockWentBack) return;
    lastStep = time;
    // Every cell reads its neighbours' old values, so all flip only after the last one stepped.
    for (HexCell& cell : cells) cell.step(mode);
    for (HexCell& cell : cells) cell.flip = !cell.flip;
}
