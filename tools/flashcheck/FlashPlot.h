#pragma once
#include <string>
#include <vector>

#include "render/FlashMeter.h"

struct FlashPlotRow {
    std::string title;
    const FlashMeter* meter;
};

// Draws one row per video into the PNG `path` with gnuplot: the mean relative luminance and, against the
// limit, the general and red transitions in the second up to each frame, over the video's time. False, after
// a line on stderr, when gnuplot is missing or fails.
bool plotFlashes(const std::vector<FlashPlotRow>& rows, const std::string& path);
