#include "audio/MusicDecoder.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <SDL.h>
#include <SDL_mixer.h>

#include "audio/ScopedEnv.h"

namespace {
constexpr int kBlockFrames = 1024;  // the sound layer's mixing chunk, so the last block ends where it does live
constexpr int kBlockSamples = kBlockFrames * MusicDecoder::kChannels;
constexpr int kQueueBlocks = 8;     // ~190 ms of music between the mixer and the reader

}  // namespace

struct MusicDecoder::Impl {
    std::string error;
    bool audioUp = false;    // SDL audio subsystem and the mixer's device are open
    Mix_Music* music = nullptr;

    std::mutex lock;         // guards everything below, shared with SDL's audio thread
    std::condition_variable changed;
    float queue[kQueueBlocks][kBlockSamples];
    int head = 0;            // oldest full block
    int count = 0;           // full blocks waiting
    int readOffset = 0;      // samples of the head block already read
    bool begun = false;      // the music has been heard
    bool ended = false;      // the block it finished in has been queued
    bool stopping = false;   // the reader is going away: the tap must not wait

    void fail(const char* path, const char* what, const char* why)
    {
        error = std::string(what) + " '" + path + "': " + why;
    }
};

namespace {
// Runs on SDL's audio thread with the device locked, after all mixing. Waits while the queue is full; the
// reader never calls into SDL_mixer while it may be waiting here. Mix_PlayingMusic takes the same (recursive)
// device lock, and tells whether this block holds music: it turns false in the block the music ended in.
void tapMix(void* user, Uint8* stream, int bytes)
{
    auto& d = *static_cast<MusicDecoder::Impl*>(user);
    const bool playing = Mix_PlayingMusic() != 0;
    std::unique_lock<std::mutex> guard(d.lock);
    if (d.ended || d.stopping || (!playing && !d.begun)) return;
    d.changed.wait(guard, [&] { return d.count < kQueueBlocks || d.stopping; });
    if (d.stopping) return;
    float* block = d.queue[(d.head + d.count) % kQueueBlocks];
    std::memset(block, 0, sizeof(float) * kBlockSamples);
    std::memcpy(block, stream, std::min<size_t>(static_cast<size_t>(bytes), sizeof(float) * kBlockSamples));
    ++d.count;
    d.begun = true;
    d.ended = !playing;
    d.changed.notify_all();
}
}  // namespace

MusicDecoder::MusicDecoder(const char* path) : impl_(new Impl)
{
    Impl& d = *impl_;
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        d.fail(path, "cannot open music", std::strerror(errno));
        return;
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // signals stay the program's own
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "disk");
    const int started = SDL_InitSubSystem(SDL_INIT_AUDIO);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (started != 0) {
        d.fail(path, "cannot decode music", SDL_GetError());
        std::fclose(file);
        return;
    }
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    int opened = 0;
    {
        // The mixed output goes nowhere, and the driver does not pace itself to real time.
        ScopedEnv sink("SDL_DISKAUDIOFILE", "/dev/null");
        ScopedEnv delay("SDL_DISKAUDIODELAY", "0");
        // The driver announces itself on stderr at the highest priority; here it is no news.
        const SDL_LogPriority was = SDL_LogGetPriority(SDL_LOG_CATEGORY_AUDIO);
        SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
        opened = Mix_OpenAudioDevice(kRate, AUDIO_F32SYS, kChannels, kBlockFrames, nullptr, 0);
        SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, was);
    }
    if (opened != 0) {
        d.fail(path, "cannot decode music", Mix_GetError());
        std::fclose(file);
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    d.audioUp = true;
    SDL_RWops* source = SDL_RWFromFP(file, SDL_TRUE);
    if (!source) {
        d.fail(path, "cannot open music", SDL_GetError());
        std::fclose(file);
        return;
    }
    // From a stream, not by name, so the format is judged by content as the sound layer does.
    d.music = Mix_LoadMUS_RW(source, 1);
    if (!d.music) {
        d.fail(path, "cannot decode music", Mix_GetError());
        return;
    }
    Mix_SetPostMix(tapMix, &d);
    if (Mix_PlayMusic(d.music, 0) != 0) d.fail(path, "cannot decode music", Mix_GetError());
}

MusicDecoder::~MusicDecoder()
{
    Impl& d = *impl_;
    if (d.audioUp) {
        {
            std::lock_guard<std::mutex> guard(d.lock);
            d.stopping = true;
        }
        d.changed.notify_all();  // a waiting tap returns, releasing the device lock the calls below take
        Mix_SetPostMix(nullptr, nullptr);
        if (d.music) Mix_FreeMusic(d.music);
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    delete impl_;
}

bool MusicDecoder::ok() const
{
    return impl_->error.empty();
}

const std::string& MusicDecoder::error() const
{
    return impl_->error;
}

int MusicDecoder::read(float* out, int frames)
{
    Impl& d = *impl_;
    if (!ok() || !out || frames <= 0) return 0;
    int written = 0;
    std::unique_lock<std::mutex> guard(d.lock);
    while (written < frames) {
        d.changed.wait(guard, [&] { return d.count > 0 || d.ended; });
        if (d.count == 0) break;  // ended, and every block read
        const float* block = d.queue[d.head];
        const int take = std::min((kBlockSamples - d.readOffset) / kChannels, frames - written);
        std::memcpy(out + static_cast<size_t>(written) * kChannels, block + d.readOffset,
                    sizeof(float) * static_cast<size_t>(take) * kChannels);
        written += take;
        d.readOffset += take * kChannels;
        if (d.readOffset == kBlockSamples) {
            d.readOffset = 0;
            d.head = (d.head + 1) % kQueueBlocks;
            --d.count;
            d.changed.notify_all();
        }
    }
    return written;
}
