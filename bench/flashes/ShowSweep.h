#pragma once
#include <memory>
#include <string>

#include "render/FlashMeter.h"
#include "tools/levels/Gain.h"

// The whole show (0 to 152 s) played offscreen as kiv-render plays it, with the working folder's pictures, the
// given music at `gain` and the built-in pointer sweep, every frame read back and measured, nothing encoded.
struct SweepResult {
    bool ok = false;
    std::string error;
    std::unique_ptr<FlashMeter> meter;  // its summary and per-frame series
    double seconds = 0;                 // wall time of the sweep
};
SweepResult sweepShow(const std::string& music, const Gain& gain, int width, int height, int fps);
