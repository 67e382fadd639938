#include <cmath>

#include "tools/assets/Designs.h"
#include "tools/assets/Paint.h"

using namespace paint;

namespace {
constexpr int kTunnelRays = 12;
constexpr float kTunnelDepth = 0.45f;   // larger: rings crowd towards the rim
constexpr float kTunnelTwist = 0.35f;
constexpr int kGalaxyArms = 2;
constexpr float kGalaxyWinding = 4.5f;
constexpr float kStarGrid = 180.0f;     // star slots per window height
constexpr float kStarChance = 0.06f;
constexpr uint32_t kSeed = 23;
}

Canvas::Colour tunnel(float u, float v)
{
    const float x = (u - 0.5f) * kAspect;
    const float y = v - 0.5f;
    const float r = std::hypot(x, y);
    const float depth = kTunnelDepth / (r + 0.03f);
    const float angle = std::atan2(y, x) + depth * kTunnelTwist;

    const float rings = 0.5f + 0.5f * std::cos(depth * 2.0f * kPi);
    const float rays = std::cos(angle * static_cast<float>(kTunnelRays) * 0.5f);
    // A chequer of tiles on the tunnel wall, soft-edged so it does not flicker when scaled.
    const float tiles = smoothstep(-0.25f, 0.25f, (2.0f * rings - 1.0f) * rays);

    const Colour deep = hsv(0.76f + 0.04f * std::sin(depth), 0.85f, 0.55f);
    const Colour lit = hsv(0.52f + 0.08f * std::sin(depth * 0.7f), 0.75f, 1.0f);
    Colour c = mix(deep, lit, tiles);
    // Edges of the tiles catch the light.
    const float rim = std::pow(1.0f - std::fabs(2.0f * rings - 1.0f), 6.0f);
    c = add(c, scale(Colour{0.9f, 0.5f, 1.0f}, 0.35f * rim));
    const float core = std::exp(-r * 9.0f);
    c = mix(c, Colour{1.0f, 0.95f, 1.0f}, core);
    return scale(c, 0.55f + 0.45f * smoothstep(0.75f, 0.1f, r));
}

Canvas::Colour galaxy(float u, float v)
{
    const float x = (u - 0.5f) * kAspect;
    const float y = v - 0.5f;
    const float r = std::hypot(x, y);
    const float angle = std::atan2(y, x);

    const float cloud = fbm(x * 3.0f + 7.0f, y * 3.0f, kSeed);
    Colour c = mix(Colour{0.03f, 0.02f, 0.10f}, Colour{0.30f, 0.06f, 0.35f}, smoothstep(0.35f, 0.8f, cloud));

    const float wave = std::cos(static_cast<float>(kGalaxyArms) * angle - kGalaxyWinding * std::log(r + 0.04f));
    const float dust = fbm(x * 9.0f, y * 9.0f, kSeed + 1);
    const float arm = std::pow(0.5f + 0.5f * wave, 3.0f) * smoothstep(0.75f, 0.05f, r) * (0.6f + 0.6f * dust);
    const Colour armColour = mix(Colour{1.0f, 0.62f, 0.15f}, Colour{0.95f, 0.18f, 0.55f}, smoothstep(0.05f, 0.5f, r));
    c = add(c, scale(armColour, 1.3f * arm));

    const float core = std::exp(-r * 10.0f);
    c = add(c, scale(Colour{1.0f, 0.85f, 0.55f}, 1.4f * core));

    // Stars: at most one per slot, placed and sized by the slot's hash.
    const float sx = u * kStarGrid * kAspect;
    const float sy = v * kStarGrid;
    const int gx = static_cast<int>(std::floor(sx));
    const int gy = static_cast<int>(std::floor(sy));
    if (hash(gx, gy, kSeed + 2) < kStarChance) {
        const float cx = static_cast<float>(gx) + 0.2f + 0.6f * hash(gx, gy, kSeed + 3);
        const float cy = static_cast<float>(gy) + 0.2f + 0.6f * hash(gx, gy, kSeed + 4);
        const float size = 0.12f + 0.2f * hash(gx, gy, kSeed + 5);
        const float star = smoothstep(size, 0.0f, std::hypot(sx - cx, sy - cy));
        c = add(c, scale(Colour{0.9f, 0.95f, 1.0f}, star));
    }
    return c;
}
