#pragma once
#include <string>

#include "tools/picture/Photo.h"

// Reads the PNG, JPEG or TIFF file `path` through Debian's own libraries (libpng, libjpeg-turbo, libtiff),
// judging its kind by its first bytes, not its name, the right way up: a JPEG's EXIF orientation is applied.
// On failure returns false after lines on stderr that name the file and say what it is.
bool readPhoto(const std::string& path, Photo& photo);
