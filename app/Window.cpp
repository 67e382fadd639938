#include "app/Window.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "app/Demo.h"
#include "app/Shutdown.h"

Demo* currentDemo = nullptr;

namespace {
constexpr int kWindowX = 100;
constexpr int kWindowY = 100;
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;
constexpr unsigned char kEscape = 27;

constexpr int kDisplayFailed = 1;

void idleCallback()
{
    endIfRequested();  // a signal's request is acted on here, between frames
    currentDemo->idle();
}
void displayCallback() { currentDemo->display(); }
// Every press and release of any button counts as a pointer event.
void mouseCallback(int, int, int x, int y) { currentDemo->mouse(x, y); }
void motionCallback(int x, int y) { currentDemo->mouse(x, y); }

// The toolkit's own exit handler destroys the window too, and calls the close callback then: that is no close.
bool exiting = false;
void markExiting() { exiting = true; }
// The window manager's close button. The toolkit then destroys the window and leaves its loop, and main ends the
// show; the hard limit runs from here.
void closeCallback()
{
    if (!exiting) requestEnd(0);
}
// The X connection is gone. Xlib would print its own lines and exit(1) with the sound thread running.
int displayLost(Display* display)
{
    std::fprintf(stderr, "kiv: lost the display %s\n", DisplayString(display));
    leaveShow(kDisplayFailed);
}

// The toolkit's fatal errors (no display to open, no usable visual): one line of ours, then the same way out.
void toolkitFailed(const char* format, va_list args)
{
    std::fputs("kiv: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    leaveShow(kDisplayFailed);
}
}  // namespace

void initWindow(Demo* demo, int* argc, char** argv)
{
    currentDemo = demo;
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowPosition(kWindowX, kWindowY);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    XSetIOErrorHandler(displayLost);
    glutInitErrorFunc(toolkitFailed);
    glutInit(argc, argv);
    std::atexit(markExiting);  // after glutInit: runs before the toolkit's exit handler
    glutCreateWindow("kiv");
    glutFullScreen();
    glutSetCursor(GLUT_CURSOR_NONE);
    glutIdleFunc(idleCallback);
    glutKeyboardFunc(keyboardCallback);
    glutDisplayFunc(displayCallback);
    glutMouseFunc(mouseCallback);
    glutMotionFunc(motionCallback);
    glutPassiveMotionFunc(motionCallback);
    glutReshapeFunc(reshapeCallback);
    glutCloseFunc(closeCallback);
    // A closed window ends the toolkit's loop instead of exit(0) with the music playing; main then shuts down.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
}

void runWindow()
{
    glutMainLoop();
}

void endShow()
{
    stopSound();
    std::exit(0);
}

void keyboardCallback(unsigned char key, int, int)
{
    if (key == kEscape) endShow();
}

void reshapeCallback(int w, int h)
{
    glViewport(0, 0, w, h);
    currentDemo->reshape(w, h);
}
