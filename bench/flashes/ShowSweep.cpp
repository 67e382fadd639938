#include "bench/flashes/ShowSweep.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "audio/ShowAudio.h"
#include "render/OffscreenGl.h"
#include "render/PointerPath.h"
#include "render/Readback.h"
#include "render/RenderOptions.h"
#include "render/VirtualShow.h"

namespace {
constexpr int kAudioBlock = 4096;  // frames of sound read at a time
}

SweepResult sweepShow(const std::string& music, const Gain& gain, int width, int height, int fps)
{
    SweepResult result;
    const auto begin = std::chrono::steady_clock::now();
    ShowAudio audio(music.c_str());
    OffscreenGl gl;
    if (!audio.error().empty() || !gl.open(width, height, result.error)) {
        if (result.error.empty()) result.error = audio.error();
        return result;
    }
    const PointerPath pointer;
    VirtualShow show(width, height, fps, pointer);
    show.build();
    Readback readback(width, height);
    const long frames = static_cast<long>(RenderOptions::kShowEnd * fps);
    result.meter = std::make_unique<FlashMeter>(width, height, fps, 0.0, frames);
    FlashMeter& meter = *result.meter;
    std::vector<uint8_t> pixels(readback.frameBytes());
    std::vector<float> sound(static_cast<size_t>(kAudioBlock) * ShowAudio::kChannels);
    auto measureOldest = [&] {
        readback.finish(pixels.data());
        meter.add({pixels.data(), width, height, static_cast<long>(width) * 4, PixelLayout::Bgra});
    };
    for (long n = 0; n < frames; ++n) {
        const long heard = static_cast<long>(static_cast<int64_t>(n) * ShowAudio::kRate / fps);
        for (int got = 1; audio.position() < heard && got > 0;) {
            got = audio.read(sound.data(), static_cast<int>(std::min<long>(kAudioBlock, heard - audio.position())));
            gain.apply(sound.data(), static_cast<long>(got) * ShowAudio::kChannels);
            show.hear(sound.data(), got, ShowAudio::kChannels);
        }
        show.step(n);
        show.draw();
        if (readback.pending() == Readback::kBuffers) measureOldest();
        readback.start();
    }
    while (readback.pending() > 0) measureOldest();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    result.ok = true;
    return result;
}
