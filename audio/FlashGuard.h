#pragma once
#include <cstdint>

// Keeps the show under the three-flashes limit whatever the music does: it sees the show's loudness hop by hop
// and decides how far it may move.
//
// It models what the show makes of a level: the pulsing backgrounds' grey, level² + 0.3, and their size,
// 1.3 + level² windows, and the grids' greys, level + 0.3 and level + 0.6, the greys clamped at 1, over a
// picture whose mean relative luminance at full grey is kPictureLuminance, and whose middle is brighter the
// more a background zooms into it. The swing between two levels is the largest change of the screen's mean
// relative luminance that any of them makes of the two (sRGB, as the screen shows it).
//
// A run is a movement in one direction; reversals smaller than kHysteresis do not end it. A run whose swing
// reaches kTransition is a potential transition, as the flash criteria count transitions. At most kPerSecond of
// them pass in any one second and kPerFiveSeconds in any five, fewer than flashing held for four seconds of
// five needs: a run that would become one more is held just short of it until the budget has room again. So
// beats up to about three a second each show at once, the level eases down between them, and faster ones,
// or beats held for long, merge into a raised level with swings below a transition left free.
//
// Time is counted in frames of the stream, so the same stream gives the same levels however it is read.
class FlashGuard {
public:
    static constexpr float kPictureLuminance = 0.3f;  // a bright photo; the show's own are 0.07 to 0.18
    static constexpr float kTransition = 0.1f;        // relative luminance: what the criteria count
    static constexpr int kPerSecond = 5;              // potential transitions in any one second: 2.5 flashes
    static constexpr int kPerFiveSeconds = 15;        // and in any five: 3 a second, below extended flashing
    static constexpr float kHysteresis = 0.005f;      // relative luminance: a smaller reversal continues the run
    // The loudest level let through: full brightness, the backgrounds at 2.3 windows, the top of the range the
    // show was designed for. Louder, only the zoom would grow, into picture middles brighter than the whole.
    static constexpr float kLoudest = 1.0f;

    // `rate`: frames per second of the stream, > 0.
    explicit FlashGuard(int rate);

    // Back to the start: level 0, nothing counted.
    void reset();
    // The level the show may have at stream frame `frame` (never decreasing between calls) when it would have
    // `level` (>= 0): `level` itself, or the nearest level up to kLoudest that keeps within the budget.
    float limit(float level, int64_t frame);

    // The model's swing between two levels, in relative luminance, >= 0.
    static float swing(float from, float to);

private:
    bool hasRoom(int64_t frame) const;
    // The level between `from` and `to` whose swing from the run's start is `target`.
    float levelAt(float from, float to, float target) const;

    int rate_;
    float start_ = 0.0f;      // level where the run began
    float extreme_ = 0.0f;    // furthest level of the run so far
    int direction_ = 0;       // +1 rising, -1 falling, 0 before the first run
    bool counted_ = false;    // this run has been let through as a potential transition
    int64_t passed_[kPerFiveSeconds] = {};  // frames of the latest potential transitions, oldest at next_
    int next_ = 0;
    int total_ = 0;           // potential transitions let through since the start, up to kPerFiveSeconds
};
