#pragma once
#include <vector>

#include "tools/assets/Synth.h"

// The show's soundtrack: a piece in A minor, about 125-133 beats per minute, whose sections
// begin exactly where the show turns (music time = show time - 12 s) and which rises a whole tone for its finale.

// The whole track, in seconds; the show ends 140 s after the music starts.
constexpr double kMusicLength = 140.0;

struct Section {
    const char* name;
    double start;  // music seconds, inclusive
    double end;    // exclusive; equals the next section's start
};

// The sections in order; they tile [0, kMusicLength) without gaps.
const std::vector<Section>& sections();

// Renders every section into `out`, which holds kMusicLength seconds. Unmastered: no fade, no limiting.
void renderScore(Bus& out);
