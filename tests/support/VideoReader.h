#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A video file decoded whole with FFmpeg's libraries, for checking what kiv-render wrote. Short files only.
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
