// What measuring a picture's light adds to loading it: one pass over its pixels, at the largest size kiv-picture
// makes.
#include <vector>

#include <benchmark/benchmark.h>

#include "gfx/PictureLight.h"

namespace {

void BM_PictureLightMeasure(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    std::vector<uint32_t> pixels(static_cast<size_t>(side) * side);
    uint32_t seed = 1;
    for (uint32_t& p : pixels) p = seed = seed * 1664525u + 1013904223u;
    PictureLight light;
    for (auto _ : state) {
        light.measure(pixels.data(), side, side);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PictureLightMeasure)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
