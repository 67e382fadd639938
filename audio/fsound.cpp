#include "audio/fsound.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL.h>
#include <SDL_mixer.h>

#include "audio/AlsaQuiet.h"
#include "audio/Analyser.h"
#include "audio/Capture.h"

namespace {

constexpr int kOutputChannels = 2;
constexpr int kChunkFrames = 1024;   // ~23 ms at 44100 Hz: the lag between mixing and hearing
constexpr int kMusicChannel = 0;     // SDL_mixer plays music on one channel of its own

bool opened = false;
int outputType = FSOUND_OUTPUT_SDL;  // for the next Init
bool mixing = false;                 // SDL_mixer's output device is open
Analyser* analyser = nullptr;        // exists between a successful Init and Close
std::atomic<bool> analyserOn{false};
// The one spectrum array callers see, at the same address for the life of the process.
float spectrumBins[Analyser::kBins] = {};
std::vector<FSOUND_STREAM*> streams; // every handle Open gave out and Close has not yet taken back
FSOUND_STREAM* playing = nullptr;    // the stream last started; SDL_mixer plays one at a time

}  // namespace

struct FSOUND_STREAM {
    Mix_Music* music;                // null once FSOUND_Close has released the decoder
};

struct FSOUND_DSPUNIT {};

namespace {

FSOUND_DSPUNIT fftUnit;

// Runs on SDL's audio thread with the device locked, after all mixing: only hands the samples over.
void tapMix(void* user, Uint8* stream, int bytes)
{
    if (!analyserOn.load(std::memory_order_relaxed) || capture::recording())
        return;
    const int frames = bytes / static_cast<int>(sizeof(float) * kOutputChannels);
    static_cast<Analyser*>(user)->push(reinterpret_cast<const float*>(stream), frames, kOutputChannels);
}

bool known(FSOUND_STREAM* stream)
{
    return stream && std::find(streams.begin(), streams.end(), stream) != streams.end();
}

// SDL_mixer's output device, at exactly `mixrate` Hz, with the analyser's tap after all mixing.
bool openOutput(int mixrate)
{
    // Missing decoders are not fatal here: a file that needs one fails to open, with the reason.
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    // Float samples at exactly the asked rate, so the analyser's bins sit where the caller expects them.
    if (Mix_OpenAudioDevice(mixrate, AUDIO_F32SYS, kOutputChannels, kChunkFrames, nullptr, 0) != 0) {
        std::fprintf(stderr, "kiv: cannot open the sound device: %s\n", Mix_GetError());
        Mix_Quit();
        return false;
    }
    Mix_SetPostMix(tapMix, analyser);
    return true;
}

}  // namespace

bool FSOUND_SetOutput(int outputtype)
{
    if (opened || (outputtype != FSOUND_OUTPUT_NOSOUND && outputtype != FSOUND_OUTPUT_SDL))
        return false;
    outputType = outputtype;
    return true;
}

bool FSOUND_Init(int mixrate, int, unsigned int)
{
    if (opened)
        return true;
    if (mixrate <= 0) {
        std::fprintf(stderr, "kiv: cannot open the sound device: mixing rate %d Hz\n", mixrate);
        return false;
    }
    // SDL would catch SIGINT and SIGTERM and turn them into a quit event that nobody reads, leaving the show
    // unkillable; keep the default handlers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The monitors of the outputs are what a recording of "what the computer plays" opens.
    SDL_SetHint(SDL_HINT_AUDIO_INCLUDE_MONITORS, "1");
    AlsaQuiet quiet;  // while SDL probes the devices; the reason for a failure is printed below
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "kiv: cannot start sound: %s\n", SDL_GetError());
        return false;
    }
    analyser = new Analyser(mixrate);
    mixing = outputType == FSOUND_OUTPUT_SDL;
    if (mixing && !openOutput(mixrate)) {
        delete analyser;
        analyser = nullptr;
        mixing = false;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    capture::begin(analyser, &analyserOn, mixrate, !mixing);
    opened = true;
    // A process that exits without FSOUND_Close (a library's own exit, a forgotten path) still stops the
    // mixer's thread before the static destructors and the exit handlers registered before.
    static const bool closesAtExit = std::atexit(FSOUND_Close) == 0;
    (void)closesAtExit;
    return true;
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int, int, int)
{
    if (!name)
        return nullptr;
    if (!opened || !mixing) {
        std::fprintf(stderr, "kiv: cannot open music '%s': %s\n", name,
                     opened ? "sound has no output" : "sound is not initialised");
        return nullptr;
    }
    FILE* file = std::fopen(name, "rb");
    if (!file) {
        std::fprintf(stderr, "kiv: cannot open music '%s': %s\n", name, std::strerror(errno));
        return nullptr;
    }
    SDL_RWops* source = SDL_RWFromFP(file, SDL_TRUE);
    if (!source) {
        std::fprintf(stderr, "kiv: cannot open music '%s': %s\n", name, SDL_GetError());
        std::fclose(file);
        return nullptr;
    }
    // Loading from a stream, not by name, makes SDL_mixer judge the format by content, not by extension.
    Mix_Music* music = Mix_LoadMUS_RW(source, 1);
    if (!music) {
        std::fprintf(stderr, "kiv: cannot decode music '%s': %s\n", name, Mix_GetError());
        return nullptr;
    }
    FSOUND_STREAM* stream = new FSOUND_STREAM{music};
    streams.push_back(stream);
    return stream;
}

int FSOUND_Stream_Play(int, FSOUND_STREAM* stream)
{
    if (!opened || !known(stream) || !stream->music)
        return -1;
    if (Mix_PlayMusic(stream->music, 0) != 0) {
        std::fprintf(stderr, "kiv: cannot play music: %s\n", Mix_GetError());
        return -1;
    }
    playing = stream;
    return kMusicChannel;
}

bool FSOUND_Stream_Stop(FSOUND_STREAM* stream)
{
    if (!opened || !known(stream) || !stream->music)
        return false;
    if (stream == playing) {
        Mix_HaltMusic();
        playing = nullptr;
    }
    return true;
}

bool FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    if (!known(stream))
        return false;
    streams.erase(std::find(streams.begin(), streams.end(), stream));
    if (stream == playing)
        playing = nullptr;
    if (stream->music)
        Mix_FreeMusic(stream->music);  // halts it first if it is the one playing
    delete stream;
    return true;
}

void FSOUND_Close()
{
    if (!opened)
        return;
    // Teardown in reverse order of set-up; nothing goes while a thread of SDL's may still use it.
    // 1. The recording: once it is closed, SDL has joined its thread.
    capture::end();
    // 2. The music: halted, and every decoder released. The handles stay valid for a later FSOUND_Stream_Close.
    if (mixing) {
        Mix_HaltMusic();
        playing = nullptr;
        for (FSOUND_STREAM* stream : streams) {
            Mix_FreeMusic(stream->music);
            stream->music = nullptr;
        }
        // 3. The device: once Mix_CloseAudio returns, SDL has joined its thread and no callback runs again.
        Mix_SetPostMix(nullptr, nullptr);
        Mix_CloseAudio();
        Mix_Quit();
        mixing = false;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // 4. The analyser that the callbacks fed.
    delete analyser;
    analyser = nullptr;
    analyserOn = false;
    opened = false;
}

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit()
{
    return &fftUnit;
}

bool FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, bool active)
{
    if (unit != &fftUnit)
        return false;
    const bool wasOn = analyserOn.exchange(active);
    // What was heard before switching off must not show up when switched on again.
    if (active && !wasOn && analyser)
        analyser->clear();
    return true;
}

float* FSOUND_DSP_GetSpectrum()
{
    if (analyser && analyserOn.load(std::memory_order_relaxed)) {
        capture::Held held;
        std::memcpy(spectrumBins, analyser->compute(), sizeof spectrumBins);
    } else
        std::memset(spectrumBins, 0, sizeof spectrumBins);
    return spectrumBins;
}

void FSOUND_DSP_SetScreen(const ScreenLight* light, float showSeconds)
{
    if (analyser && light) analyser->describe(*light, showSeconds);
}
