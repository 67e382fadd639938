#pragma once
#include <array>
#include <vector>

#include "fx/Fx.h"
#include "fx/HexMesh.h"

class Texture;

// One hexagon of a grid. Its brightness is double-buffered so a grid step reads only old values:
// `flip` selects the current buffer, and all cells of a grid always hold the same `flip`.
struct HexCell {
    float value[2] = {0.0f, 0.0f};
    bool flip = false;
    bool falling = false;  // set by a strong excitation in mode 4; never cleared
    float vx = 0.0f;       // fall velocity, normalised units per step; vy > 0 is down the screen
    float vy = 0.0f;
    float x = 0.0f;        // centre of the hexagon
    float y = 0.0f;        // top edge; the hexagon spans y to y + h
    float w = 1.0f;        // column pitch
    float h = 1.0f;        // row pitch, the hexagon's height
    // Links into the same grid, null outside it; held in the cell so a step follows one pointer per link.
    // upper: upper-left, up, upper-right; lower: lower-left, down, lower-right. Mutual: upper[k]->lower[2-k] == this.
    std::array<HexCell*, 3> upper{};
    std::array<HexCell*, 3> lower{};

    float current() const { return value[flip ? 1 : 0]; }
    void step(int mode);                    // writes the next value into the other buffer; moves a falling cell
    // Raises the current value to at least `strength`; in mode 4 a strength above 0.5 also sets the cell
    // falling, with a drift of 0.01 left or right drawn from the show's generator and vy = 0.01.
    void excite(int mode, float strength);
};

// A 64 x 48 grid of hexagonal cells covering the window, lit by the pointer and the juggle balls and evolving
// by the rule of its mode (0 hold, 1 rise, 2 spread, 3 fill, 4 fall).
struct HexFire : Fx {
    int mode = 0;               // set by the creator right after construction
    float start;                // active strictly between start and end
    float end;
    float stepInterval = 0.02f;
    float lastStep = 0.0f;
    int cols = 64;
    int rows = 48;
    std::vector<HexCell> cells;  // row-major, index col + row * cols; never resized after construction
    Texture& texture;            // mapped onto the cells in modes 2 to 4; not owned
    HexMesh mesh;                // the grid's vertex arrays, allocated once

    HexFire(float start, float end, Texture& texture);
    HexFire(const HexFire&) = delete;  // cells link to each other by address
    HexFire& operator=(const HexFire&) = delete;

    bool isActive(float time) override { return start < time && time < end; }
    void draw(float time) override;
    void update(float time) override;
    void onMouse(const float* pos, float time) override;

    void setMode(int newMode);  // mode 2 also clears every value
    // Whether a mode maps the grid's picture onto its cells (2 to 4); the others show the cells' own colours.
    static bool showsPicture(int mode) { return mode >= 2 && mode <= 4; }
    // The grid slot under a normalised position; may lie outside the grid, also negative. A coordinate
    // too far out to fit an int once scaled, or NaN, gives -1.
    void locate(const float* pos, int& row, int& col) const;
    // Lights the cell under pos with `strength`, its neighbours with 0.8 x and the next ring with 0.5 x,
    // and in mode 4 sets the strongly lit ones falling. Positions outside the grid change nothing.
    void excite(const float* pos, float strength);
};
