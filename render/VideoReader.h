#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct AVFrame;
struct SwsContext;

// A video file's streams decoded in the file's order with FFmpeg's libraries, a frame at a time: memory does
// not grow with the file's length.
class VideoReader {
public:
    using Sink = std::function<void(const AVFrame*)>;

    VideoReader();
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    // Opens `path` and its video stream and, when `withSound`, its sound stream too. False, with one line in
    // `error` naming the file.
    bool open(const std::string& path, bool withSound, std::string& error);
    // Decodes to the end: every picture to `onPicture`, every block of sound to `onSound` (when opened with
    // sound). The frames are valid during the call only.
    void decode(const Sink& onPicture, const Sink& onSound);

    int width() const;
    int height() const;
    double fps() const;      // the stream's declared frame rate; 0 when it declares none
    double seconds() const;  // the file's duration as the container gives it; 0 when unknown
    std::string videoCodec() const;
    std::string audioCodec() const;
    int audioRate() const;
    int audioChannels() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Decoded pictures as RGB bytes, top row first, width * 3 bytes a row, by the colour space and range the
// picture declares (BT.709 and limited range where it declares none).
class RgbConverter {
public:
    RgbConverter() = default;
    ~RgbConverter();
    RgbConverter(const RgbConverter&) = delete;
    RgbConverter& operator=(const RgbConverter&) = delete;

    // The picture's RGB bytes, valid until the next call; null when it cannot be converted.
    const uint8_t* convert(const AVFrame* picture);

private:
    SwsContext* context_ = nullptr;
    int width_ = 0, height_ = 0, format_ = -1;
    std::vector<uint8_t> rgb_;
};

// A video file decoded whole, for checking what kiv-render wrote. Short files only.
struct DecodedVideo {
    bool ok = false;
    std::string error;
    std::string videoCodec, audioCodec;
    int width = 0, height = 0;
    double fps = 0;                          // the stream's declared frame rate
    std::vector<std::vector<uint8_t>> frames;  // yuv420p, planes packed: Y, then U, then V
    int audioRate = 0, audioChannels = 0;
    std::vector<float> audio;                // interleaved, from the stream's start

    // Mean of frame k's luma plane: its brightness.
    double brightness(size_t k) const;
    // Frame k as RGB bytes, top row first, converted back with the BT.709 limited-range coefficients.
    std::vector<uint8_t> rgb(size_t k) const;
    double audioSeconds() const { return audioRate ? double(audio.size()) / audioChannels / audioRate : 0.0; }
};

DecodedVideo readVideo(const std::string& path);
