#include "app/Platform.h"

#include <GL/freeglut.h>

#include "app/Clock.h"
#include "app/Demo.h"
#include "app/Window.h"
#include "audio/fsound.h"

namespace {
void playMusic() { FSOUND_Stream_Play(-1, stream); }
void clearFrame() { glClear(GL_COLOR_BUFFER_BIT); }
}

Platform platform = {timeGetTime, FSOUND_DSP_GetSpectrum, playMusic, endShow,
                     glutPostRedisplay, clearFrame, glutSwapBuffers, FSOUND_DSP_SetScreen};
