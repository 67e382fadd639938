#pragma once
#include <cstdint>

struct ScreenLight;

// Where the runtime meets the outside world. The show binds these to the clock, the sound layer and the window
// toolkit; tests bind fakes, so a whole show can run without a window, a sound device or real time.
struct Platform {
    uint32_t (*ticks)();           // milliseconds, wrapping at 32 bits
    float* (*getSpectrum)();       // the analyser's current spectrum
    void (*playMusic)();           // starts the opened music stream
    void (*endShow)();             // at the show's end: ends the process, or starts the show over when
                                   // listening (app/Listen.h); a fake may return
    void (*postRedisplay)();       // asks for one display pass
    void (*clearFrame)();
    void (*swapBuffers)();
    // What the screen makes of the loudness from show time `showSeconds` on, for the flash guard; the sound
    // layer copies it. May be null where nothing guards the show.
    void (*describeScreen)(const ScreenLight* light, float showSeconds);
};

extern Platform platform;
