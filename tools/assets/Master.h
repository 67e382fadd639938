#pragma once
#include "tools/assets/Synth.h"

// The last stage before encoding: equalises the mix towards the band the show listens to, lifts it to its
// playing level, fades it out under the show's closing
// picture, and limits its peaks with a smooth look-ahead gain (no clipping, no distortion of quiet parts).
// Afterwards every sample of the bus lies within +-kMasterCeiling.

constexpr float kMasterCeiling = 0.89f;  // room for the MP3 decoder's overshoot below full scale
constexpr double kFadeStart = 134.0;     // music seconds: the closing picture comes up here
constexpr double kFadeEnd = 139.0;       // silent from here, a second before the show ends

void master(Bus& bus);
