#pragma once
#include <string>

#include "tools/picture/Photo.h"

// Decodes the PNG file `path` with libpng, any colour type and depth, as 8-bit RGBA. Refuses pictures of more
// than kMaxPhotoPixels. On failure returns false after a line on stderr naming the file.
bool readPng(const std::string& path, Photo& photo);
