#pragma once
#include <string>
#include <vector>

#include "tools/levels/LevelTrace.h"

struct PlotRow {
    std::string title;
    const LevelTrace* trace;
};

// Draws one row per trace, level and brightness over the show's time, into the PNG `path`, with gnuplot.
// False, after a line on stderr, when gnuplot is missing or fails.
bool plotLevels(const std::vector<PlotRow>& rows, const std::string& path);
