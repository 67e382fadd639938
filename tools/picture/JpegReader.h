#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/picture/Photo.h"

// A JPEG as stored: the pixels in the order of the file, and its EXIF block, which says how to turn them.
struct JpegPicture {
    Photo photo;                // opaque; CMYK pictures converted to RGB
    std::vector<uint8_t> exif;  // the APP1 "Exif" segment's data, empty when there is none
};

// Decodes `path` with libjpeg-turbo. Refuses pictures of more than kMaxPhotoPixels. On failure returns false
// after a line on stderr naming the file; libjpeg's warnings about damaged data name it too.
bool readJpeg(const std::string& path, JpegPicture& picture);
