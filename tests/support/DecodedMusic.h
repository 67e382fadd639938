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

    // The analyser's Analyser::kBins magnitudes over the Analyser::kFrames frames that end at `seconds`;
    // frames before the start or past the end of the music count as silence. The array is valid until the
    // next call.
    const float* spectrumAt(double seconds);

private:
    bool ok_ = false;
    int rate_ = 0;
    int channels_ = 0;
    std::vector<float> samples_;
    std::vector<float> window_;  // one analysis window of interleaved frames, reused
    Analyser analyser_;
};
