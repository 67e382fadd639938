#pragma once
#include <string>
#include <vector>

// Tone bursts in silence, the sound the listening tests capture: stereo, 44100 Hz, the same in both channels.
// Each burst is a sine at `hz`, within the bins the show's loudness reads, of peak `amplitude`.
struct Bursts {
    static constexpr int kRate = 44100;
    double hz = 20 * 44100.0 / 1024;  // the centre of bin 20
    double amplitude = 0.5;
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
