#pragma once
#include <vector>

// How the screen answers drum hits: for each hit of a track of `perSecond` hits a second (stress music, heard from
// the show's 12 s), the rise of the frames' mean relative luminance from just before the hit to its highest within
// kAnswerSeconds after it. Hits while no picture follows the level (before 12.5 s, after 144 s) are left out.
struct BeatRise {
    static constexpr double kAnswerSeconds = 0.15;
    double least = 0;   // the smallest rise of any hit
    double tenth = 0;   // the 10th percentile
    double median = 0;
    int hits = 0;
    struct Hit {
        double seconds;  // show time of the hit
        double rise;
    };
    std::vector<Hit> each;  // every hit counted, in order
};
BeatRise beatRise(const std::vector<float>& luminance, double fps, int perSecond);
