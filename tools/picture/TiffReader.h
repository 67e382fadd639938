#pragma once
#include <string>

#include "tools/picture/Photo.h"

// Decodes the TIFF file `path` with libtiff as RGBA, row 0 at the top whatever orientation the file records,
// colour unpremultiplied. Refuses pictures of more than kMaxPhotoPixels. On failure returns false after lines
// on stderr naming the file. The page reads a TIFF of the user's through this too.
bool readTiff(const std::string& path, Photo& photo);
