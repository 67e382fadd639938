#include "render/OffscreenGl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>

namespace {
std::string eglFailure(const char* what)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string("no offscreen OpenGL: ") + what + " failed (EGL error " + code + ")";
}
}  // namespace

OffscreenGl::~OffscreenGl()
{
    if (!display_) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    if (surface_) eglDestroySurface(display_, surface_);
    eglTerminate(display_);
    eglReleaseThread();
}

bool OffscreenGl::open(int width, int height, std::string& error)
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay)
        display_ = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (!display_) {
        error = "no offscreen OpenGL: EGL has no surfaceless platform (is libegl-mesa0 installed?)";
        return false;
    }
    if (!eglInitialize(display_, nullptr, nullptr)) {
        error = eglFailure("eglInitialize");
        display_ = nullptr;
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglFailure("eglBindAPI(OpenGL)");
        return false;
    }
    // 8-bit RGBA, as the window's visual: without alpha, llvmpipe blends through another rounding path and
    // the picture differs from the window's by up to 2 levels.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(display_, configAttributes, &config, 1, &found) || found < 1) {
        error = "no offscreen OpenGL: no 8-bit RGB pbuffer configuration";
        return false;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, surfaceAttributes);
    if (surface_ == EGL_NO_SURFACE) {
        error = eglFailure("a pbuffer of this size");
        return false;
    }
    // The show draws with fixed-function OpenGL 1.x: a compatibility profile.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, contextAttributes);
    if (context_ == EGL_NO_CONTEXT) {
        error = eglFailure("a compatibility context");
        return false;
    }
    if (!eglMakeCurrent(display_, surface_, surface_, context_)) {
        error = eglFailure("eglMakeCurrent");
        return false;
    }
    return true;
}

std::string OffscreenGl::renderer() const
{
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name ? name : "";
}
