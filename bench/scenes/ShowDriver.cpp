#include "bench/scenes/ShowDriver.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "app/Platform.h"
#include "app/Show.h"
#include "fx/Fx.h"
#include "fx/HexFire.h"
#include "fx/HexRandom.h"
#include "render/PointerPath.h"
#include "tests/support/DecodedMusic.h"

namespace {
constexpr int kPassesPerSecond = 60;
constexpr float kSecondsPerTick = 0.001f;

// The platform's functions are plain pointers: their state lives here, for the one driver alive.
uint32_t clockTicks = 0;
Analyser* boundAnalyser = nullptr;
float spectrumBins[Analyser::kBins] = {};
bool playRequested = false;
Platform savedPlatform;

double micros(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
}
double threadMicros() { return micros(CLOCK_THREAD_CPUTIME_ID); }
double wallMicros() { return micros(CLOCK_MONOTONIC); }

// Same work as the sound layer's spectrum call: one FFT of the analyser's latest window, copied out.
float* refreshSpectrum()
{
    std::memcpy(spectrumBins, boundAnalyser->compute(), sizeof spectrumBins);
    return spectrumBins;
}
}  // namespace

ShowDriver::ShowDriver(DecodedMusic& music, int width, int height)
    : music_(music), window_(static_cast<size_t>(Analyser::kFrames) * std::max(music.channels(), 1))
{
    demo_.width = width;
    demo_.height = height;
    savedPlatform = platform;
    boundAnalyser = &analyser_;
    platform = Platform{
        [] { return clockTicks; },
        refreshSpectrum,
        [] { playRequested = true; },
        [] {},
        [] {},
        [] { glClear(GL_COLOR_BUFFER_BIT); },
        [] {},  // frame() presents, so that the wait is timed apart from the drawing
    };
}

ShowDriver::~ShowDriver()
{
    release();
    platform = savedPlatform;
    boundAnalyser = nullptr;
}

void ShowDriver::build()
{
    release();
    audioLevel = 1.0f;
    spectrum = nullptr;
    stream = nullptr;
    musicStarted = false;
    playRequested = false;
    resetHexRandom();
    pass_ = 0;
    playedAt_ = -1;
    demo_.startTicks = 0;
    demo_.time = 0;
    buildShow(&demo_);
    for (Fx* fx : demo_.effects)
        if (auto* grid = dynamic_cast<HexFire*>(fx)) grids_.push_back(grid);
}

void ShowDriver::release()
{
    releaseShow(&demo_);
    grids_.clear();
}

float ShowDriver::nextTime() const
{
    return static_cast<float>(static_cast<uint32_t>(pass_ * 1000 / kPassesPerSecond)) * kSecondsPerTick;
}

void ShowDriver::prepare()
{
    clockTicks = demo_.startTicks + static_cast<uint32_t>(pass_ * 1000 / kPassesPerSecond);
    analyser_.clear();
    if (playedAt_ < 0 || !music_.ok()) return;  // nothing plays yet: the analyser reads silence
    // The latest window of mixed frames, ending at the music's own clock.
    const int channels = music_.channels();
    std::fill(window_.begin(), window_.end(), 0.0f);
    const double end = std::round(static_cast<double>(nextTime() - playedAt_) * music_.rate());
    for (int n = 0; n < Analyser::kFrames; ++n) {
        const double frame = end - Analyser::kFrames + n;
        if (frame < 0.0 || frame >= static_cast<double>(music_.frames())) continue;
        const float* source = music_.samples().data() + static_cast<long>(frame) * channels;
        std::copy(source, source + channels, window_.begin() + static_cast<long>(n) * channels);
    }
    analyser_.push(window_.data(), Analyser::kFrames, channels);
}

void ShowDriver::pointer()
{
    float x = 0, y = 0;
    PointerPath::sweep(demo_.time, x, y);  // the sweep kiv-render draws with by default
    demo_.mouse(static_cast<int>(static_cast<float>(demo_.width) * x), static_cast<int>(static_cast<float>(demo_.height) * y));
}

void ShowDriver::advanceTo(float seconds)
{
    while (nextTime() < seconds) {
        prepare();
        demo_.idle();
        if (playRequested && playedAt_ < 0) playedAt_ = demo_.time;
        pointer();
        ++pass_;
    }
}

FrameTimes ShowDriver::frame()
{
    prepare();
    FrameTimes t;
    const double begin = wallMicros();
    const double cpu0 = threadMicros();
    demo_.idle();
    const double cpu1 = threadMicros();
    if (playRequested && playedAt_ < 0) playedAt_ = demo_.time;
    pointer();
    const double cpu2 = threadMicros();
    demo_.display();
    const double cpu3 = threadMicros();
    const double drawn = wallMicros();
    glutSwapBuffers();
    glFinish();
    const double presented = wallMicros();
    ++pass_;

    t.wall = presented - begin;
    t.idle = cpu1 - cpu0;
    t.mouse = cpu2 - cpu1;
    t.display = cpu3 - cpu2;
    t.present = presented - drawn;

    const double fill0 = threadMicros();
    for (HexFire* grid : grids_)
        if (grid->isActive(demo_.time)) grid->mesh.fill(grid->cells.data(), grid->cells.size(), grid->mode, audioLevel);
    t.fill = threadMicros() - fill0;
    for (HexFire* grid : grids_)
        if (grid->isActive(demo_.time)) t.triangles += grid->mesh.vertexCount / 3;

    glutMainLoopEvent();  // keeps the X connection drained, as the toolkit's loop would
    return t;
}
