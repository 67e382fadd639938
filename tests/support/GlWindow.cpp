#include "tests/support/GlWindow.h"

#include <GL/freeglut.h>

GlWindow& GlWindow::open(int width, int height)
{
    static GlWindow window;
    static bool created = false;
    if (!created) {
        int argc = 1;
        char name[] = "kiv-test";
        char* argv[] = {name, nullptr};
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
        glutInitWindowSize(width, height);
        glutInit(&argc, argv);
        glutCreateWindow("kiv-test");
        glutDisplayFunc([] {});
        created = true;
    } else if (width != window.width_ || height != window.height_) {
        glutReshapeWindow(width, height);
        // The resize takes effect once the toolkit has processed its events.
        for (int i = 0; i < 50; ++i) glutMainLoopEvent();
    }
    window.width_ = width;
    window.height_ = height;
    glViewport(0, 0, width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    return window;
}

void GlWindow::close()
{
    if (glutGet(GLUT_INIT_STATE)) glutExit();
}

void GlWindow::clear()
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

std::vector<Rgba> GlWindow::read() const
{
    std::vector<Rgba> bottomUp(static_cast<size_t>(width_) * height_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glFinish();
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<Rgba> topDown(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            topDown[static_cast<size_t>(y) * width_ + x] = bottomUp[static_cast<size_t>(height_ - 1 - y) * width_ + x];
    return topDown;
}

Rgba GlWindow::at(int x, int y) const
{
    Rgba p{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glFinish();
    glReadPixels(x, height_ - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    return p;
}
