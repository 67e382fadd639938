// kiv in a page: the show's runtime bound to the browser. The page (web/page.js) owns the start screen, the
// frame loop and the input and calls in here; the show's clock is the audio clock (web/sound.js), so a tab
// that was hidden comes back with the show and the music together.
#include <GL/gl.h>
#include <emscripten/emscripten.h>

#include "app/Demo.h"
#include "app/Platform.h"
#include "app/Show.h"
#include "audio/fsound.h"
#include "fx/Fx.h"
#include "web/WebCalls.h"

namespace {
constexpr int kMixRate = 44100;
constexpr int kSoftwareChannels = 32;

Demo demo;
bool built = false;
bool running = false;

void playMusic() { FSOUND_Stream_Play(-1, stream); }
void clearFrame() { glClear(GL_COLOR_BUFFER_BIT); }
void noRedisplay() {}  // the page's frame loop draws once after every idle pass
void noSwap() {}       // the browser shows the canvas when the frame's task ends

// The show's end, Escape and leaving full screen all come here: the page shows its start screen again.
void endShow()
{
    if (!running) return;
    running = false;
    FSOUND_Stream_Stop(stream);
    kiv_web_show_ended();
}
}  // namespace

Platform platform = {kiv_web_ticks, FSOUND_DSP_GetSpectrum, playMusic, endShow, noRedisplay, clearFrame, noSwap,
                     FSOUND_DSP_SetScreen};

extern "C" {

// Makes the GL context on the page's canvas and builds the show from the pictures and music the page has
// put in the working folder. 0 when there is no WebGL or no music.
EMSCRIPTEN_KEEPALIVE int kiv_build(int width, int height)
{
    if (built) return 1;
    if (!kiv_web_create_context()) return 0;
    if (!FSOUND_Init(kMixRate, kSoftwareChannels, 0)) return 0;
    stream = FSOUND_Stream_Open("music.mp3", 0, 0, 0);
    if (!stream) return 0;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, width, height);
    demo.reshape(width, height);
    buildShow(&demo);
    built = true;
    return 1;
}

// Starts the show from its beginning, as a fresh process would: every run of the page plays the same.
EMSCRIPTEN_KEEPALIVE void kiv_start()
{
    // Switching the analyser on again forgets what it heard in the last run; the show then tells its guard
    // what the screen shows from time 0.
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), false);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true);
    demo.startTicks = platform.ticks();
    restartShow(&demo);
    spectrum = FSOUND_DSP_GetSpectrum();
    running = true;
}

EMSCRIPTEN_KEEPALIVE void kiv_idle()
{
    if (running) demo.idle();
}

EMSCRIPTEN_KEEPALIVE void kiv_display()
{
    if (running) demo.display();
}

// One idle pass, then one display pass: what the desktop show does once a frame.
EMSCRIPTEN_KEEPALIVE void kiv_frame()
{
    kiv_idle();
    kiv_display();
}

EMSCRIPTEN_KEEPALIVE void kiv_stop() { endShow(); }

// Canvas pixels, origin top-left, as the window toolkit reports them.
EMSCRIPTEN_KEEPALIVE void kiv_mouse(int x, int y)
{
    if (running) demo.mouse(x, y);
}

EMSCRIPTEN_KEEPALIVE void kiv_resize(int width, int height)
{
    glViewport(0, 0, width, height);
    demo.reshape(width, height);
}

EMSCRIPTEN_KEEPALIVE float kiv_time() { return demo.time; }
EMSCRIPTEN_KEEPALIVE float kiv_music_start() { return Demo::kMusicStart; }

}  // extern "C"
