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
DecodedMusic* boundMusic = nullptr;
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
    std::memcpy(spectrumBins, boundMusic->spectrum(), sizeof spectrumBins);
    return spectrumBins;
}
}  // namespace

ShowDriver::ShowDriver(DecodedMusic& music, int width, int height)
    : music_(music)
{
    demo_.width = width;
    demo_.height = height;
    savedPlatform = platform;
    boundMusic = &music_;
    platform = Platform{
        [] { return clockTicks; },
        refreshSpectrum,
        [] { playRequested = true; },
        [] {},
        [] {},
        [] { glClear(GL_COLOR_BUFFER_BIT); },
        [] {},  // frame() presents, so that the wait is timed apart from the drawing
        // The analyser hears from the music's start, which the show reaches at 12 s.
        [](const ScreenLight* light, float) { boundMusic->describe(*light, Demo::kMusicStart); },
    };
}

ShowDriver::~ShowDriver()
{
    release();
    platform = savedPlatform;
    boundMusic = nullptr;
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
    // The sound thread's share, done here, outside the timed passes: the music heard up to the music's own
    // clock; before it plays, nothing.
    music_.hearUntil(playedAt_ < 0 ? -1.0 : static_cast<double>(nextTime() - playedAt_));
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
