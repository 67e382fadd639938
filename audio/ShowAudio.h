#pragma once
#include <memory>
#include <string>

#include "audio/MusicDecoder.h"

// The show's sound as a listener hears it, as one stream from show time 0: silence until the music starts at
// kMusicStart, the music from its start, silence after it, and nothing past kEnd. Reads go forward only.
// Owns a MusicDecoder, so the same rule holds: one per process, and not while FSOUND_Init is open.
class ShowAudio {
public:
    static constexpr int kRate = MusicDecoder::kRate;
    static constexpr int kChannels = MusicDecoder::kChannels;
    static constexpr long kMusicStart = 12L * kRate;  // frame where the music begins (12 s)
    static constexpr long kEnd = 152L * kRate;        // frames in the whole show (152 s)

    // A music file that cannot be decoded leaves the show silent; error() then says why.
    explicit ShowAudio(const char* musicPath);

    const std::string& error() const { return error_; }
    long position() const { return position_; }  // frames read so far: the show time heard, in frames
    // The next `frames` frames, interleaved; fewer only at kEnd.
    int read(float* out, int frames);

private:
    std::unique_ptr<MusicDecoder> music_;
    std::string error_;
    long position_ = 0;
    bool musicOver_ = false;
};
