#pragma once
#include <string>

// Writes the show's default pictures "img1.tif", "img2.tif", "img4.tif" and "img5.tif" into `dir`.
// Deterministic: the same bytes every run. Returns false, after a line on stderr, when a file cannot be written.
bool writePictures(const std::string& dir);
