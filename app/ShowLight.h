#pragma once
#include <list>

#include "audio/ScreenLight.h"

struct Fx;

// What the show's effects make of the loudness on the screen, span by span of the show, for the flash guard:
// each pulsing background and each grid in a mode whose colour follows the level is a layer, measured from the
// picture it shows (gfx/PictureLight.h) at every level, as it zooms. A layer counts from kLead seconds before
// its effect starts to kLead seconds after it ends, so that a guard whose clock runs a little apart from the
// show's still counts it whenever it is on the screen. Every start and end of a layer is one of the screen's cuts.
constexpr float kLead = 0.5f;

// Reads the effects `buildShow` made (their kinds, times, pictures and grid modes, and the mode triggers).
ScreenLight showLight(const std::list<Fx*>& effects);
