#pragma once
#include <cstddef>
#include <vector>

struct HexCell;

// The vertex arrays a grid is drawn from, refilled every frame. Each cell is a flat-topped hexagon sent as
// four triangles, twelve vertices fanned around its top-right corner A: A,B,C; A,C,D; A,D,E; A,E,F, with
// B top left, C left point, D bottom left, E bottom right, F right point. Cells keep their row-major order,
// and every vertex carries its cell's colour. The arrays are sized when the grid is built (or else on the
// first fill) and never reallocated while the cell count stays the same (it never changes in a grid).
struct HexMesh {
    static constexpr int kVerticesPerCell = 12;

    std::vector<float> positions;  // x, y per vertex; also the texture coordinates (s = x, t = y)
    std::vector<float> colours;    // r, g, b, a per vertex, unclamped
    int vertexCount = 0;           // vertices written by the last fill: 0 to 12 x cell count, a multiple of 12
    // Leaves out cells whose alpha is exactly 0: under (src alpha, 1 - src alpha) blending they change no
    // pixel. Off sends every cell, for comparison and measurement.
    bool dropTransparent = true;

    // Sizes the arrays for `cellCount` cells.
    void reserve(std::size_t cellCount);
    // Fills the arrays from `count` cells at their current positions and values, coloured for `mode`.
    void fill(const HexCell* cells, std::size_t count, int mode, float audioLevel);
};
