#pragma once

struct ScreenLight;

// The spectrum analyser behind FSOUND_DSP_GetSpectrum: fed with the mixed output (or a capture) from one
// pushing thread, it analyses the stream in hops of kHop frames, and hands out the spectrum of the latest
// complete hop to the show's thread.
//
// Each hop: a Hann-windowed 1024-point FFT of the latest kFrames frames; bin k (0..511), centred at
// k * rate / 1024 Hz, reads gain() x its magnitude, clamped to [0, 1], where a full-scale sine at a bin centre
// has magnitude 1.0 there and 0.5 in its two neighbours. The gain is the automatic sensitivity
// (audio/Sensitivity.h); the bins then rise at once and fall slowly (audio/Ballistics.h), and the flash guard
// (audio/FlashGuard.h) holds the show's loudness of them within its budget, moving every bin alike.
// Everything is counted in frames of the stream: the same samples give the same spectrum at the same point of
// the stream, bit for bit, however they were chunked and whenever the spectrum is read.
class Analyser {
public:
    static constexpr int kFrames = 1024;
    static constexpr int kBins = 512;
    static constexpr int kHop = 256;  // ~6 ms at 44.1 kHz: how often the spectrum moves
    // The bins the show's loudness sums, which the sensitivity and the guard measure: about 86 Hz to 2.5 kHz.
    static constexpr int kBandFirst = 2;
    static constexpr int kBandLast = 59;

    // Plans the FFT: FFTW planning is not thread-safe, so construct analysers on one thread at a time.
    // `rate`: frames per second of what will be pushed, > 0; it sets the pace of every time constant.
    explicit Analyser(int rate = 44100);
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    // Appends interleaved frames (channels are averaged) and analyses every hop that completes. Allocates
    // nothing. Safe from any thread; one pushing thread at a time. Null input, frames <= 0 or channels <= 0
    // append nothing.
    void push(const float* interleaved, int frames, int channels);
    // Forgets every sample, the sensitivity's history, the ballistics and the guard's count: the next
    // spectrum reads all zeros. What the show described of its screen stays, its time running on.
    void clear();
    // What the show's screen makes of the loudness (audio/ScreenLight.h), for the flash guard: the show is at
    // show time `seconds` now, at the latest sample pushed, and its time runs with the stream's from here on.
    // Copies `light` (it allocates: call it as a show starts). Until the first call the guard assumes a model
    // of a bright photo.
    void describe(const ScreenLight& light, double seconds);
    // Copies the spectrum of the latest complete hop (all zeros before the first) into the array bins()
    // returns, and returns it: kBins values in [0, 1]. Allocates nothing. One caller thread at a time.
    float* compute();
    // The array compute() fills, unchanged. Valid for the Analyser's lifetime.
    float* bins();
    // The sensitivity's gain as of the last push, in (0, Sensitivity::kMaxGain].
    float gain() const;

private:
    struct Impl;
    Impl* impl_;
};
