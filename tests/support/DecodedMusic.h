#pragma once
#include <string>
#include <vector>

#include "audio/Analyser.h"

// An MP3 file decoded whole into float PCM (gapless: the encoder's delay and padding removed), and the show's
// spectrum of it at any music time, as the sound layer's analyser computes it while the music plays.
class DecodedMusic {
public:
    // Decodes `path`. A missing or undecodable file leaves ok() false and no frames.
    explicit DecodedMusic(const std::string& path);

    bool ok() const { return ok_; }
    int rate() const { return rate_; }          // frames per second, > 0 when ok()
    int channels() const { return channels_; }  // 1 or 2 when ok()
    long frames() const { return channels_ ? static_cast<long>(samples_.size()) / channels_ : 0; }
    double seconds() const { return rate_ ? static_cast<double>(frames()) / rate_ : 0.0; }
    // Interleaved samples, frames() x channels().
    const std::vector<float>& samples() const { return samples_; }

    // Plays the music into the analyser from its start up to `seconds`, as the show's analyser hears it:
    // every frame reaches it once, in order, so its sensitivity has followed the music so far. Frames before
    // the start or past the end count as silence. Going back in time starts the analyser over.
    // Allocates nothing.
    void hearUntil(double seconds);
    // The analyser's Analyser::kBins values as of what it has heard. The array is valid
    // until the next call.
    const float* spectrum() { return analyser_.compute(); }
    const float* spectrumAt(double seconds)
    {
        hearUntil(seconds);
        return spectrum();
    }
    // What the show's screen makes of the loudness, for the analyser's flash guard: the music's start is show
    // time `seconds`.
    void describe(const ScreenLight& light, double seconds) { analyser_.describe(light, seconds); }
    // The analyser's sensitivity as of the last spectrumAt.
    float gain() const { return analyser_.gain(); }

private:
    bool ok_ = false;
    int rate_ = 0;
    int channels_ = 0;
    std::vector<float> samples_;
    std::vector<float> silence_;  // one analysis window of silent interleaved frames
    long fed_ = 0;                // frames the analyser has had, from the music's start
    Analyser analyser_;
};
