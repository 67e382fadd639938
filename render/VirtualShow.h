#pragma once
#include <climits>
#include <cstdint>

#include "app/Demo.h"
#include "app/Platform.h"
#include "audio/Analyser.h"
#include "render/PointerPath.h"

// The real show on a virtual clock: frame n is one idle pass at show time n / fps (to the runtime's
// millisecond), then one pointer event if the pointer moved, then, when wanted, one display pass. One idle
// per frame is what the live show does on a display of `fps` Hz, and the grids take at most one step per idle,
// so a 60 fps video moves as the live show on a 60 Hz display.
// The spectrum comes from the sound layer's analyser fed with the show's sound up to the frame's time.
// One at a time: it binds the global `platform` while it lives.
class VirtualShow {
public:
    VirtualShow(int width, int height, int fps, const PointerPath& pointer);
    ~VirtualShow();
    VirtualShow(const VirtualShow&) = delete;
    VirtualShow& operator=(const VirtualShow&) = delete;

    // Sets the GL state the show's window starts with and builds the show from the working folder's
    // pictures. Needs the current GL context.
    void build();
    // The show's sound that has been heard since the last call, interleaved: the analyser's input.
    void hear(const float* interleaved, int frames, int channels);
    // Frame n's idle pass and pointer event; frames go up by one.
    void step(long frame);
    // Frame n's display pass into the current GL surface.
    void draw();

    static uint32_t ticksAt(long frame, int fps);  // the clock reading of frame n: n * 1000 / fps ms
    Demo& demo() { return demo_; }

private:
    Demo demo_;
    int fps_;
    const PointerPath& pointer_;
    Analyser analyser_;
    Platform saved_;
    int lastX_ = INT_MIN, lastY_ = INT_MIN;  // pointer pixel last sent; none yet
};
