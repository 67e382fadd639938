#pragma once

// The spectrum analyser behind FSOUND_DSP_GetSpectrum: a ring of the latest mixed frames, filled from the
// mixer's thread, and a Hann-windowed 1024-point FFT of the most recent of them, run on the caller's thread.
// Bin k (0..511) is centred at k * rate / 1024 Hz; a full-scale sine at a bin centre reads 1.0 there and
// 0.5 in its two neighbours. Every bin is clamped to [0, 1].
class Analyser {
public:
    static constexpr int kFrames = 1024;
    static constexpr int kBins = 512;

    // Plans the FFT: FFTW planning is not thread-safe, so construct analysers on one thread at a time.
    Analyser();
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    // Appends interleaved frames of the mixed output (channels are averaged). Safe from any thread; takes
    // the ring's lock only to copy. Null input, frames <= 0 or channels <= 0 append nothing.
    void push(const float* interleaved, int frames, int channels);
    // Forgets every sample: the next spectrum reads all zeros.
    void clear();
    // Recomputes the spectrum from the latest kFrames frames (missing ones count as silence) and returns
    // the layer-owned array of kBins magnitudes in [0, 1]. Allocates nothing. One caller thread at a time.
    float* compute();
    // The array compute() fills, unchanged. Valid for the Analyser's lifetime.
    float* bins();

private:
    struct Impl;
    Impl* impl_;
};
