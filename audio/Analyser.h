#pragma once

// The spectrum analyser behind FSOUND_DSP_GetSpectrum: a ring of the latest mixed frames, filled from the
// mixer's thread, and a Hann-windowed 1024-point FFT of the most recent of them, run on the caller's thread.
//
// Bin k (0..511) is centred at k * rate / 1024 Hz and reads gain() x its magnitude, clamped to [0, 1]. The
// magnitude is scaled so that a full-scale sine at a bin centre has 1.0 there and 0.5 in its two neighbours.
// The gain is the automatic sensitivity (audio/Sensitivity.h), which follows the stream block by block as
// it is pushed: the same samples give the same spectrum at the same point of the stream, however they were
// chunked and whenever the spectrum is read.
class Analyser {
public:
    static constexpr int kFrames = 1024;
    static constexpr int kBins = 512;
    // The bins the show's loudness sums, which the sensitivity measures: about 86 Hz to 2.5 kHz.
    static constexpr int kBandFirst = 2;
    static constexpr int kBandLast = 59;

    // Plans the FFTs: FFTW planning is not thread-safe, so construct analysers on one thread at a time.
    // `rate`: frames per second of what will be pushed, > 0; it sets the sensitivity's pace.
    explicit Analyser(int rate = 44100);
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    // Appends interleaved frames of the mixed output (channels are averaged), and lets the sensitivity
    // measure every block of kFrames that completes. Safe from any thread; one pushing thread at a time.
    // Null input, frames <= 0 or channels <= 0 append nothing.
    void push(const float* interleaved, int frames, int channels);
    // Forgets every sample and the sensitivity's history: the next spectrum reads all zeros.
    void clear();
    // Recomputes the spectrum from the latest kFrames frames (missing ones count as silence) and returns
    // the layer-owned array of kBins values in [0, 1]. Allocates nothing. One caller thread at a time.
    float* compute();
    // The array compute() fills, unchanged. Valid for the Analyser's lifetime.
    float* bins();
    // The sensitivity's gain as of the last push, in (0, Sensitivity::kMaxGain].
    float gain() const;

private:
    struct Impl;
    Impl* impl_;
};
