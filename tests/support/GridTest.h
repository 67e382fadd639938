#pragma once
#include <gtest/gtest.h>

#include "fx/HexFire.h"
#include "gfx/Texture.h"

// A fixture holding one grid, active from `start` to `end` show seconds, on a texture never loaded: for tests
// of the grid's cells, which need no GL.
class GridTest : public testing::Test {
protected:
    GridTest(float start, float end) : grid(start, end, texture) {}

    HexCell& at(int row, int col) { return grid.cells[col + row * grid.cols]; }

    Texture texture;
    HexFire grid;
};
