#pragma once
#include <string>

class DecodedMusic;

// The folder of default pictures and music that KIV_ASSETS_TOOL writes. Under CTest that is the build's default
// show, made once before every test that reads it and named by KIV_DEFAULT_SHOW; a test binary run by itself
// makes a folder of its own, once, removed at its exit. Empty when the tool failed.
const std::string& defaultAssets();
// Copies the five files of that folder into `dir`; false when there are none or the copy failed.
bool copyDefaultAssets(const std::string& dir);
// The default music from that folder, decoded once per test binary.
DecodedMusic& defaultMusic();
