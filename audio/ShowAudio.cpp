#include "audio/ShowAudio.h"

#include <algorithm>
#include <cstring>

ShowAudio::ShowAudio(const char* musicPath) : music_(new MusicDecoder(musicPath))
{
    if (!music_->ok()) {
        error_ = music_->error();
        music_.reset();
    }
}

int ShowAudio::read(float* out, int frames)
{
    frames = static_cast<int>(std::min<long>(std::max(frames, 0), kEnd - position_));
    int done = 0;
    while (done < frames) {
        float* at = out + static_cast<long>(done) * kChannels;
        int got = 0;
        if (position_ < kMusicStart || !music_ || musicOver_) {
            // Silence up to the music's start, or to the end once there is no music left.
            const long until = position_ < kMusicStart ? kMusicStart : kEnd;
            got = static_cast<int>(std::min<long>(frames - done, until - position_));
            std::memset(at, 0, sizeof(float) * static_cast<size_t>(got) * kChannels);
        } else {
            got = music_->read(at, frames - done);
            if (got < frames - done) musicOver_ = true;
        }
        done += got;
        position_ += got;
    }
    return done;
}
