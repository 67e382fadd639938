#include "bench/flashes/StressMusic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "tools/assets/Master.h"
#include "tools/assets/Mp3Writer.h"
#include "tools/assets/Score.h"

namespace {
constexpr int kBitRate = 192;
constexpr float kNoiseLevel = 0.5f;
constexpr double kBurstLength = 0.1;  // seconds
constexpr double kBurstGaps[] = {3.0, 1.0, 0.5, 0.25, 2.0};

// Lifts or lowers the whole track so its highest peak is at the master's ceiling.
void normalise(Bus& bus)
{
    float peak = 0.0f;
    for (const auto* side : {&bus.left, &bus.right})
        for (float s : *side) peak = std::max(peak, std::fabs(s));
    if (peak == 0.0f) return;
    for (auto* side : {&bus.left, &bus.right})
        for (float& s : *side) s *= kMasterCeiling / peak;
}

// Noise at `level` wherever `on(seconds)` says so.
void gatedNoise(Bus& bus, float level, const std::function<bool(double)>& on)
{
    Noise noise(7);
    for (int n = 0; n < bus.frames(); ++n)
        if (on(static_cast<double>(n) / kMusicRate)) bus.left[n] = bus.right[n] = level * noise.next();
}

bool write(const Bus& bus, const std::string& path)
{
    const std::vector<unsigned char> mp3 = encodeMp3(bus.left, bus.right, kMusicRate, kBitRate);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && !mp3.empty() && std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
    if (file) ok = std::fclose(file) == 0 && ok;
    if (!ok) std::fprintf(stderr, "kiv-flashes: cannot write %s\n", path.c_str());
    return ok;
}
}  // namespace

bool writeDrumHits(const std::string& path, int perSecond)
{
    Bus bus(static_cast<int>(kMusicLength * kMusicRate));
    for (double at = 0.0; at < kMusicLength; at += 1.0 / perSecond) {
        kick(bus, at, 1.0f);
        snare(bus, at, 0.7f);
    }
    normalise(bus);
    return write(bus, path);
}

std::vector<std::string> writeStressMusic(const std::string& dir)
{
    const int frames = static_cast<int>(kMusicLength * kMusicRate);
    std::vector<std::string> paths;
    auto keep = [&](const Bus& bus, const std::string& name) {
        paths.push_back(dir + "/" + name);
        return write(bus, paths.back());
    };
    for (int perSecond : {2, 3, 4, 6, 8}) {
        paths.push_back(dir + "/stress-drums-" + std::to_string(perSecond) + "-a-second.mp3");
        if (!writeDrumHits(paths.back(), perSecond)) return {};
    }
    for (int hz : {5, 10}) {
        Bus bus(frames);
        gatedNoise(bus, kNoiseLevel, [hz](double t) { return std::fmod(t * hz, 1.0) < 0.5; });
        if (!keep(bus, "stress-noise-gated-" + std::to_string(hz) + "-hz.mp3")) return {};
    }
    Bus bursts(frames);
    std::vector<double> starts;
    for (double at = 1.0; at < kMusicLength; at += kBurstGaps[starts.size() % std::size(kBurstGaps)])
        starts.push_back(at);
    gatedNoise(bursts, 1.0f, [&](double t) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), t);
        return next != starts.begin() && t < *(next - 1) + kBurstLength;
    });
    normalise(bursts);
    if (!keep(bursts, "stress-silence-and-bursts.mp3")) return {};
    return paths;
}
