// FlashMeter::add on one read-back frame (BGRA) at 1280x720 and 640x360: what --flash-report and the flash
// sweep pay a frame. The frames alternate between two pictures of the show's kind: coloured, with edges.
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "render/FlashMeter.h"

namespace {

void BM_FlashMeterAdd(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    std::vector<uint8_t> frames[2];
    for (int k = 0; k < 2; ++k) {
        frames[k].resize(static_cast<size_t>(width) * height * 4);
        for (size_t i = 0; i < frames[k].size(); ++i)
            frames[k][i] = static_cast<uint8_t>((i * (k ? 7 : 13) + i / 4096 * 31) & 0xff);
    }
    FlashMeter meter(width, height, 60, 0, 1 << 20);
    long n = 0;
    for (auto _ : state) {
        meter.add({frames[n++ % 2].data(), width, height, static_cast<long>(width) * 4, PixelLayout::Bgra});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FlashMeterAdd)->Args({1280, 720})->Args({640, 360})->Unit(benchmark::kMillisecond);

}  // namespace
