#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/ScreenLight.h"
#include "audio/ScreenModel.h"

// Keeps the show under the three-flashes limit whatever the music does: it sees the show's loudness hop by hop
// and decides how far it may move.
//
// It knows what the screen makes of a level from the show's own description (audio/ScreenLight.h): the
// layers drawn at each moment of the show, measured from the pictures they show. The swing between two levels
// is the largest change of the screen's mean relative luminance that any layer drawn then makes of the two
// (sRGB, as the screen shows it); at a moment the description leaves empty, nothing on the screen follows the
// level and it moves freely. Until the show describes itself (and for a stream with no show, as kiv-levels
// hears one) it assumes a model of a bright photo pulsing (audio/ScreenModel.h).
//
// A run is a movement in one direction; reversals smaller than kHysteresis do not end it. A run whose swing
// reaches kTransition is a potential transition, as the flash criteria count transitions (with a margin). The
// runs are followed twice, as two screens see them: one drawing every hop, and one drawing kSlowestFps frames a
// second, which may miss a reversal shorter than its frame and see the runs either side of it as one. Each
// screen has its own budget: at most kPerSecond potential transitions pass in any one second and
// kPerFiveSeconds in any five, fewer than flashing held for four seconds of five needs. A rise that would become
// one more on either screen goes only with room for it and for the fall that will undo it; otherwise it is held
// at kHeldShare of a transition, and so falls back freely; any other run that would become one more is held
// there until the budget has room again. So beats up to about one and a half a second each show whole, the level
// easing down between them, and faster ones still each show, as a pulse short of a transition.
//
// Time is counted in frames of the stream, so the same stream gives the same levels however it is read.
class FlashGuard {
public:
    static constexpr float kPictureLuminance = ScreenModel::kPictureLuminance;
    // Relative luminance: a tenth under the criteria's 0.1, for what the layers leave out (GL's rounding, the
    // grids' cells blending over the backgrounds, the pointer).
    static constexpr float kTransition = 0.09f;
    // A held run stops at this share of a transition: held beats come back as fast as the music's, and the
    // layers' model of the screen is close, not exact, so their pulses keep a margin of their own.
    static constexpr float kHeldShare = 0.8f;
    static constexpr int kPerSecond = 4;              // potential transitions in any one second: 2 flashes
    static constexpr int kPerFiveSeconds = 15;        // and in any five: 3 a second, below extended flashing
    // Relative luminance: a smaller reversal continues the run. The criteria's own, so that the guard's runs are
    // the meter's: with a finer one, a run the meter sees going on would restart here and escape the count.
    static constexpr float kHysteresis = 0.01f;
    // The loudest level let through: full brightness, the backgrounds at 2.3 windows, the top of the range the
    // show was designed for. Louder, only the zoom would grow, into picture middles brighter than the whole.
    static constexpr float kLoudest = ScreenLight::kTop;
    // Potential transitions counted at each of the screen's own cuts: down and up again, as a scene that turns
    // over (cells going dark as they change mode, a new picture) may go.
    static constexpr int kPerCut = 2;
    // Potential transitions a rise is budgeted: itself and the fall that undoes it, so that a flash, the pair, is
    // let through whole or not at all.
    static constexpr int kPerFlash = 2;
    // Seconds: a rise is budgeted with a fall this long after it, as a beat falls (the level falls with τ = 0.1 s);
    // a fall that comes sooner, with the window full, waits until it has room.
    static constexpr double kFallLead = 0.3;
    // The slowest screen the show is drawn for: a video at a film's 24 frames a second. A faster screen sees
    // every reversal the slow one does.
    static constexpr int kSlowestFps = 24;

    // `rate`: frames per second of the stream, > 0.
    explicit FlashGuard(int rate);

    // Back to the start: level 0, nothing counted. What the show described stays.
    void reset();
    // The screen from now on: show time `seconds` is stream frame `frame`, and the show's time runs with the
    // stream's. Copies `light`: call it as a show starts, not per frame.
    void describe(const ScreenLight& light, double seconds, int64_t frame);
    // The level the show may have at stream frame `frame` (never decreasing between calls) when it would have
    // `level` (>= 0): `level` itself, or the nearest level up to kLoudest that keeps within the budget.
    float limit(float level, int64_t frame);

    // The swing between two levels on the screen as of the last limit(), in relative luminance, >= 0.
    float swing(float from, float to) const;
    // The model's swing, for a screen not described.
    static float modelSwing(float from, float to);

private:
    // A run of one layer of the screen, in levels.
    struct Run {
        float start = 0.0f;    // where the run began
        float extreme = 0.0f;  // furthest level of the run so far
        int direction = 0;     // +1 rising, -1 falling, 0 before the first run
        bool counted = false;  // this run has been let through as a potential transition
        int64_t turnedAt = -1;  // stream frame a reversal began that has not yet lasted a frame of the screen
        float turnExtreme = 0.0f;  // furthest level of that reversal
        bool turnCounted = false;  // the screen's transition that way was let through as the reversal began
    };
    // What one screen sees: the runs of each layer, and the potential transitions it was let through.
    struct View {
        std::vector<Run> runs = std::vector<Run>(1);  // one a layer; sized as the screen is described
        int64_t passed[kPerFiveSeconds] = {};          // frames of the latest potential transitions, oldest at next
        int next = 0;
        int total = 0;          // potential transitions let through since the start, up to kPerFiveSeconds
        bool fallOwed = false;  // a rise was let through and the fall budgeted with it has not come yet
        int64_t shortestTurn = 0;  // stream frames a reversal lasts before this screen surely shows it: 0, a hop
    };

    void look(int64_t frame);  // finds what the screen shows at stream frame `frame`, and counts the cuts passed
    static void count(View& view, int64_t frame);  // one potential transition at stream frame `frame`
    // Whether `more` potential transitions fit at stream frame `frame` + `lead`, of those let through so far.
    bool hasRoom(const View& view, int64_t frame, int more, int64_t lead) const;
    // Ends the runs that moving to `level` at stream frame `frame` turns back; returns the direction of the runs
    // it takes to a transition, or 0.
    int follow(View& view, float level, int64_t frame);
    int cutsAhead(int64_t frame) const;  // potential transitions of the cuts in the second after stream frame `frame`
    int layers() const;  // of the screen now: the described span's, or the model's one
    float layerSwing(int layer, float from, float to) const;
    // Whether moving to `level` takes the layer's run, not yet counted, to a swing of `target` from its start.
    bool crosses(const View& view, int layer, float level, float target) const;
    // The level nearest `level`, from the one showing now, that takes no run to its next transition.
    float held(float level) const;

    static constexpr int kScreens = 2;  // the screen drawing every hop, the slowest one

    int rate_;
    View views_[kScreens];
    float level_ = 0.0f;      // the level let through last

    bool described_ = false;  // the show described its screen; until then the model stands for it
    ScreenLight screen_;
    double zeroSeconds_ = 0;  // show time at stream frame 0
    size_t hint_ = 0;
    size_t nextCut_ = 0;      // the first of the screen's cuts not yet counted
    const ScreenLight::Span* span_ = nullptr;  // what the screen shows now: null for nothing that follows the level
    mutable ScreenModel model_;  // stands for the screen until it is described; keeps levels as it is asked
};
