// Cost of one hex grid step per mode, of subnormal values with and without flush-to-zero, and of
// excitation by the pointer and by the 80 juggle balls.
#include <benchmark/benchmark.h>
#include <pmmintrin.h>
#include <xmmintrin.h>

#include <cfloat>
#include <vector>

#include "fx/HexFire.h"
#include "fx/HexRandom.h"
#include "gfx/Texture.h"

namespace {

constexpr int kStepsPerRefill = 16;         // short enough that refilled values stay in their range
constexpr unsigned kFlushToZero = 0x8040;   // MXCSR: flush-to-zero | denormals-are-zero
constexpr int kBalls = 80;

// Balls drift in two bands across the window, like the show's juggle balls.
void ballPosition(int ball, float (&pos)[2]) {
    pos[0] = 0.1f + 0.78f * static_cast<float>(ball) / static_cast<float>(kBalls - 1);
    const float wobble = 0.02f * static_cast<float>(ball % 5 - 2);
    pos[1] = (ball % 2 ? 0.35f : 0.65f) + wobble;
}

// Sets MXCSR's flush bits for its lifetime, then restores the caller's state.
class FlushToZero {
public:
    explicit FlushToZero(bool on) : saved(_mm_getcsr()) {
        if (on) _mm_setcsr(saved | kFlushToZero);
    }
    ~FlushToZero() { _mm_setcsr(saved); }

private:
    unsigned saved;
};

void setValues(HexFire& grid, const std::vector<float>& values) {
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        grid.cells[i].value[0] = values[i];
        grid.cells[i].value[1] = values[i];
    }
}

void stepFrom(benchmark::State& state, HexFire& grid, const std::vector<float>& values) {
    setValues(grid, values);
    int steps = 0;
    for (auto _ : state) {
        grid.lastStep = 1.0f;
        grid.update(0.5f);  // the clock going back always steps
        benchmark::ClobberMemory();
        if (++steps == kStepsPerRefill) {
            state.PauseTiming();
            setValues(grid, values);
            steps = 0;
            state.ResumeTiming();
        }
    }
}

// A lit grid: values spread over [0.1, 1) in a pattern, a quarter of the cells falling.
std::vector<float> litValues(HexFire& grid) {
    std::vector<float> values(grid.cells.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = 0.1f + 0.9f * static_cast<float>((i * 2654435761u) % 1000) / 1000.0f;
        if (i % 4 == 0) {
            grid.cells[i].falling = true;
            grid.cells[i].vx = i % 8 ? 0.01f : -0.01f;
            grid.cells[i].vy = 0.01f;
        }
    }
    return values;
}

void BM_HexStep(benchmark::State& state) {
    Texture texture;
    HexFire grid(0.0f, 100.0f, texture);
    grid.mode = static_cast<int>(state.range(0));
    stepFrom(state, grid, litValues(grid));
}

// Dark cells of a mode-1 grid decay by 0.68 a step into the subnormal range and then stay at the
// smallest subnormal, since 0.68 of it rounds back up to it. Arg: 1 with flush-to-zero.
void BM_HexStepSubnormal(benchmark::State& state) {
    Texture texture;
    HexFire grid(0.0f, 100.0f, texture);
    grid.mode = 1;
    std::vector<float> values(grid.cells.size());
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = FLT_MIN * static_cast<float>(i % 7 + 1) / 16.0f;
    FlushToZero flush(state.range(0) != 0);
    stepFrom(state, grid, values);
}

// The decay itself: a mode-1 grid lit by the balls and stepped 1000 times. Without flush-to-zero two
// thirds of its cells are subnormal by then and stay so for good.
void BM_HexStepDecayed(benchmark::State& state) {
    Texture texture;
    HexFire grid(0.0f, 100.0f, texture);
    grid.mode = 1;
    FlushToZero flush(state.range(0) != 0);
    float pos[2];
    for (int b = 0; b < kBalls; ++b) {
        ballPosition(b, pos);
        grid.excite(pos, 1.0f);
    }
    for (int i = 0; i < 1000; ++i) {
        grid.lastStep = 1.0f;
        grid.update(0.5f);
    }
    int subnormal = 0;
    for (const HexCell& cell : grid.cells) subnormal += cell.current() > 0.0f && cell.current() < FLT_MIN;
    for (auto _ : state) {
        grid.lastStep = 1.0f;
        grid.update(0.5f);
        benchmark::ClobberMemory();
    }
    state.counters["subnormal"] = subnormal;
}

void BM_HexExcite(benchmark::State& state) {
    Texture texture;
    HexFire grid(0.0f, 100.0f, texture);
    grid.mode = static_cast<int>(state.range(0));
    const float pos[2] = {0.4f, 0.45f};
    resetHexRandom();
    for (auto _ : state) {
        grid.excite(pos, 1.0f);
        benchmark::ClobberMemory();
    }
}

void BM_HexExciteBalls(benchmark::State& state) {
    Texture texture;
    HexFire grid(0.0f, 100.0f, texture);
    grid.mode = static_cast<int>(state.range(0));
    float positions[kBalls][2];
    for (int b = 0; b < kBalls; ++b) ballPosition(b, positions[b]);
    resetHexRandom();
    for (auto _ : state) {
        for (const auto& pos : positions) grid.excite(pos, 1.0f);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_HexStep)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexStepSubnormal)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexStepDecayed)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexExcite)->Arg(0)->Arg(4)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_HexExciteBalls)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);
