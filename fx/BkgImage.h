#pragma once
#include "fx/Fx.h"

class Texture;

// A picture filling the window for a span of the show. Up to and including 146 s it pulses with the music's
// loudness, read from `spectrum` at every frame: drawn 1.3 + level^2 window sizes wide at grey 0.3 + level^2.
// Strictly after 146 s it is drawn plainly, window-sized and in full colour. No spectrum reads as silence.
struct BkgImage : Fx {
    BkgImage(float start, float end, Texture* texture);

    float start;       // active strictly after this show time
    float end;         // and strictly before this one
    Texture* texture;  // not owned, never null, outlives the effect

    bool isActive(float time) override;
    void draw(float time) override;
    void update(float time) override;
    void onMouse(const float* pos, float time) override;

    static constexpr float kPlainAfter = 146.0f;  // the closing picture is shown as it is

    // How far a pulsing picture grows and brightens at a loudness: level^2 + 0.3 (GL clamps the grey at 1).
    static float pulseAmount(float level);
};
