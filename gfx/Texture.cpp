#include "gfx/Texture.h"

#include <GL/glu.h>

#include "gfx/TiffRaster.h"

namespace {
// Texture coordinates stop short of the far edges.
constexpr float kTexEnd = 0.99f;
constexpr float kHalf = 0.5f;
}

void Texture::load(const char* path)
{
    width = 0;
    height = 0;
    id = 0;
    light = PictureLight();
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    TiffRaster raster;
    if (!raster.read(path, maxSide)) return;

    width = raster.width();
    height = raster.height();
    light.measure(raster.pixels(), width, height);
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, raster.pixels());
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
}

void Texture::drawPulse(const float (&pos)[2], float amount)
{
    const float scale = amount + 1.0f;
    drawQuad(pos, scale, amount);
}

void Texture::draw(const float (&pos)[2])
{
    drawQuad(pos, 1.0f, 1.0f);
}

void Texture::drawQuad(const float (&pos)[2], float scale, float grey)
{
    if (id == 0) return;  // GL's default texture would draw a plain quad over everything beneath
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, id);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 1, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(pos[0], pos[1], 0.0f);
    glScalef(scale, scale, 0.0f);
    glColor4f(grey, grey, grey, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-kHalf, -kHalf);
    glTexCoord2f(kTexEnd, 0.0f);
    glVertex2f(kHalf, -kHalf);
    glTexCoord2f(kTexEnd, kTexEnd);
    glVertex2f(kHalf, kHalf);
    glTexCoord2f(0.0f, kTexEnd);
    glVertex2f(-kHalf, kHalf);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}
