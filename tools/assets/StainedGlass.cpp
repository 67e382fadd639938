#include <cmath>

#include "tools/assets/Designs.h"
#include "tools/assets/Paint.h"

using namespace paint;

namespace {
// Panes per window width and height: 64 x 48 grid cells make four cells per pane each way.
constexpr float kPanesX = 16.0f;
constexpr float kPanesY = 12.0f;
constexpr uint32_t kSeed = 11;
constexpr float kLead = 0.07f;     // half-width of the dark lines between panes, in pane units
constexpr float kJitter = 0.6f;    // how far a pane's centre strays from its slot
}

Canvas::Colour stainedGlass(float u, float v)
{
    const float px = u * kPanesX;
    const float py = v * kPanesY;
    const int cx = static_cast<int>(std::floor(px));
    const int cy = static_cast<int>(std::floor(py));
    float nearest = 1e9f;
    float second = 1e9f;
    int bestX = 0;
    int bestY = 0;
    float seedX = 0.0f;
    float seedY = 0.0f;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const int gx = cx + dx;
            const int gy = cy + dy;
            const float sx = static_cast<float>(gx) + 0.5f + kJitter * (hash(gx, gy, kSeed) - 0.5f);
            const float sy = static_cast<float>(gy) + 0.5f + kJitter * (hash(gx, gy, kSeed + 1) - 0.5f);
            const float d = std::hypot(px - sx, py - sy);
            if (d < nearest) {
                second = nearest;
                nearest = d;
                bestX = gx;
                bestY = gy;
                seedX = sx;
                seedY = sy;
            } else if (d < second) {
                second = d;
            }
        }
    }
    // Hue sweeps once around the window's centre and shifts outwards, so neighbouring panes differ
    // a little and the picture as a whole reads as one bright wheel.
    const float ox = (seedX / kPanesX - 0.5f) * kAspect;
    const float oy = seedY / kPanesY - 0.5f;
    const float angle = std::atan2(oy, ox) / (2.0f * kPi);
    const float radius = std::hypot(ox, oy);
    const float hue = angle + radius * 0.6f + 0.25f * (hash(bestX, bestY, kSeed + 2) - 0.5f);
    const float saturation = 0.7f + 0.3f * hash(bestX, bestY, kSeed + 3);
    const float glow = 1.0f - 0.45f * smoothstep(0.0f, 0.9f, nearest);
    const float grain = 0.85f + 0.15f * fbm(u * 40.0f, v * 30.0f, kSeed + 4);
    const Colour glass = hsv(hue, saturation, glow * grain);

    const float edge = (second - nearest) * 0.5f;  // about the distance to the pane's border
    const float lead = smoothstep(kLead, kLead + 0.04f, edge);
    return scale(glass, 0.08f + 0.92f * lead);
}
