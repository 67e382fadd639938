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
    std::vector<float> energy;      // mean square of the sound heard since the pass before, channels averaged,
                                    // in the band the show's loudness sums (86 Hz to 2.5 kHz)
    double soundEnd = 0.0;          // show seconds of the last pass that heard anything but digital silence
};

// Runs every pass of the show over what `read` delivers.
LevelTrace traceShow(const SoundReader& read);

// Percentiles by nearest rank, and the onset response, over the passes while the music plays: after
// kMusicStart, up to soundEnd.
struct LevelSummary {
    int passes = 0;
    float level[5] = {};       // p10, p50, p90, p99, max
    float brightness[3] = {};  // p10, p50, p90
    // The onset response: an onset is a pass at least kOnsetJump louder than the pass before, no more than
    // kOnsetBelow under the music's loud passes (p90) and a tenth of a second after the last. Its response is
    // how far the brightness rises within two passes (two frames at 60 fps) above the pass before it.
    int onsets = 0;
    float answered = 0.0f;     // the share of onsets whose brightness rises by at least kAnswer
    float rise = 0.0f;         // the median rise
};
constexpr float kOnsetJump = 4.0f;     // mean square: 6 dB
constexpr float kOnsetBelow = 100.0f;  // 20 dB
constexpr float kAnswer = 0.1f;
LevelSummary summarise(const LevelTrace& trace);
// Passes that are onsets, by the rule above, in (from, to) show seconds.
std::vector<size_t> onsets(const LevelTrace& trace, double from, double to);
// How far the brightness rises within two passes of pass `i` above the pass before it.
float riseAt(const LevelTrace& trace, size_t i);
// The same over the passes in (from, to) show seconds only.
LevelSummary summarise(const LevelTrace& trace, double from, double to);
