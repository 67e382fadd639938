#include <cmath>

#include "tools/assets/Designs.h"
#include "tools/assets/Paint.h"

using namespace paint;

namespace {
constexpr float kFrameRadius = 0.30f;   // circumradius of the glowing frame, in window heights
constexpr float kFrameWidth = 0.010f;
constexpr float kPaneRadius = 0.24f;    // the stained glass inside it
constexpr float kEmblemY = 0.42f;
constexpr float kRuleY = 0.77f;         // a thin line under the emblem
constexpr float kRowY = 0.84f;          // the row of fading hexagons
constexpr int kRowCount = 5;
constexpr float kRowStep = 0.09f;
constexpr float kRowRadius = 0.022f;
}

Canvas::Colour closingCard(float u, float v)
{
    const float x = (u - 0.5f) * kAspect;
    const float y = v - kEmblemY;
    const float r = std::hypot(x, y);
    Colour c = mix(Colour{0.05f, 0.06f, 0.16f}, Colour{0.0f, 0.0f, 0.02f}, smoothstep(0.1f, 0.9f, r));

    // Stained glass seen through the frame, a little dimmer towards its rim.
    const float pane = hexRadius(x / kPaneRadius, y / kPaneRadius);
    if (pane < 1.0f) {
        const Colour glass = stainedGlass(0.5f + x / kAspect * 1.6f, 0.5f + y * 1.6f);
        c = mix(c, scale(glass, 1.0f - 0.35f * pane * pane), smoothstep(1.0f, 0.985f, pane));
    }

    // The frame: a thin bright hexagon whose colour runs round it, with a soft glow.
    const float frameDistance = std::fabs(hexRadius(x, y) - kFrameRadius);
    const float hue = std::atan2(y, x) / (2.0f * kPi) + 0.1f;
    const Colour frameColour = hsv(hue, 0.55f, 1.0f);
    const float line = smoothstep(kFrameWidth, kFrameWidth * 0.4f, frameDistance);
    const float glow = std::exp(-frameDistance * 40.0f) * 0.5f;
    c = add(c, scale(frameColour, line + glow));

    // A thin rule and a row of hexagons that fade from left to right: the show dimming out.
    const float rule = smoothstep(0.003f, 0.0f, std::fabs(v - kRuleY)) * smoothstep(0.3f, 0.0f, std::fabs(x));
    c = add(c, scale(Colour{0.6f, 0.7f, 1.0f}, 0.8f * rule));
    for (int i = 0; i < kRowCount; ++i) {
        const float hx = (static_cast<float>(i) - 0.5f * static_cast<float>(kRowCount - 1)) * kRowStep;
        const float hr = hexRadius((x - hx) / kRowRadius, (v - kRowY) / kRowRadius);
        const float fill = smoothstep(1.0f, 0.9f, hr);
        const float bright = 1.0f - static_cast<float>(i) / static_cast<float>(kRowCount);
        const Colour dot = hsv(0.55f + 0.1f * static_cast<float>(i), 0.6f, bright);
        c = mix(c, dot, fill * (0.25f + 0.75f * bright));
    }
    return c;
}
