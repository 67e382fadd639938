#include "render/Renderer.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/ShowAudio.h"
#include "render/BoundedQueue.h"
#include "render/FlashMeter.h"
#include "render/FrameConverter.h"
#include "render/Readback.h"
#include "render/VideoFile.h"
#include "render/VirtualShow.h"

namespace {
constexpr int kSlots = 4;            // frames between readback and the file: the pipeline's memory
constexpr int kAudioBlock = 4096;    // frames of sound read at a time

// One frame on its way through the stages, recycled.
struct Slot {
    std::vector<uint8_t> pixels;     // as read back
    AVFrame* picture = nullptr;      // converted
    bool hasPicture = false;         // false for the closing sound-only slot
    std::vector<float> audio;        // sound to write with it, interleaved
    ~Slot() { av_frame_free(&picture); }
};

using Clock = std::chrono::steady_clock;
double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of the calling thread.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The sound frame heard at video frame n: n / fps seconds, floored to a whole sample.
long audioFrameAt(long frame, int fps)
{
    return static_cast<long>(static_cast<int64_t>(frame) * ShowAudio::kRate / fps);
}
}  // namespace

Renderer::Renderer(const RenderOptions& options, VirtualShow& show, ShowAudio& audio, VideoFile& file)
    : options_(options), show_(show), audio_(audio), file_(file)
{
}

bool Renderer::run(const volatile std::sig_atomic_t& stop, const Progress& progress, std::string& error)
{
    const int width = options_.width, height = options_.height, fps = options_.fps;
    const long first = options_.firstFrame();
    const long total = options_.frameCount();
    const long audioFrom = audioFrameAt(first, fps), audioTo = audioFrameAt(first + total, fps);
    const auto begin = Clock::now();

    std::vector<std::unique_ptr<Slot>> slots;
    BoundedQueue<Slot*> free(kSlots), toConvert(kSlots), toEncode(kSlots);
    for (int i = 0; i < kSlots; ++i) {
        slots.emplace_back(new Slot);
        slots.back()->pixels.resize(static_cast<size_t>(width) * height * 4);
        slots.back()->picture = file_.newPicture();
        if (!slots.back()->picture) {
            error = "out of memory for the video's pictures";
            return false;
        }
        free.push(slots.back().get());
    }

    std::mutex errorLock;
    std::string stageError;
    std::atomic<bool> failed{false};
    auto fail = [&](const std::string& why) {
        {
            std::lock_guard<std::mutex> guard(errorLock);
            if (stageError.empty()) stageError = why;
        }
        failed = true;
        free.close();
        toConvert.close();
        toEncode.close();
    };

    double convertSeconds = 0, measureSeconds = 0, encodeSeconds = 0;
    std::thread converter([&] {
        FrameConverter convert(width, height);
        Slot* slot = nullptr;
        while (toConvert.pop(slot)) {
            const auto start = Clock::now();
            if (slot->hasPicture && !convert.convert(slot->pixels.data(), slot->picture))
                return fail("colour conversion failed");
            convertSeconds += since(start);
            if (meter_ && slot->hasPicture) {
                const double before = threadSeconds();
                meter_->add({slot->pixels.data(), width, height, static_cast<long>(width) * 4, PixelLayout::Bgra});
                measureSeconds += threadSeconds() - before;
            }
            if (!toEncode.push(slot)) return;
        }
        toEncode.close();
    });
    std::thread encoder([&] {
        Slot* slot = nullptr;
        std::string why;
        while (toEncode.pop(slot)) {
            const auto start = Clock::now();
            const int frames = static_cast<int>(slot->audio.size() / ShowAudio::kChannels);
            if (!file_.writeAudio(slot->audio.data(), frames, why) ||
                (slot->hasPicture && !file_.writeVideo(slot->picture, why)))
                return fail(why);
            encodeSeconds += since(start);
            if (!free.push(slot)) return;
        }
    });

    // This thread: sound, show, drawing and readback.
    Readback readback(width, height);
    std::vector<float> block(static_cast<size_t>(kAudioBlock) * ShowAudio::kChannels);
    std::vector<float> heard;  // sound for the next slot
    auto listenUpTo = [&](long target) {
        while (audio_.position() < target) {
            const long at = audio_.position();
            const int got = audio_.read(block.data(), static_cast<int>(std::min<long>(kAudioBlock, target - at)));
            if (got <= 0) break;
            show_.hear(block.data(), got, ShowAudio::kChannels);
            const long keepFrom = std::max(at, audioFrom), keepTo = std::min(at + got, audioTo);
            if (keepFrom < keepTo)
                heard.insert(heard.end(), block.begin() + (keepFrom - at) * ShowAudio::kChannels,
                             block.begin() + (keepTo - at) * ShowAudio::kChannels);
        }
    };
    // Hands the oldest frame read back (or, with none, the last of the sound) to the converter.
    auto handOn = [&](bool picture) {
        Slot* slot = nullptr;
        if (!free.pop(slot)) return false;
        slot->hasPicture = picture;
        if (picture && !readback.finish(slot->pixels.data())) {
            fail("cannot read the frame back from OpenGL");
            return false;
        }
        slot->audio.swap(heard);
        heard.clear();
        return toConvert.push(slot);
    };

    long written = 0;
    for (long n = 0; n < first + total && !stop && !failed; ++n) {
        listenUpTo(audioFrameAt(n, fps));
        const auto start = Clock::now();
        show_.step(n);
        if (n < first) continue;
        show_.draw();
        const auto drawn = Clock::now();
        times_.draw += std::chrono::duration<double>(drawn - start).count();
        if (readback.pending() == Readback::kBuffers && !handOn(true)) break;
        readback.start();
        times_.readback += since(drawn);
        ++written;
        if (progress) progress(written, total, static_cast<double>(n) / fps);
    }
    if (!stop && !failed) {
        listenUpTo(audioTo);
        const auto start = Clock::now();
        while (readback.pending() > 0 && handOn(true)) {}
        times_.readback += since(start);
        if (!heard.empty()) handOn(false);
    }
    if (stop) fail("");  // nothing more is written
    toConvert.close();
    converter.join();
    encoder.join();

    times_.convert = convertSeconds;
    times_.measure = measureSeconds;
    times_.encode = encodeSeconds;
    times_.frames = written;
    times_.wall = since(begin);
    if (failed) {
        error = stageError;
        return false;
    }
    return file_.finish(error);
}
