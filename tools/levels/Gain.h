#pragma once
#include <string>

// Music played louder or quieter than it was mastered, clipped at full scale as a hot master is: how
// kiv-levels and the flash sweep try the show on quiet and loud recordings.
class Gain {
public:
    explicit Gain(double decibels = 0.0);

    // Reads a number of decibels, e.g. "-20" or "12"; false when `text` is not one.
    static bool parse(const std::string& text, double& decibels);

    double decibels() const { return decibels_; }
    // Scales `count` samples in place, each clipped to [-1, 1]; nothing at 0 dB.
    void apply(float* samples, long count) const;

private:
    double decibels_;
    float factor_;
};
