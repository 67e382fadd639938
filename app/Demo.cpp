#include "app/Demo.h"

#include "app/Platform.h"
#include "fx/Fx.h"

float audioLevel = 1.0f;
float* spectrum = nullptr;
FSOUND_STREAM* stream = nullptr;
bool musicStarted = false;

namespace {
constexpr float kSecondsPerTick = 0.001f;
}

void Demo::idle()
{
    uint32_t elapsed = platform.ticks() - startTicks;  // unsigned: right across a wrap of the counter
    time = static_cast<float>(elapsed) * kSecondsPerTick;
    if (time > kShowEnd) {
        platform.endShow();
        return;
    }
    spectrum = platform.getSpectrum();
    audioLevel = loudness(spectrum);
    if (time > kMusicStart && !musicStarted) {
        platform.playMusic();
        musicStarted = true;
    }
    for (Fx* fx : effects)
        if (fx->isActive(time)) fx->update(time);
    platform.postRedisplay();
}

void Demo::display()
{
    platform.clearFrame();
    for (Fx* fx : effects)
        if (fx->isActive(time)) fx->draw(time);
    platform.swapBuffers();
}

void Demo::mouse(int x, int y)
{
    const float pos[2] = {static_cast<float>(x) / static_cast<float>(width),
                          static_cast<float>(y) / static_cast<float>(height)};
    for (Fx* fx : effects)
        if (fx->isActive(time)) fx->onMouse(pos, time);
}

void Demo::describeScreen(const ScreenLight& light)
{
    if (!platform.describeScreen) return;
    const uint32_t elapsed = platform.ticks() - startTicks;
    platform.describeScreen(&light, static_cast<float>(elapsed) * kSecondsPerTick);
}

void Demo::reshape(int w, int h)
{
    width = w < kMinWindowSize ? kMinWindowSize : w;
    height = h < kMinWindowSize ? kMinWindowSize : h;
}
