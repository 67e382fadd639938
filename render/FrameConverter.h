#pragma once
#include <cstdint>

struct AVFrame;
struct SwsContext;

// Turns a read-back frame (BGRA bytes, bottom row first) into the video's picture: flipped upright and
// converted to yuv420p with BT.709 coefficients in limited range, as the video file declares.
class FrameConverter {
public:
    FrameConverter(int width, int height);
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    bool ok() const { return context_ != nullptr; }
    // Writes into `picture`, making its buffers writable first (an encoder may still hold the old ones).
    bool convert(const uint8_t* bgra, AVFrame* picture);

private:
    int width_, height_;
    SwsContext* context_ = nullptr;
};
