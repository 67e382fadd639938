#pragma once
#include <string>

#include "render/VideoFile.h"

struct AVCodecContext;

// Each codec's settings, for VideoFile. Both return an opened encoder, or null with `error` set to one line
// naming `name`. `globalHeader`: the container keeps the codec headers itself, not in the stream.

// The show's sound as VideoFile takes it: stereo float at this rate.
constexpr int kInputRate = 44100;

// Video: yuv420p in BT.709, limited range, at `fps` with a key frame every 2 s, constant quality `quality`.
AVCodecContext* openVideoEncoder(const Container& container, const VideoFile::Settings& settings, int quality,
                                 bool globalHeader, const std::string& name, std::string& error);
// Sound: stereo at kInputRate where the encoder takes it, else the rate nearest above it.
AVCodecContext* openAudioEncoder(const Container& container, bool globalHeader, const std::string& name,
                                 std::string& error);

// The line for a failure writing `name`: what failed and, for a `code` other than 0, FFmpeg's reason.
std::string writeFailure(const std::string& name, const std::string& what, int code);
