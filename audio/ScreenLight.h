#pragma once
#include <cstddef>
#include <vector>

// What the show's screen makes of its loudness, as the show describes itself to the flash guard: for spans of
// show time, the layers it draws that follow the level (a pulsing background, a grid), each as the mean
// relative luminance it would give the screen at each level if it covered the screen alone. Levels run 0 to
// kTop in kSteps equal steps; between steps the luminance is interpolated. The sound layer knows nothing of
// what draws these layers: only how bright they get.
struct ScreenLight {
    static constexpr int kSteps = 128;
    static constexpr float kTop = 1.0f;  // the loudest level the guard lets through

    struct Layer {
        float luminance[kSteps + 1] = {};  // at level kTop * i / kSteps, 0 to 1
        // The luminance at `level`, clamped to [0, kTop].
        float at(float level) const;
    };
    struct Span {
        float from = 0.0f;  // show seconds, from <= t < to
        float to = 0.0f;
        std::vector<Layer> layers;  // none: nothing on the screen follows the level then
    };

    std::vector<Span> spans;  // in order, not overlapping; a show time in none shows nothing that follows the level
    // Show times, in order, at which the screen changes by itself: an effect starts, ends or changes its mode.
    // A change of scene can be a flash the level did not make; the guard counts each in its budget.
    std::vector<float> cuts;

    // The span holding show time `t`, or null; `hint` is where to start looking, updated to where it was found.
    const Span* find(double t, size_t& hint) const;
};
