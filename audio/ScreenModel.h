#pragma once

// The screen the flash guard assumes until the show describes its own (and for a stream with no show, as
// kiv-levels hears one): the pulsing backgrounds' grey, level² + 0.3, and their size, 1.3 + level² windows, and
// the grids' greys, level + 0.3 and level + 0.6, the greys clamped at 1, over a picture whose mean relative
// luminance at full grey is kPictureLuminance, and whose middle is brighter the more a background zooms into it.
class ScreenModel {
public:
    static constexpr float kPictureLuminance = 0.3f;  // a bright photo; the show's own are 0.07 to 0.18

    // The largest change of the screen's mean relative luminance, of any of its layers, between two levels (>= 0).
    static float swing(float from, float to);
    // The same, from the levels kept: a run's start and furthest point come up hop after hop, and each hop's level
    // once a screen. Writes to what it keeps: one thread's.
    float kept(float from, float to);

    // The layers at one level, in relative luminance.
    struct Light {
        double background = 0;
        double grids[2] = {};
    };

private:
    const Light& at(float level);

    struct Seen {
        float level = -1.0f;  // no level is below 0
        Light light;
    };
    static constexpr int kSeen = 8;
    Seen seen_[kSeen];
    int next_ = 0;
};
