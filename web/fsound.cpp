// The sound interface of audio/fsound.h over Web Audio. The browser decodes and plays the music
// (web/sound.js); the page hands the output stream to the same Analyser as the desktop's, by the audio clock,
// so the spectrum at a point of the music is the same function of its samples. Pages cannot record here.
#include "audio/fsound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <emscripten/emscripten.h>

#include "audio/Analyser.h"
#include "web/WebCalls.h"

struct FSOUND_STREAM {
    int handle;  // the page's, 0 once FSOUND_Close has let go of the music
};

struct FSOUND_DSPUNIT {};

namespace {

bool opened = false;
int outputType = FSOUND_OUTPUT_SDL;
Analyser* analyser = nullptr;
bool analyserOn = false;
float spectrumBins[Analyser::kBins] = {};
std::vector<FSOUND_STREAM*> streams;
FSOUND_STREAM* playing = nullptr;
FSOUND_DSPUNIT fftUnit;

bool known(FSOUND_STREAM* stream)
{
    return stream && std::find(streams.begin(), streams.end(), stream) != streams.end();
}

}  // namespace

bool FSOUND_SetOutput(int outputtype)
{
    if (opened || (outputtype != FSOUND_OUTPUT_NOSOUND && outputtype != FSOUND_OUTPUT_SDL)) return false;
    outputType = outputtype;
    return true;
}

bool FSOUND_Init(int mixrate, int, unsigned int)
{
    if (opened) return true;
    if (mixrate <= 0) {
        std::fprintf(stderr, "kiv: cannot open the sound device: mixing rate %d Hz\n", mixrate);
        return false;
    }
    analyser = new Analyser(mixrate);
    opened = true;
    return true;
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int, int, int)
{
    if (!name) return nullptr;
    if (!opened || outputType == FSOUND_OUTPUT_NOSOUND) {
        std::fprintf(stderr, "kiv: cannot open music '%s': %s\n", name,
                     opened ? "sound has no output" : "sound is not initialised");
        return nullptr;
    }
    const int handle = kiv_web_sound_open(name);
    if (!handle) {
        std::fprintf(stderr, "kiv: cannot open music '%s': the browser could not decode it\n", name);
        return nullptr;
    }
    streams.push_back(new FSOUND_STREAM{handle});
    return streams.back();
}

int FSOUND_Stream_Play(int, FSOUND_STREAM* stream)
{
    if (!opened || !known(stream) || !stream->handle) return -1;
    kiv_web_sound_play(stream->handle);
    playing = stream;
    return 0;
}

bool FSOUND_Stream_Stop(FSOUND_STREAM* stream)
{
    if (!opened || !known(stream) || !stream->handle) return false;
    if (stream == playing) {
        kiv_web_sound_stop();
        playing = nullptr;
    }
    return true;
}

bool FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    if (!known(stream)) return false;
    streams.erase(std::find(streams.begin(), streams.end(), stream));
    if (stream == playing) {
        kiv_web_sound_stop();
        playing = nullptr;
    }
    if (stream->handle) kiv_web_sound_close(stream->handle);
    delete stream;
    return true;
}

void FSOUND_Close()
{
    if (!opened) return;
    if (playing) kiv_web_sound_stop();
    playing = nullptr;
    for (FSOUND_STREAM* stream : streams) {
        kiv_web_sound_close(stream->handle);
        stream->handle = 0;
    }
    delete analyser;
    analyser = nullptr;
    analyserOn = false;
    opened = false;
}

void FSOUND_Update() {}

int FSOUND_Record_GetNumDrivers() { return 0; }
const char* FSOUND_Record_GetDriverName(int) { return nullptr; }
bool FSOUND_Record_SetDriver(int) { return false; }
bool FSOUND_Record_Start() { return false; }
bool FSOUND_Record_Stop() { return false; }
long FSOUND_Record_GetPosition() { return -1; }

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit() { return &fftUnit; }

bool FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, bool active)
{
    if (unit != &fftUnit) return false;
    const bool wasOn = analyserOn;
    analyserOn = active;
    if (active && !wasOn && analyser) analyser->clear();
    return true;
}

float* FSOUND_DSP_GetSpectrum()
{
    if (analyser && analyserOn)
        std::memcpy(spectrumBins, analyser->compute(), sizeof spectrumBins);
    else
        std::memset(spectrumBins, 0, sizeof spectrumBins);
    return spectrumBins;
}

// The page's output stream, interleaved, as far as the audio clock has played it: what SDL's mixer hands the
// analyser on the desktop.
extern "C" EMSCRIPTEN_KEEPALIVE void kiv_sound_hear(const float* interleaved, int frames, int channels)
{
    if (analyser && analyserOn) analyser->push(interleaved, frames, channels);
}

void FSOUND_DSP_SetScreen(const ScreenLight* light, float showSeconds)
{
    if (analyser && light) analyser->describe(*light, showSeconds);
}
