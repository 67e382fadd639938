// CPU cost of preparing one frame of a grid: filling the vertex arrays, without GL.
#include <benchmark/benchmark.h>

#include "fx/HexFire.h"
#include "gfx/Texture.h"

namespace {

enum Pattern { kDark, kHalfLit, kLit };

// Mode 3 colours every cell with alpha = its value, so only dark cells are left out.
void lightGrid(HexFire& grid, Pattern pattern)
{
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.cols; ++c) {
            const bool lit = pattern == kLit || (pattern == kHalfLit && (r + c) % 2 == 0);
            grid.cells[c + r * grid.cols].value[0] = lit ? 0.8f : 0.0f;
        }
}

void fillMesh(benchmark::State& state, Pattern pattern, bool dropTransparent)
{
    Texture texture;
    HexFire grid(0.0f, 100.0f, texture);
    grid.mode = 3;
    lightGrid(grid, pattern);
    grid.mesh.dropTransparent = dropTransparent;
    for (auto _ : state) {
        grid.mesh.fill(grid.cells.data(), grid.cells.size(), grid.mode, 0.4f);
        benchmark::DoNotOptimize(grid.mesh.positions.data());
        benchmark::DoNotOptimize(grid.mesh.colours.data());
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = grid.mesh.vertexCount;
}

void BM_HexMeshFillAllCells(benchmark::State& state) { fillMesh(state, kLit, false); }
void BM_HexMeshFillLit(benchmark::State& state) { fillMesh(state, kLit, true); }
void BM_HexMeshFillHalfLit(benchmark::State& state) { fillMesh(state, kHalfLit, true); }
void BM_HexMeshFillDark(benchmark::State& state) { fillMesh(state, kDark, true); }

}  // namespace

BENCHMARK(BM_HexMeshFillAllCells)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexMeshFillLit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexMeshFillHalfLit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexMeshFillDark)->Unit(benchmark::kMicrosecond);
