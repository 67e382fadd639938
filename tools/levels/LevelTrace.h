#pragma once
#include <functional>
#include <vector>

// How loud the show finds a piece of music, pass by pass, as the live show does at 60 idle passes a second:
// the sound layer's analyser fed with the show's sound (12 s of silence, then the music) up to each pass's
// time, and the show's loudness of its spectrum.

// Reads the next frames of the show's sound from show time 0: interleaved stereo at 44100 Hz into `out`;
// returns how many, fewer only when the sound has ended.
using SoundReader = std::function<int(float* out, int frames)>;

struct LevelTrace {
    static constexpr int kPassesPerSecond = 60;
    static constexpr double kMusicStart = 12.0;  // show seconds
    static constexpr double kShowEnd = 152.0;

    std::vector<float> time;        // show seconds of each pass, 0 to kShowEnd
    std::vector<float> level;       // audioLevel after the pass
    std::vector<float> brightness;  // the pulsing background's grey at that level, 0.3 to 1
    double soundEnd = 0.0;          // show seconds of the last pass that heard anything but digital silence
};

// Runs every pass of the show over what `read` delivers.
LevelTrace traceShow(const SoundReader& read);

// Percentiles by nearest rank, over the passes while the music plays: after kMusicStart, up to soundEnd.
struct LevelSummary {
    int passes = 0;
    float level[5] = {};       // p10, p50, p90, p99, max
    float brightness[3] = {};  // p10, p50, p90
    // The share of 100 ms windows (6 passes, back to back) in which the brightness moves by more than 0.1.
    float beat = 0.0f;
};
LevelSummary summarise(const LevelTrace& trace);
// The same over the passes in (from, to) show seconds only.
LevelSummary summarise(const LevelTrace& trace, double from, double to);
