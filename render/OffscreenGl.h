#pragma once
#include <string>

// An OpenGL compatibility context with a width x height RGBA drawing surface and no window: EGL on Mesa's
// surfaceless platform with a pbuffer. Mesa picks a GPU's driver through its render node where there is one,
// llvmpipe otherwise; the code is the same. GL calls through libGL reach it once it is current.
class OffscreenGl {
public:
    OffscreenGl() = default;
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    // Creates the context and makes it current on the calling thread. False, with one line in `error`.
    bool open(int width, int height, std::string& error);
    // The GL renderer string, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)".
    std::string renderer() const;

private:
    void* display_ = nullptr;  // EGLDisplay
    void* surface_ = nullptr;  // EGLSurface
    void* context_ = nullptr;  // EGLContext
};
