// What FSOUND_DSP_GetSpectrum costs the show's thread each frame: a copy of the latest hop's spectrum.
#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/Analyser.h"

namespace {

void BM_AnalyserCompute(benchmark::State& state)
{
    Analyser analyser;
    std::vector<float> stereo(2 * Analyser::kFrames);
    for (int n = 0; n < Analyser::kFrames; ++n) {
        stereo[2 * n] = 0.6f * std::sin(0.05f * n);
        stereo[2 * n + 1] = 0.3f * std::sin(0.31f * n);
    }
    analyser.push(stereo.data(), Analyser::kFrames, 2);
    for (auto _ : state) {
        float* bins = analyser.compute();
        benchmark::DoNotOptimize(bins);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AnalyserCompute);

// What the mixer's thread pays per 1024-frame stereo chunk to feed the analyser: four hops, each an FFT,
// the sensitivity, the ballistics and the flash guard.
void BM_AnalyserPush(benchmark::State& state)
{
    Analyser analyser;
    std::vector<float> stereo(2 * Analyser::kFrames, 0.25f);
    for (auto _ : state) {
        analyser.push(stereo.data(), Analyser::kFrames, 2);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AnalyserPush);

}  // namespace
