#pragma once
#include <cstdint>
#include <string>

#include "render/Container.h"

struct AVFrame;

// Encodes and muxes one video file: video in yuv420p (BT.709, limited range) at a constant frame rate, and
// the show's 44100 Hz stereo float sound, converted to what the audio encoder takes. Calls come from one
// thread. Every failure is one line in `error` naming `name` (the file the user asked for) and the cause.
class VideoFile {
public:
    struct Settings {
        int width, height, fps;
        int quality;          // < 0: the container's default
        const char* preset;   // x264's speed preset
    };
    static constexpr const char* kPreset = "veryfast";  // see docs/performance.md

    VideoFile() = default;
    ~VideoFile();  // closes an unfinished file as it is; the caller removes it
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Opens `path` for writing (truncating it) and writes the container's header.
    bool open(const std::string& path, const std::string& name, const Container& container,
              const Settings& settings, std::string& error);
    // A new picture in the video's format and size, for writeVideo. Free with av_frame_free.
    AVFrame* newPicture() const;
    // The next picture of the video; its timestamp is set here.
    bool writeVideo(AVFrame* picture, std::string& error);
    // The next `frames` frames of sound, interleaved stereo float at 44100 Hz.
    bool writeAudio(const float* interleaved, int frames, std::string& error);
    // Drains the encoders, writes the trailer and closes the file.
    bool finish(std::string& error);

    struct Impl;

private:
    Impl* impl_ = nullptr;
};
