#pragma once
#include <string>
#include <vector>

// Bursts of a chord in silence, the sound the listening tests capture: stereo, 44100 Hz, the same in both
// channels. The chord's notes sit at the centres of bins the show's loudness reads, spread over them: one pure
// tone fills only three bins, which the analyser clamps, so it could never read loud.
struct Bursts {
    static constexpr int kRate = 44100;
    std::vector<int> bins = {4, 10, 16, 22, 28, 34, 40, 46, 52};
    double amplitude = 0.1;           // the peak of each note
    double length = 0.3;              // seconds of each burst
    std::vector<double> starts;       // seconds from the signal's start, increasing
    double total = 0;                 // seconds of the whole signal

    long frameOf(double seconds) const { return static_cast<long>(seconds * kRate); }
    // Interleaved float samples.
    std::vector<float> samples() const;
    // Raw 32-bit float, as SDL's disk driver reads its capture file.
    bool writeRaw(const std::string& path) const;
    // 16-bit WAV, for paplay (through sox).
    bool writeWav(const std::string& path) const;
};
