// kiv: a music-reactive show. Reads img1/2/4/5.tif and music.mp3 from the working folder, takes no options;
// KIV_LISTEN makes it listen to a capture device instead (app/Listen.h).
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "app/Demo.h"
#include "app/Listen.h"
#include "app/Platform.h"
#include "app/Show.h"
#include "app/Shutdown.h"
#include "app/Window.h"
#include "audio/fsound.h"
#include "fx/Fx.h"

namespace {
constexpr int kMixRate = 44100;
constexpr int kSoftwareChannels = 32;
#if defined(__SSE__)
constexpr unsigned kFlushToZero = 0x8040;  // MXCSR: flush-to-zero and denormals-are-zero
#endif

// Fading grid values would otherwise linger in the subnormal range, where float arithmetic is several times
// slower; values that small never show on screen.
void flushDenormals()
{
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | kFlushToZero);
#endif
}
}  // namespace

int main(int argc, char** argv)
{
    installShutdown();
    flushDenormals();
    const char* listen = listenRequest();
    if (listen) FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
    if (!FSOUND_Init(kMixRate, kSoftwareChannels, 0)) return 1;
    if (listen) {
        const int status = startListening(listen);
        if (status >= 0) return status;
        bindListening();
    } else {
        stream = FSOUND_Stream_Open("music.mp3", 0, 0, 0);
    }
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), true);
    spectrum = FSOUND_DSP_GetSpectrum();

    Demo demo;
    demo.startTicks = platform.ticks();  // start-up time counts toward the show

    endIfRequested();  // a signal during start-up ends the show here, before the next slow step
    initWindow(&demo, &argc, argv);
    endIfRequested();
    buildShow(&demo);
    runWindow();
    leaveShow(0);  // the toolkit gives control back only when its window was closed
}
