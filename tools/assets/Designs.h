#pragma once
#include "tools/assets/Canvas.h"

// The default pictures, each a function of the screen position (u, v): 0 to 1 from the window's left edge
// to its right and from its top edge to its bottom, as the picture appears in the show (4:3 window).

// img1: bright stained glass, panes about four grid cells across; the grids show it through their cells.
Canvas::Colour stainedGlass(float u, float v);
// img2: a violet and cyan tunnel that opens towards a bright core, so pulsing from the centre reads as depth.
Canvas::Colour tunnel(float u, float v);
// img5: a fiery two-armed spiral galaxy on a dark nebula with stars.
Canvas::Colour galaxy(float u, float v);
// img4: the closing card: a glowing hexagon framing stained glass, above a row of fading hexagons.
Canvas::Colour closingCard(float u, float v);
