#pragma once
#include <cstdint>
#include <list>

struct Fx;
struct ScreenLight;

// The show at run time: window size, show clock and the ordered list of effects. The list order is the order
// of updating, drawing (later over earlier) and pointer dispatch.
struct Demo {
    static constexpr float kMusicStart = 12.0f;  // music starts in the first idle strictly after this
    static constexpr float kShowEnd = 152.0f;    // the show ends in the first idle strictly after this
    static constexpr int kMinWindowSize = 10;    // keeps pointer normalisation finite for tiny windows

    int width = 1024;        // never below kMinWindowSize after a reshape
    int height = 768;
    uint32_t startTicks = 0;
    float time = 0.0f;       // show seconds, as of the last idle
    std::list<Fx*> effects;  // filled by buildShow; made afresh only when a listening show starts over

    void idle();
    void display();
    void mouse(int x, int y);  // window pixels, origin top-left
    void reshape(int w, int h);  // stores the window size for pointer normalisation
    // Tells the sound layer's flash guard what the screen makes of the loudness, from the clock's time now on.
    void describeScreen(const ScreenLight& light);
};

// The sound handles and state the runtime keeps; read by effects only through fx/Fx.h.
struct FSOUND_STREAM;
extern FSOUND_STREAM* stream;
extern bool musicStarted;
