#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A picture read from a PNG, JPEG or TIFF file through Debian's own libraries (libpng, libjpeg-turbo,
// libtiff), the right way up as an image viewer shows it: row 0 is the top row, and a JPEG's EXIF
// orientation is applied. Four bytes a pixel, red, green, blue and straight (not premultiplied) alpha.
struct Photo {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// The largest picture read, in pixels (400 MB of RGBA).
constexpr uint64_t kMaxPhotoPixels = 100'000'000;

// Reads `path`, judging its kind by its first bytes, not its name. On failure returns false after lines on
// stderr that name the file and say what it is.
bool readPhoto(const std::string& path, Photo& photo);

// `photo` turned and mirrored as EXIF orientation `orientation` (1 to 8) asks; 1 and others leave it as is.
Photo oriented(const Photo& photo, int orientation);
