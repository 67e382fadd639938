#pragma once

// The analyser's automatic sensitivity: one gain for every bin, so that any track, however it was mastered,
// swings the show's loudness across the range the show is designed for (about 0 to 1, turning at 0.2, 0.4,
// 0.7 and saturating the background near 0.84).
//
// It follows a slow envelope of the band loudness (0.1 x the sum of raw magnitudes over the show's bins 2-59)
// measured on consecutive blocks of the sample stream, and aims the envelope at kTarget. Because the blocks
// are counted in samples, the gain at any point of the stream depends on the samples alone, never on when or
// how often the spectrum is read.
//
// The envelope rises within seconds and falls over about ten, so a quiet passage after a loud one stays
// darker for a while, a beat never moves it, and a track 20 dB quieter than usual reaches the same range
// within a few seconds. Blocks more than 40 dB below the envelope (silence, the tail of a fade) leave it
// alone, so silence reads 0 and does not wind the gain up.
class Sensitivity {
public:
    static constexpr float kTarget = 0.65f;       // the loudness the envelope is brought to
    static constexpr float kTypicalLevel = 0.07f; // raw band loudness of typically mastered music: the start
    static constexpr double kRiseSeconds = 3.0;   // time constant while the music gets louder
    static constexpr double kFallSeconds = 10.0;  // and while it gets quieter
    static constexpr float kGateRatio = 100.0f;   // blocks this far below the envelope are ignored
    static constexpr float kSilentLevel = 1e-5f;  // below this a block is silence whatever the envelope
    static constexpr float kMaxGain = 1000.0f;    // 60 dB: a near-silent track stays dark

    // `blockSeconds`: the duration of one measured block, > 0.
    explicit Sensitivity(double blockSeconds);

    // Whether a block of this raw band loudness has anything to hear: not silence, not lost below the
    // envelope. measure() ignores the others.
    bool hears(float level) const;
    // Takes the band loudness of the next block of the stream (>= 0; NaN counts as silence).
    void measure(float level);
    // Back to the start: the envelope at kTypicalLevel.
    void reset();
    // The gain for every bin, in (0, kMaxGain].
    float gain() const { return gain_; }

private:
    double rise_;
    double fall_;
    double logEnvelope_;
    float gain_;
};
