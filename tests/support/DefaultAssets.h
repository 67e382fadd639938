#pragma once
#include <string>

class DecodedMusic;

// The folder of default pictures and music that KIV_ASSETS_TOOL writes, made once per test binary and removed
// at its exit. Empty when the tool failed.
const std::string& defaultAssets();
// The default music from that folder, decoded once per test binary.
DecodedMusic& defaultMusic();
