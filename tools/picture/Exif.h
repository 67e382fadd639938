#pragma once
#include <cstddef>
#include <cstdint>

// The orientation (1 to 8, as EXIF numbers them) recorded in a JPEG's APP1 "Exif" segment `data` of `size`
// bytes; 1, upright, when it records none or the segment is damaged.
int exifOrientation(const uint8_t* data, size_t size);
