#include "audio/CaptureDevices.h"

#include <SDL.h>

namespace {

// How PulseAudio and PipeWire name the monitor of an output, in English.
const char* const kMonitorPrefix = "Monitor of ";

bool listed(const std::vector<std::string>& devices, const std::string& name)
{
    for (const std::string& n : devices)
        if (n == name) return true;
    return false;
}

}  // namespace

namespace capture {

std::vector<std::string> listDevices()
{
    std::vector<std::string> devices;
    const int count = SDL_GetNumAudioDevices(1);
    for (int i = 0; i < count; ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, 1)) devices.emplace_back(name);
    return devices;
}

// "Monitor of <output>", or in another language a longer name that holds the output's (a microphone of the same
// card may bear the output's very name, never a longer one).
std::string defaultSource(const std::vector<std::string>& devices)
{
    SDL_AudioSpec format;  // asked for by SDL, not used
    char* output = nullptr;
    if (SDL_GetDefaultAudioInfo(&output, &format, 0) == 0 && output) {
        const std::string out = output;
        SDL_free(output);
        if (listed(devices, kMonitorPrefix + out)) return kMonitorPrefix + out;
        for (const std::string& n : devices)
            if (n.size() > out.size() && n.find(out) != std::string::npos) return n;
    }
    std::string source;
    char* input = nullptr;
    if (SDL_GetDefaultAudioInfo(&input, &format, 1) == 0 && input) {
        source = input;
        SDL_free(input);
    }
    return source;
}

}  // namespace capture
