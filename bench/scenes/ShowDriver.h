#pragma once
#include <vector>

#include "app/Demo.h"

class DecodedMusic;
struct HexFire;

// What one measured frame cost. CPU times are of the calling thread only; llvmpipe rasterises in threads of
// its own, whose work shows in `present` (and in `wall`) but never in the CPU times. Microseconds, >= 0.
struct FrameTimes {
    double wall = 0;     // idle + pointer + display + swap + glFinish, as a viewer waits for it
    double idle = 0;     // Demo::idle: clock, spectrum refresh, loudness, every active update
    double mouse = 0;    // Demo::mouse: one pointer motion through every active effect
    double display = 0;  // Demo::display up to the last draw call returning: our vertex fills and GL calls,
                         // and what Mesa does on our thread inside them (vertex transform, binning)
    double fill = 0;     // the grids' vertex-array fills alone, timed again after the frame (our code only)
    double present = 0;  // wall time of glutSwapBuffers + glFinish: waiting for the rasterizer and the copy
    double triangles = 0;  // sent by the grids this frame
};

// Runs the real show on a hand-driven clock at 60 idle passes a second, with the music's spectrum computed
// as the sound layer computes it (same analyser, the decoded music at the show time) and one pointer event
// per idle pass, along a sweep over the window. Display clears and draws for real; the swap is timed apart.
// One driver at a time: it binds the global `platform` while it lives and restores it afterwards.
class ShowDriver {
public:
    ShowDriver(DecodedMusic& music, int width, int height);
    ~ShowDriver();
    ShowDriver(const ShowDriver&) = delete;
    ShowDriver& operator=(const ShowDriver&) = delete;

    // Builds the show from the pictures in the working folder, clock at 0. Needs the GL context.
    void build();
    // Releases a built show and its pictures.
    void release();

    // Idle and pointer passes, nothing drawn, until the next pass would be at or after `seconds`.
    void advanceTo(float seconds);
    // One measured frame at the next clock tick.
    FrameTimes frame();

    const Demo& demo() const { return demo_; }
    float nextTime() const;  // show time of the next pass

private:
    void prepare();  // sets the clock and feeds the analyser for the next pass
    void pointer();

    DecodedMusic& music_;          // its analyser is the show's
    Demo demo_;
    std::vector<HexFire*> grids_;
    long pass_ = 0;                // idle passes so far
    float playedAt_ = -1;          // show time the music started, < 0 before
};
