#include "fx/HexColour.h"

namespace {
constexpr float kLitAbove = 0.5f;        // mode 0 on/off and mode 1 green threshold
constexpr float kBurntAbove = 0.95f;     // mode 1 turns black beyond this
constexpr float kGlowRed = 0.3f;         // mode 1: red = kGlowRed v + kGlowRedBase
constexpr float kGlowRedBase = 0.1f;
constexpr float kGlowGreen = 0.4f;       // mode 1: g = kGlowGreen v + kGlowGreen, green = g g
constexpr float kGlowBlue = 0.3f;        // mode 1: blue = kGlowBlue v + audioLevel
constexpr float kPictureGrey = 0.3f;     // modes 2, 3
constexpr float kFallingGrey = 0.6f;     // mode 4
constexpr float kOtherGreenBlue = 0.2f;  // any other mode
}

CellColour cellColour(int mode, float v, float audioLevel)
{
    switch (mode) {
    case 0: {
        const float k = v > kLitAbove ? 1.0f : 0.0f;
        return {k, k, k, k};
    }
    case 1: {
        if (v > kBurntAbove) return {0.0f, 0.0f, 0.0f, v};
        // g is rounded to float before squaring.
        const float g = v > kLitAbove ? kGlowGreen * v + kGlowGreen : 0.0f;
        return {kGlowRed * v + kGlowRedBase, g * g, kGlowBlue * v + audioLevel, v};
    }
    case 2:
    case 3: {
        const float grey = audioLevel + kPictureGrey;
        return {grey, grey, grey, v};
    }
    case 4: {
        const float grey = audioLevel + kFallingGrey;
        return {grey, grey, grey, 1.0f};
    }
    default:
        return {v, kOtherGreenBlue * v, kOtherGreenBlue * v, v};
    }
}
