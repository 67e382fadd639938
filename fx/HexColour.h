#pragma once

// The colour of one grid cell, straight from its value and the music's loudness. The components are not
// clamped: loud music drives the greys above 1 and GL clamps them when it rasterises.
struct CellColour {
    float r, g, b, a;
};

// mode 0: opaque white above 0.5, else transparent black.
// mode 1: warm glow with alpha v, green only above 0.5; black with alpha v above 0.95.
// modes 2, 3: grey audioLevel + 0.3, alpha v (the picture shows through in proportion to v).
// mode 4: opaque grey audioLevel + 0.6, whatever v.
// other modes: (v, 0.2 v, 0.2 v, v).
// All thresholds are strict. Alpha is exactly 0 in mode 0 for v <= 0.5 and in modes 1 to 3 for v == 0.
CellColour cellColour(int mode, float v, float audioLevel);
