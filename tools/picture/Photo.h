#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A picture the right way up as an image viewer shows it: row 0 is the top row, and a JPEG's EXIF orientation
// is applied. Four bytes a pixel, red, green, blue and straight (not premultiplied) alpha.
struct Photo {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// The largest picture read, in pixels (400 MB of RGBA).
constexpr uint64_t kMaxPhotoPixels = 100'000'000;

// True, after a line on stderr naming `path`, when a picture of `width` x `height` is empty or more than it takes.
bool photoTooLarge(const std::string& path, uint64_t width, uint64_t height);

// `photo` turned and mirrored as EXIF orientation `orientation` (1 to 8) asks; 1 and others leave it as is.
Photo oriented(const Photo& photo, int orientation);
