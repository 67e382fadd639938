#pragma once
#include <GL/gl.h>

#include "gfx/PictureLight.h"

// A picture held as a GL texture, drawn as a square of the normalised screen (0, 0 top-left, 1, 1 bottom-right).
// The raster goes to GL as libtiff reads it, bottom row first, so t = 0 is the picture's bottom row and the
// picture shows upside down compared with an image viewer: its bottom row lies along the quad's top edge.
// Texture coordinates end at 0.99, so the right-most and top-most hundredth of the picture never shows.
class Texture {
public:
    // Valid after a successful load: 1 to GL_MAX_TEXTURE_SIZE pixels each way and a texture name.
    // Otherwise all 0, and drawing draws nothing.
    int width = 0;
    int height = 0;
    GLuint id = 0;
    // What the loaded picture gives the screen, for the flash guard; unmeasured when nothing was loaded.
    PictureLight light;

    // Reads the TIFF file `path` into a new texture with linear filtering, left bound. Needs a current GL
    // context. A file that cannot be read, or a picture GL cannot hold, gives no texture and one stderr line.
    void load(const char* path);

    // Draws the picture centred at `pos`, scaled by 1 + amount and modulated by grey `amount`
    // (1 and more is full brightness). The picture's alpha blends with whatever blending is in force.
    // Both draws do nothing, not even set matrices, when no picture was loaded.
    void drawPulse(const float (&pos)[2], float amount);
    // Draws the picture centred at `pos` at window size, in full colour.
    void draw(const float (&pos)[2]);

private:
    void drawQuad(const float (&pos)[2], float scale, float grey);
};
