#pragma once
#include <cstddef>
#include <cstdint>

// Reads drawn frames back from the current GL surface through a ring of pixel-buffer objects: start() queues
// the copy of the frame just drawn into a buffer object and returns at once; finish() copies the oldest
// queued frame into memory, by when the next frame has been drawn over it. Pixels are BGRA bytes (the
// fastest read on Mesa), bottom row first, width * 4 bytes a row.
class Readback {
public:
    static constexpr int kBuffers = 2;  // one being filled while the other is read

    Readback(int width, int height);  // needs the current GL context
    ~Readback();
    Readback(const Readback&) = delete;
    Readback& operator=(const Readback&) = delete;

    size_t frameBytes() const { return bytes_; }
    // Queues the read of the frame just drawn; at most kBuffers unfinished at a time (finish() first).
    void start();
    int pending() const { return pending_; }
    // Copies the oldest queued frame to `out` (frameBytes()); false when none is queued.
    bool finish(uint8_t* out);

private:
    int width_, height_;
    size_t bytes_;
    unsigned buffers_[kBuffers] = {};
    int next_ = 0;     // buffer the next start() fills
    int pending_ = 0;  // started and not yet finished
};
