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
bool listening = false;  // the page hands the analyser what it hears, and the show starts over at its end

void playMusic()
{
    if (!listening) FSOUND_Stream_Play(-1, stream);
}
void clearFrame() { glClear(GL_COLOR_BUFFER_BIT); }
void noRedisplay() {}  // the page's frame loop draws once after every idle pass
void noSwap() {}       // the browser shows the canvas when the frame's task ends

// Escape, leaving full screen, a source that ends and the music show's end all come here: the page shows
// its start screen again.
void stopShow()
{
    if (!running) return;
    running = false;
    FSOUND_Stream_Stop(stream);
    kiv_web_show_ended();
}

// As the desktop's listening mode does (app/Listen.cpp): the show over again from time 0.
void showEnded()
{
    if (!listening) {
        stopShow();
        return;
    }
    demo.startTicks = platform.ticks();  // first: the new pass tells the guard it is at time 0
    restartShow(&demo);
}

bool openMusic()
{
    if (stream) FSOUND_Stream_Close(stream);
    stream = FSOUND_Stream_Open("music.mp3", 0, 0, 0);
    return stream != nullptr;
}
}  // namespace

Platform platform = {kiv_web_ticks, FSOUND_DSP_GetSpectrum, playMusic, showEnded, noRedisplay, clearFrame, noSwap,
                     FSOUND_DSP_SetScreen};

extern "C" {

// Makes the GL context on the page's canvas and builds the show from the pictures and music the page has
// put in the working folder. 0 when there is no WebGL or no music.
EMSCRIPTEN_KEEPALIVE int kiv_build(int width, int height)
{
    if (built) return 1;
    if (!kiv_web_create_context()) return 0;
    if (!FSOUND_Init(kMixRate, kSoftwareChannels, 0)) return 0;
    if (!openMusic()) return 0;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, width, height);
    demo.reshape(width, height);
    buildShow(&demo);
    built = true;
    return 1;
}

// The pictures and music in the working folder read again, after the page has put others there. 0 when the
// music cannot be opened.
EMSCRIPTEN_KEEPALIVE int kiv_reload()
{
    if (!built || running) return 0;
    releaseShow(&demo);
    buildShow(&demo);
    return openMusic() ? 1 : 0;
}

// Starts the show from its beginning, as a fresh process would: every run of the page plays the same.
// `listen`: the analyser hears what the page captures instead of the music, and the show starts over at its
// end until it is stopped.
EMSCRIPTEN_KEEPALIVE void kiv_start(int listen)
{
    listening = listen != 0;
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

EMSCRIPTEN_KEEPALIVE void kiv_stop() { stopShow(); }

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
// The level the effects follow, as the analyser made it from what it heard.
EMSCRIPTEN_KEEPALIVE float kiv_level() { return audioLevel; }
EMSCRIPTEN_KEEPALIVE float kiv_music_start() { return Demo::kMusicStart; }

}  // extern "C"
