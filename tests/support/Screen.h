#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A screenshot of the whole X screen (DISPLAY), as 8-bit RGB rows from the top.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    // Grabs the root window; `png`, when given, also keeps a copy as a PNG file.
    static Screen grab(const std::string& png = "");
    // Loads any picture ImageMagick reads, flipped upside down and stretched to width x height.
    static Screen pictureAsShown(const std::string& path, int width, int height);

    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    double mean() const;                     // 0..255 over every channel
    double stddev() const;
    double meanDifference(const Screen& other) const;  // per channel, 0..255
};
