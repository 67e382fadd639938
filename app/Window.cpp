#include "app/Window.h"

#include <GL/freeglut.h>
#include <cstdlib>

#include "app/Demo.h"
#include "audio/fsound.h"

Demo* currentDemo = nullptr;

namespace {
constexpr int kWindowX = 100;
constexpr int kWindowY = 100;
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;
constexpr unsigned char kEscape = 27;

void idleCallback() { currentDemo->idle(); }
void displayCallback() { currentDemo->display(); }
// Every press and release of any button counts as a pointer event.
void mouseCallback(int, int, int x, int y) { currentDemo->mouse(x, y); }
void motionCallback(int x, int y) { currentDemo->mouse(x, y); }
}  // namespace

void initWindow(Demo* demo, int* argc, char** argv)
{
    currentDemo = demo;
    glutInitDisplayMode(GLUT_DOUBLE);
    glutInitWindowPosition(kWindowX, kWindowY);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInit(argc, argv);
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
    FSOUND_Stream_Stop(stream);
    FSOUND_Stream_Close(stream);
    FSOUND_Close();
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
