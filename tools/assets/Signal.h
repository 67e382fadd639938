#pragma once
#include <cstdint>
#include <vector>

// Signal building blocks of the soundtrack: a stereo buffer, and the oscillators, filter and noise that the
// instruments are made of. All run at kMusicRate and are deterministic.

constexpr int kMusicRate = 44100;

// A stereo float buffer of a fixed number of frames; samples are nominally within [-1, 1].
struct Bus {
    explicit Bus(int frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    int frames() const { return static_cast<int>(left.size()); }
    // Adds `other` times `gain` into this bus, over the frames both have.
    void mixIn(const Bus& other, float gain);

    std::vector<float> left;
    std::vector<float> right;
};

// A phase in [0, 1) advanced one frame per call; saw and square are band-limited (little aliasing), all
// three return values in about [-1, 1].
struct Oscillator {
    double saw(double hz);
    double square(double hz);
    double sine(double hz);

    double phase = 0.0;
};

// State-variable filter in trapezoidal form: stable for any cutoff below Nyquist, even when swept every frame.
// After run(), low, band and high hold the low-, band- and high-pass outputs; band peaks at q times the input.
struct Filter {
    void run(double x, double hz, double q);

    double low = 0.0, band = 0.0, high = 0.0;

private:
    double ic1_ = 0.0, ic2_ = 0.0;  // integrator states
    double hz_ = -1.0, q_ = -1.0;   // the settings the coefficients below were made for
    double k_ = 0.0, a1_ = 0.0, a2_ = 0.0, a3_ = 0.0;
};

// A deterministic white-noise source in [-1, 1).
class Noise {
public:
    explicit Noise(uint32_t seed) : state_((seed * 2654435761u + 0x9E3779B9u) | 1u) {}
    float next();

private:
    uint32_t state_;  // never 0, where the generator would stick
};
