#pragma once
#include <cmath>
#include <cstdint>

#include "tools/assets/Canvas.h"

// Small helpers for painting the default pictures. Everything is a pure function of its arguments,
// so the pictures come out the same on every run.
namespace paint {

using Colour = Canvas::Colour;

constexpr float kPi = 3.14159265358979f;
// The show's windows are 4:3 (the grids have 64 x 48 cells), so x is stretched by this much on screen.
constexpr float kAspect = 4.0f / 3.0f;

inline float mix(float a, float b, float t) { return a + (b - a) * t; }
inline Colour mix(Colour a, Colour b, float t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }
inline Colour scale(Colour c, float k) { return {c.r * k, c.g * k, c.b * k}; }
inline Colour add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float smoothstep(float e0, float e1, float x)
{
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

// Hue in turns (any value, wraps), saturation and value 0 to 1.
inline Colour hsv(float h, float s, float v)
{
    h -= std::floor(h);
    auto channel = [&](float n) {
        const float k = std::fmod(n + h * 6.0f, 6.0f);
        return v - v * s * clamp01(std::fmin(k, 4.0f - k));
    };
    return {channel(5.0f), channel(3.0f), channel(1.0f)};
}

// A well-mixed 32-bit hash of two integers and a seed, as a float in [0, 1).
inline float hash(int x, int y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

// Smooth value noise, about one feature per unit.
inline float noise(float x, float y, uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const float fx = smoothstep(0.0f, 1.0f, x - static_cast<float>(ix));
    const float fy = smoothstep(0.0f, 1.0f, y - static_cast<float>(iy));
    const float top = mix(hash(ix, iy, seed), hash(ix + 1, iy, seed), fx);
    const float bottom = mix(hash(ix, iy + 1, seed), hash(ix + 1, iy + 1, seed), fx);
    return mix(top, bottom, fy);
}

// Four octaves of noise, 0 to 1.
inline float fbm(float x, float y, uint32_t seed)
{
    float sum = 0.0f;
    float weight = 0.5f;
    for (int octave = 0; octave < 4; ++octave) {
        sum += weight * noise(x, y, seed + static_cast<uint32_t>(octave));
        x *= 2.0f;
        y *= 2.0f;
        weight *= 0.5f;
    }
    return sum / 0.9375f;
}

// Distance-like measure of a flat-topped hexagon of circumradius 1 centred at the origin: below 1 inside.
inline float hexRadius(float x, float y)
{
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    return std::fmax(ay / 0.8660254f, (ax * 0.8660254f + ay * 0.5f) / 0.8660254f);
}

}  // namespace paint
