#pragma once
#include <csignal>
#include <functional>
#include <string>

#include "render/RenderOptions.h"

class FlashMeter;
class ShowAudio;
class VideoFile;
class VirtualShow;

// Where the time went, in seconds of each stage's own thread; the stages overlap, so they add up to more
// than the wall time.
struct StageTimes {
    double draw = 0;      // idle passes and display passes, to the readback's start
    double readback = 0;  // starting reads, copying finished frames out and waiting for room to hand them on
    double convert = 0;   // colour conversion
    double measure = 0;   // the flash meter on the conversion's thread: CPU seconds, not the thread's wall time
    double encode = 0;    // encoding and writing, video and sound
    double wall = 0;
    long frames = 0;      // frames written
};

// Plays the show from 0 on its virtual clock, one frame at a time, and writes frames firstFrame() onwards,
// with the show's sound over the same span, to the video file. Three threads, each a stage, hand frames on
// through queues of a few: this one draws and reads back (through pixel-buffer objects, so a frame's read
// overlaps the next frame's drawing), one converts colours, one encodes and writes. Memory does not grow
// with the length.
class Renderer {
public:
    using Progress = std::function<void(long written, long total, double showSeconds)>;

    Renderer(const RenderOptions& options, VirtualShow& show, ShowAudio& audio, VideoFile& file);

    // Every frame written is also measured by `meter` (of the video's size), in order, as it is converted.
    void measureWith(FlashMeter* meter) { meter_ = meter; }

    // False on a failure, with one line in `error`, or when `stop` became nonzero (error empty). The file is
    // finished only on success.
    bool run(const volatile std::sig_atomic_t& stop, const Progress& progress, std::string& error);
    const StageTimes& times() const { return times_; }

private:
    const RenderOptions& options_;
    VirtualShow& show_;
    ShowAudio& audio_;
    VideoFile& file_;
    FlashMeter* meter_ = nullptr;
    StageTimes times_;
};
