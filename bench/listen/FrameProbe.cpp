// Linked into kiv-probe only: the real kiv, which also writes one line per frame to KIV_PROBE_OUT once the frame
// is on screen: CLOCK_MONOTONIC nanoseconds after the swap, show time, audioLevel, and the mean brightness
// (0-255) of a patch at the centre of the frame, read back before the swap. The patch is small, so reading it
// costs little of the frame.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/Demo.h"
#include "app/Platform.h"
#include "app/Window.h"
#include "fx/Fx.h"

namespace {
constexpr int kPatch = 64;  // pixels each way
FILE* out = nullptr;

void probedSwap()
{
    static unsigned char pixels[kPatch * kPatch * 3];
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glReadPixels(viewport[2] / 2 - kPatch / 2, viewport[3] / 2 - kPatch / 2, kPatch, kPatch, GL_RGB,
                 GL_UNSIGNED_BYTE, pixels);
    glutSwapBuffers();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    long sum = 0;
    for (unsigned char p : pixels) sum += p;
    std::fprintf(out, "%lld %.3f %.4f %.2f\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                 currentDemo ? currentDemo->time : 0.0f, audioLevel, static_cast<double>(sum) / sizeof pixels);
}

// The platform table is filled at compile time, so this runs after it, before main.
const bool installed = [] {
    const char* path = std::getenv("KIV_PROBE_OUT");
    if (!path || !(out = std::fopen(path, "w"))) return false;
    platform.swapBuffers = probedSwap;
    return true;
}();
}  // namespace
