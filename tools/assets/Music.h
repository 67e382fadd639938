#pragma once
#include <string>

// Writes the show's default soundtrack "music.mp3" into `dir`. Deterministic: the same bytes every run.
// Returns false, after a line on stderr, when the file cannot be written.
bool writeMusic(const std::string& dir);
