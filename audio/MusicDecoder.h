#pragma once
#include <string>

// Decodes a music file exactly as the sound layer plays it (SDL_mixer's decoders, format judged by content,
// the mixer's conversion to 44100 Hz stereo float). One decoder per process at a time, and not while
// FSOUND_Init is open: both own SDL_mixer's one output.
//
// It runs SDL_mixer's own mixer on SDL's `disk` audio driver, writing to /dev/null as fast as the decoder goes,
// and taps the mixed output: the samples are the mixer's, with no sound device and no real time. The tap hands
// blocks to the reader through a small bounded queue, so memory stays the same whatever the music's length.
class MusicDecoder {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    explicit MusicDecoder(const char* path);
    ~MusicDecoder();
    MusicDecoder(const MusicDecoder&) = delete;
    MusicDecoder& operator=(const MusicDecoder&) = delete;

    bool ok() const;                    // false when the file cannot be opened or decoded
    const std::string& error() const;   // one line naming the file and the reason, when !ok()
    // The next `frames` frames of the music, interleaved stereo float, exactly the samples the live show's
    // mixer would send to the device; returns how many were written (fewer only at the music's end).
    // The music ends with the mixing block in which it finished, zero-filled after its last sample, as live.
    int read(float* out, int frames);

    struct Impl;

private:
    Impl* impl_;
};
