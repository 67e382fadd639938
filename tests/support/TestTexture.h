#pragma once
#include <vector>

#include "gfx/Texture.h"
#include "tests/support/GlWindow.h"

// Makes `texture` hold `texels` (width x height, first row in memory at t = 0) as a GL texture with linear
// filtering, the way Texture::load leaves a picture, without a file. Needs a current GL context.
void uploadTestTexture(Texture& texture, int width, int height, const std::vector<Rgba>& texels);

// Draws `texture` over the whole window at grey `grey` (texture row 0 along the top edge), the way a
// background effect would before a grid. Leaves texturing off.
void drawTestBackground(const Texture& texture, float grey = 1.0f);
