#include "app/Listen.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Clock.h"
#include "app/Demo.h"
#include "app/Platform.h"
#include "app/Show.h"
#include "app/Window.h"
#include "audio/fsound.h"

namespace {
constexpr int kGoOn = -1;
constexpr unsigned kMaxTimeScale = 1000;

unsigned timeScale = 1;

// A whole number keeps the 32-bit wrap of the clock exact: (t + 2^32) N = t N modulo 2^32.
uint32_t scaledTicks()
{
    return timeGetTime() * timeScale;
}

float* listenedSpectrum()
{
    FSOUND_Update();
    return FSOUND_DSP_GetSpectrum();
}

void noMusic() {}

std::string lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The first capture device whose name holds `name` in any case, or -1.
int findDriver(const char* name, int count)
{
    const std::string wanted = lower(name);
    for (int i = 0; i < count; ++i)
        if (lower(FSOUND_Record_GetDriverName(i)).find(wanted) != std::string::npos) return i;
    return -1;
}

std::string driverList(int count)
{
    if (count == 0) return "there is no capture device (SDL_AUDIODRIVER picks where SDL looks)";
    std::string list = "the capture devices are: ";
    for (int i = 0; i < count; ++i) list += (i ? ", '" : "'") + std::string(FSOUND_Record_GetDriverName(i)) + "'";
    return list;
}

// The status to leave with once sound is closed.
int leaving(int status)
{
    FSOUND_Close();
    return status;
}
}  // namespace

const char* listenRequest()
{
    const char* request = std::getenv("KIV_LISTEN");
    return request && *request ? request : nullptr;
}

int startListening(const char* request)
{
    const int count = FSOUND_Record_GetNumDrivers();
    if (std::strcmp(request, "list") == 0) {
        for (int i = 0; i < count; ++i) std::printf("%s\n", FSOUND_Record_GetDriverName(i));
        return leaving(0);
    }
    int driver = FSOUND_RECORD_DEFAULT;
    if (std::strcmp(request, "1") == 0) {
        if (count == 0) {
            std::fprintf(stderr, "kiv: KIV_LISTEN=1 asks for the default sound source; %s\n", driverList(count).c_str());
            return leaving(1);
        }
    } else if ((driver = findDriver(request, count)) < 0) {
        std::fprintf(stderr, "kiv: no capture device's name contains '%s'; %s\n", request, driverList(count).c_str());
        return leaving(1);
    }
    FSOUND_Record_SetDriver(driver);
    if (!FSOUND_Record_Start()) return leaving(1);
    if (const char* scale = std::getenv("KIV_TEST_TIME_SCALE")) {
        const long n = std::strtol(scale, nullptr, 10);
        if (n >= 1 && n <= static_cast<long>(kMaxTimeScale)) timeScale = static_cast<unsigned>(n);
    }
    return kGoOn;
}

void bindListening()
{
    platform.ticks = scaledTicks;
    platform.getSpectrum = listenedSpectrum;
    platform.playMusic = noMusic;
    platform.endShow = startShowOver;
}

void startShowOver()
{
    currentDemo->startTicks = platform.ticks();  // first: the new pass tells the guard it is at time 0
    restartShow(currentDemo);
}
