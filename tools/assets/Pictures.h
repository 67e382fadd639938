#pragma once
#include <string>

// Writes the show's default picture `name` ("img1.tif", "img2.tif", "img4.tif" or "img5.tif") into `dir`.
// Deterministic: the same bytes every run. Returns false, after a line on stderr, when the file cannot be
// written; false for any other name.
bool writePicture(const std::string& dir, const std::string& name);
