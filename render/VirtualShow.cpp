#include "render/VirtualShow.h"

#include <GL/gl.h>

#include <cstring>

#include "app/Show.h"
#include "fx/Fx.h"
#include "fx/HexRandom.h"

namespace {
// The platform's functions are plain pointers: their state lives here, for the one show alive.
uint32_t clockTicks = 0;
Analyser* boundAnalyser = nullptr;
float spectrumBins[kSpectrumBins] = {};

// What the sound layer's spectrum call does: one analysis of the latest samples, copied out.
float* currentSpectrum()
{
    std::memcpy(spectrumBins, boundAnalyser->compute(), sizeof spectrumBins);
    return spectrumBins;
}
}  // namespace

VirtualShow::VirtualShow(int width, int height, int fps, const PointerPath& pointer)
    : fps_(fps), pointer_(pointer), saved_(platform)
{
    demo_.width = width;
    demo_.height = height;
    boundAnalyser = &analyser_;
    clockTicks = 0;
    platform = Platform{
        [] { return clockTicks; },
        currentSpectrum,
        [] {},  // the show's sound is laid down in advance: the music starts at 12 s
        [] {},  // the renderer stops before the show's end
        [] {},  // one display pass per frame is the renderer's to call
        [] { glClear(GL_COLOR_BUFFER_BIT); },
        [] {},  // the renderer reads the frame back itself
        [](const ScreenLight* light, float seconds) { boundAnalyser->describe(*light, seconds); },
    };
}

VirtualShow::~VirtualShow()
{
    releaseShow(&demo_);
    platform = saved_;
    boundAnalyser = nullptr;
}

void VirtualShow::build()
{
    // What a fresh process starts with, so each show in a process runs the same.
    audioLevel = 1.0f;
    spectrum = nullptr;
    stream = nullptr;
    musicStarted = false;
    resetHexRandom();
    glViewport(0, 0, demo_.width, demo_.height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    buildShow(&demo_);
}

void VirtualShow::hear(const float* interleaved, int frames, int channels)
{
    analyser_.push(interleaved, frames, channels);
}

uint32_t VirtualShow::ticksAt(long frame, int fps)
{
    return static_cast<uint32_t>(static_cast<int64_t>(frame) * 1000 / fps);
}

void VirtualShow::step(long frame)
{
    clockTicks = demo_.startTicks + ticksAt(frame, fps_);
    demo_.idle();
    // As the window toolkit does, a pointer that did not move sends no event.
    float x = 0, y = 0;
    pointer_.at(static_cast<double>(frame) / fps_, x, y);
    const int px = static_cast<int>(x * static_cast<float>(demo_.width));
    const int py = static_cast<int>(y * static_cast<float>(demo_.height));
    if (px != lastX_ || py != lastY_) {
        demo_.mouse(px, py);
        lastX_ = px;
        lastY_ = py;
    }
}

void VirtualShow::draw()
{
    demo_.display();
}
