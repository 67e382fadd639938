#include <GL/gl.h>
#include <GL/glu.h>

#include "fx/HexFire.h"
#include "gfx/Texture.h"

// The whole grid in one draw call from the mesh; the picture, when loaded, is mapped in screen space in
// modes 2 to 4.
void HexFire::draw(float)
{
    mesh.fill(cells.data(), cells.size(), mode, audioLevel);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 1, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Without a picture the cells show in their own colours.
    const bool textured = showsPicture(mode) && texture.id != 0;
    if (textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture.id);
    }

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, mesh.positions.data());
    glColorPointer(4, GL_FLOAT, 0, mesh.colours.data());
    if (textured) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, mesh.positions.data());
    }
    glDrawArrays(GL_TRIANGLES, 0, mesh.vertexCount);
    // Later effects draw in immediate mode: leave no array switched on.
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);

    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
