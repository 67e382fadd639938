// What FSOUND_DSP_GetSpectrum costs the show's thread each frame: a copy of the latest hop's spectrum.
#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/Analyser.h"
#include "audio/ScreenLight.h"

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

// The same with beats eight a second, which keep the flash guard holding: over the model of a bright photo
// (0), or over a described screen of one layer per grid and background (1).
void BM_AnalyserPushBeats(benchmark::State& state)
{
    Analyser analyser;
    if (state.range(0)) {
        ScreenLight light;
        light.spans.push_back({0.0f, 1e9f, std::vector<ScreenLight::Layer>(2)});
        for (ScreenLight::Layer& layer : light.spans[0].layers)
            for (int i = 0; i <= ScreenLight::kSteps; ++i)
                layer.luminance[i] = static_cast<float>(i) / ScreenLight::kSteps;
        analyser.describe(light, 0.0);
    }
    constexpr int kSecond = 44100;
    std::vector<float> stereo(2 * kSecond);
    for (int n = 0; n < kSecond; ++n)
        stereo[2 * n] = stereo[2 * n + 1] = (n % (kSecond / 8) < kSecond / 32 ? 0.8f : 0.02f) * std::sin(0.05f * n);
    int at = 0;
    for (auto _ : state) {
        analyser.push(stereo.data() + 2 * at, Analyser::kFrames, 2);
        at = (at + Analyser::kFrames) % (kSecond - Analyser::kFrames);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AnalyserPushBeats)->Arg(0)->Arg(1);

}  // namespace
