#pragma once
#include <cstddef>
#include <cstdint>

// The orientation (1 to 8, as EXIF numbers them) recorded in a JPEG's APP1 "Exif" segment `data` of `size`
// bytes; 1, upright, when it records none or the segment is damaged.
int exifOrientation(const uint8_t* data, size_t size);

// The APP1 "Exif" segment's data in the JPEG file `jpeg` of `size` bytes, as a decoder hands it out (from
// "Exif\0\0" on), found by walking the markers before the image data: empty when there is none. For a page
// whose browser decodes the pixels but keeps the orientation to itself.
struct ExifSegment {
    const uint8_t* data = nullptr;
    size_t size = 0;
};
ExifSegment jpegExif(const uint8_t* jpeg, size_t size);

// Takes the APP1 "Exif" segment out of the JPEG file `jpeg` of `size` bytes, in place, and returns the size
// left: what a browser is handed to decode, since Chromium turns the pixels as the orientation asks whatever
// createImageBitmap is told, and the turn is exifOrientation()'s to make.
size_t withoutExif(uint8_t* jpeg, size_t size);
