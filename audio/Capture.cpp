#include "audio/Capture.h"

#include <cstdio>
#include <string>
#include <vector>

#include <SDL.h>

#include "audio/AlsaQuiet.h"
#include "audio/Analyser.h"
#include "audio/CaptureDevices.h"
#include "audio/fsound.h"

namespace {

constexpr int kChannels = 2;
// 5.8 ms at 44100 Hz: what a capture buffer adds to the time from a sound to the level that follows it.
constexpr Uint16 kBufferFrames = 256;
constexpr Uint32 kRetryMs = 2000;  // while the source is lost
// A source that sends nothing this long is silent: a sound server may stop a monitor whose output has
// nothing to play, which would leave the level where the last sound put it.
constexpr Uint32 kStalledMs = 1000;

// What SDL's capture thread touches.
struct Feed {
    Analyser* analyser = nullptr;
    const std::atomic<bool>* on = nullptr;
    std::atomic<long> frames{0};  // recorded since FSOUND_Record_Start
};
Feed feed;
std::atomic<bool> active{false};  // between Start and Stop, lost or not

bool initialised = false;
int rate = 0;
bool restartable = false;
std::vector<std::string> names;        // the last list of capture devices
int chosen = FSOUND_RECORD_DEFAULT;
std::string asked;                     // the device chosen by name; empty for the default source
std::string inUse;                     // what the open device was asked as, for the lines on stderr
SDL_AudioDeviceID device = 0;          // 0 when not recording or while the source is lost
Uint32 retryAt = 0;
long heard = -1;                       // frames recorded as of the last spectrum
long lastFrames = 0;                   // what FSOUND_Update last saw recorded, and since when
Uint32 lastChange = 0;
bool stalled = false;

void SDLCALL captured(void*, Uint8* data, int bytes)
{
    const int frames = bytes / static_cast<int>(sizeof(float) * kChannels);
    if (feed.on->load(std::memory_order_relaxed))
        feed.analyser->push(reinterpret_cast<const float*>(data), frames, kChannels);
    feed.frames.fetch_add(frames, std::memory_order_relaxed);
}

std::string describe(const std::string& name)
{
    return name.empty() ? "the default capture device" : "'" + name + "'";
}

// Opens what was asked and starts it. `quiet` leaves a failure unsaid (the retries while lost).
bool openDevice(bool quiet)
{
    const std::string name = asked.empty() ? capture::defaultSource(names) : asked;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = kChannels;
    want.samples = kBufferFrames;
    want.callback = captured;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts whatever the device gives to the analyser's rate and format.
    device = SDL_OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 1, &want, &have, 0);
    if (!device) {
        if (!quiet) std::fprintf(stderr, "kiv: cannot listen to %s: %s\n", describe(name).c_str(), SDL_GetError());
        return false;
    }
    inUse = name;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void closeDevice()
{
    if (device) SDL_CloseAudioDevice(device);  // joins SDL's capture thread
    device = 0;
}

// A sound server that went away leaves SDL's connection to it dead; only a fresh start of the audio subsystem
// reaches the server that replaces it. Possible while no output device is open.
bool reconnect()
{
    if (!restartable) return true;
    AlsaQuiet quiet;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

// Watches for a stall from `now` on.
void watchFrom(Uint32 now)
{
    lastFrames = feed.frames.load(std::memory_order_relaxed);
    lastChange = now;
    stalled = false;
}

void retry(Uint32 now)
{
    retryAt = now + kRetryMs;
    if (!reconnect()) return;
    names = capture::listDevices();
    feed.analyser->clear();
    if (!openDevice(true)) return;
    watchFrom(now);
    std::fprintf(stderr, "kiv: hearing %s again\n", describe(inUse).c_str());
}

void noticeStall(Uint32 now)
{
    const long frames = feed.frames.load(std::memory_order_relaxed);
    if (frames != lastFrames) {
        lastFrames = frames;
        lastChange = now;
        stalled = false;
    } else if (!stalled && SDL_TICKS_PASSED(now, lastChange + kStalledMs)) {
        feed.analyser->clear();
        stalled = true;
    }
}

}  // namespace

namespace capture {

void begin(Analyser* analyser, const std::atomic<bool>* on, int mixrate, bool canRestart)
{
    feed.analyser = analyser;
    feed.on = on;
    rate = mixrate;
    restartable = canRestart;
    chosen = FSOUND_RECORD_DEFAULT;
    initialised = true;
}

void end()
{
    FSOUND_Record_Stop();
    names.clear();
    initialised = false;
}

bool recording()
{
    return active.load(std::memory_order_relaxed);
}

Held::Held() : device_(device)
{
    if (device_) SDL_LockAudioDevice(device_);
}

Held::~Held()
{
    if (active) heard = feed.frames.load(std::memory_order_relaxed);
    if (device_) SDL_UnlockAudioDevice(device_);
}

}  // namespace capture

int FSOUND_Record_GetNumDrivers()
{
    names.clear();
    if (initialised) names = capture::listDevices();
    return static_cast<int>(names.size());
}

const char* FSOUND_Record_GetDriverName(int id)
{
    return id >= 0 && id < static_cast<int>(names.size()) ? names[id].c_str() : nullptr;
}

bool FSOUND_Record_SetDriver(int outputdriver)
{
    if (active || outputdriver < FSOUND_RECORD_DEFAULT || outputdriver >= static_cast<int>(names.size()))
        return false;
    chosen = outputdriver;
    return true;
}

bool FSOUND_Record_Start()
{
    if (!initialised) {
        std::fprintf(stderr, "kiv: cannot listen: sound is not initialised\n");
        return false;
    }
    if (active) return false;
    asked = chosen == FSOUND_RECORD_DEFAULT ? "" : names[chosen];
    // The default source is looked for among the devices as they are now.
    if (asked.empty()) names = capture::listDevices();
    active = true;  // the output's tap steps aside before the analyser is cleared for the recording
    feed.analyser->clear();
    feed.frames = 0;
    heard = -1;
    watchFrom(SDL_GetTicks());
    if (!openDevice(false)) active = false;
    return active;
}

bool FSOUND_Record_Stop()
{
    if (!active) return false;
    closeDevice();
    active = false;
    return true;
}

long FSOUND_Record_GetPosition()
{
    return heard;
}

void FSOUND_Update()
{
    if (!active) return;
    const Uint32 now = SDL_GetTicks();
    if (device && SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED) {
        std::fprintf(stderr, "kiv: lost the sound source %s; trying it again every %u s\n",
                     describe(inUse).c_str(), static_cast<unsigned>(kRetryMs / 1000));
        closeDevice();
        feed.analyser->clear();
        retryAt = now + kRetryMs;
    } else if (!device && SDL_TICKS_PASSED(now, retryAt)) {
        retry(now);
    } else if (device) {
        noticeStall(now);
    }
}
